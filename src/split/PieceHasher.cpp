#include "split/PieceHasher.h"

#include <algorithm>
#include <cstdlib>

#include <sched.h>

namespace {

// 2 MiB in all: from 64 KiB to 4 MiB in all, the size and number of the buffers made no difference to the time.
constexpr size_t kBufferSize = size_t{128} << 10;
constexpr size_t kBuffers = 16;

constexpr int kWhole = 0, kPiece = 1;

} // namespace

int HashingThreads() {
    if (const char* set = std::getenv("BREVIMO_HASH_THREADS"); set && *set)
        return std::clamp(std::atoi(set), 0, 2);
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        cores = cores > 0 ? std::min(cores, CPU_COUNT(&allowed)) : CPU_COUNT(&allowed);
    return std::clamp(cores - 1, 0, 2);
}

PieceHasher::PieceHasher(int threads) {
    slots_.resize(threads > 0 ? kBuffers : 1);
    for (Slot& slot : slots_)
        slot.bytes = std::make_unique_for_overwrite<char[]>(kBufferSize);
    if (threads == 1)
        threads_.emplace_back([this] { run(true, true); });
    if (threads >= 2) {
        threads_.emplace_back([this] { run(true, false); });
        threads_.emplace_back([this] { run(false, true); });
    }
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

std::span<char> PieceHasher::buffer() {
    std::unique_lock lock(mutex_);
    // The buffer that was given out kBuffers times ago must have been through both hashes.
    changed_.wait(lock, [&] { return filled_ < std::min(done_[kWhole], done_[kPiece]) + slots_.size(); });
    return {slots_[filled_ % slots_.size()].bytes.get(), kBufferSize};
}

void PieceHasher::hash(size_t size, bool last) {
    Slot& slot = slots_[filled_ % slots_.size()];
    if (threads_.empty()) {
        Sha256::updateBoth(whole_, piece_, slot.bytes.get(), size);
        if (last)
            digests_.pieces.push_back(piece_.hex());
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        if (pieceBegins_) {
            // Threads with half the buffers still to hash leave this piece to the writer.
            byWriter_ = filled_ - std::min(done_[kWhole], done_[kPiece]) >= kBuffers / 2;
            digests_.pieces.emplace_back();
        }
        slot.size = size;
        slot.piece = digests_.pieces.size() - 1;
        slot.last = last;
        slot.byWriter = byWriter_;
        ++filled_;
    }
    changed_.notify_all();
    pieceBegins_ = last;
    if (byWriter_) {
        writersPiece_.update(slot.bytes.get(), size);
        if (last) {
            QByteArray digest = writersPiece_.hex();
            const std::lock_guard lock(mutex_);
            digests_.pieces[slot.piece] = std::move(digest);
        }
    }
}

PieceHasher::Digests PieceHasher::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_[kWhole] == filled_ && done_[kPiece] == filled_; });
    digests_.whole = whole_.hex();
    return digests_;
}

// Runs through every buffer for the whole file's hash, the pieces' hash (but for the writer's pieces), or both.
void PieceHasher::run(bool whole, bool piece) {
    for (size_t next = 0;; ++next) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return next < filled_ || stopping_; });
        if (stopping_)
            return;
        const Slot& slot = slots_[next % slots_.size()];
        lock.unlock();
        const bool ours = piece && !slot.byWriter;
        if (whole && ours)
            Sha256::updateBoth(whole_, piece_, slot.bytes.get(), slot.size);
        else if (whole)
            whole_.update(slot.bytes.get(), slot.size);
        else if (ours)
            piece_.update(slot.bytes.get(), slot.size);
        QByteArray digest;
        if (ours && slot.last)
            digest = piece_.hex();
        lock.lock();
        if (ours && slot.last)
            digests_.pieces[slot.piece] = std::move(digest);
        if (whole)
            done_[kWhole] = next + 1;
        if (piece)
            done_[kPiece] = next + 1;
        lock.unlock();
        changed_.notify_all();
    }
}
