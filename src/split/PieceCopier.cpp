#include "split/PieceCopier.h"

#include "core/StopSignals.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

void PieceCopier::copy(int in, int64_t offset, int out, int64_t count) {
    while (count > 0) {
        if (StopRequested())
            throw CopyFailure{EINTR};
        if (useKernelCopy_) {
            loff_t off = offset;
            const ssize_t n = ::copy_file_range(in, &off, out, nullptr, static_cast<size_t>(count), 0);
            if (n > 0) {
                offset += n;
                count -= n;
                continue;
            }
            if (n == 0)
                throw CopyFailure{0};
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) {
                useKernelCopy_ = false;
                continue;
            }
            throw CopyFailure{errno};
        }
        if (buffer_.empty())
            buffer_.resize(kBufferSize);
        const size_t want = static_cast<size_t>(std::min<int64_t>(count, kBufferSize));
        const ssize_t got = ::pread(in, buffer_.data(), want, offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw CopyFailure{errno};
        }
        if (got == 0)
            throw CopyFailure{0};
        for (ssize_t done = 0; done < got;) {
            const ssize_t w = ::write(out, buffer_.data() + done, static_cast<size_t>(got - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                throw CopyFailure{errno};
            }
            done += w;
        }
        offset += got;
        count -= got;
    }
}
