#include "split/PieceHasher.h"

#include "core/Sha256.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace {

constexpr size_t kWaiting = 32;              // pieces written but not hashed yet, at most
constexpr int64_t kChunk = int64_t{1} << 20; // read back in parts of this size

} // namespace

PieceHasher::PieceHasher() {
    threads_[0] = std::thread([this] { run(false); });
    threads_[1] = std::thread([this] { run(true); });
}

PieceHasher::~PieceHasher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void PieceHasher::add(int fd, int64_t length) {
    auto copy = std::make_shared<Fd>(::dup(fd));
    std::unique_lock lock(mutex_);
    if (copy->get() < 0) {
        digests_.error = errno;
        return;
    }
    changed_.wait(lock, [&] { return pieces_.size() - std::min(done_[0], done_[1]) < kWaiting || stopping_; });
    pieces_.push_back({std::move(copy), length});
    changed_.notify_all();
}

PieceHasher::Digests PieceHasher::finish() {
    std::unique_lock lock(mutex_);
    finishing_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return done_[0] == pieces_.size() && wholeDone_; });
    return digests_;
}

void PieceHasher::run(bool whole) {
    Sha256 hash;
    std::vector<char> buffer(kChunk);
    const int me = whole ? 1 : 0;
    for (;;) {
        Piece piece;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return done_[me] < pieces_.size() || finishing_ || stopping_; });
            if (stopping_ || (done_[me] == pieces_.size() && finishing_))
                break;
            piece = pieces_[done_[me]];
        }
        int error = 0;
        for (int64_t at = 0; at < piece.length && error == 0;) {
            const ssize_t n =
                ::pread(piece.fd->get(), buffer.data(), static_cast<size_t>(std::min(kChunk, piece.length - at)), at);
            if (n > 0) {
                hash.update(buffer.data(), static_cast<size_t>(n));
                at += n;
            } else if (n == 0 || errno != EINTR) {
                error = n == 0 ? EIO : errno; // shorter than written: not what the list would say
            }
        }
        const std::lock_guard lock(mutex_);
        if (error != 0)
            digests_.error = error;
        if (!whole)
            digests_.pieces.push_back(hash.hex());
        ++done_[me];
        // Closed once both threads are done with it.
        if (const size_t both = std::min(done_[0], done_[1]); both > 0)
            pieces_[both - 1].fd.reset();
        changed_.notify_all();
    }
    if (whole) {
        const std::lock_guard lock(mutex_);
        digests_.whole = hash.hex();
        wholeDone_ = true;
        changed_.notify_all();
    }
}
