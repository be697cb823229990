#include "split/PieceCopier.h"

#include "core/StopSignals.h"
#include "split/PieceHasher.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace {

// Reads up to size bytes (at least one when size > 0).
size_t readSome(int in, char* buffer, size_t size, int64_t offset) {
    for (;;) {
        if (size == 0)
            return 0;
        const ssize_t got = ::pread(in, buffer, size, offset);
        if (got > 0)
            return static_cast<size_t>(got);
        if (got == 0)
            throw CopyFailure{0};
        if (errno != EINTR)
            throw CopyFailure{errno};
        if (StopRequested())
            throw CopyFailure{EINTR};
    }
}

void writeAll(int out, const char* bytes, size_t size) {
    for (size_t done = 0; done < size;) {
        const ssize_t w = ::write(out, bytes + done, size - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            throw CopyFailure{errno};
        }
        done += static_cast<size_t>(w);
    }
}

} // namespace

void PieceCopier::copy(int in, int64_t offset, int out, int64_t count, PieceHasher* hasher) {
    if (hasher) {
        copyHashed(in, offset, out, count, *hasher);
        return;
    }
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
        const size_t got = readSome(in, buffer_.data(), static_cast<size_t>(std::min(count, kBufferSize)), offset);
        writeAll(out, buffer_.data(), got);
        offset += static_cast<int64_t>(got);
        count -= static_cast<int64_t>(got);
    }
}

// The hasher runs through each buffer while it is written.
void PieceCopier::copyHashed(int in, int64_t offset, int out, int64_t count, PieceHasher& hasher) {
    do {
        if (StopRequested())
            throw CopyFailure{EINTR};
        const std::span<char> buffer = hasher.buffer();
        const size_t got =
            readSome(in, buffer.data(), static_cast<size_t>(std::min<int64_t>(count, ssize(buffer))), offset);
        offset += static_cast<int64_t>(got);
        count -= static_cast<int64_t>(got);
        hasher.hash(got, count == 0);
        writeAll(out, buffer.data(), got);
    } while (count > 0);
}
