#include "split/PieceHasher.h"

#include <algorithm>
#include <cstdlib>

#include <sched.h>

namespace {

size_t kBufferSize = size_t{256} << 10;
size_t kBuffers = 8;

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
    if (const char* s = std::getenv("BREVIMO_HASH_BUFFER_KIB"))
        kBufferSize = size_t(std::atoi(s)) << 10;
    if (const char* s = std::getenv("BREVIMO_HASH_BUFFERS"))
        kBuffers = size_t(std::atoi(s));
    slots_.resize(threads > 0 ? kBuffers : 1);
    for (Slot& slot : slots_)
        slot.bytes = std::make_unique_for_overwrite<char[]>(kBufferSize);
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] { run(); });
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
    // The buffer kBuffers back must have been through both hashes.
    changed_.wait(lock, [&] { return filled_ < std::min(lanes_[kWhole].next, lanes_[kPiece].next) + slots_.size(); });
    return {slots_[filled_ % slots_.size()].bytes.get(), kBufferSize};
}

void PieceHasher::hash(size_t size, bool last) {
    if (threads_.empty()) {
        Sha256::updateBoth(lanes_[kWhole].sha, lanes_[kPiece].sha, slots_[0].bytes.get(), size);
        if (last)
            digests_.pieces.push_back(lanes_[kPiece].sha.hex());
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        Slot& slot = slots_[filled_ % slots_.size()];
        slot.size = size;
        slot.last = last;
        ++filled_;
    }
    changed_.notify_all();
}

PieceHasher::Digests PieceHasher::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return lanes_[kWhole].next == filled_ && lanes_[kPiece].next == filled_; });
    digests_.whole = lanes_[kWhole].sha.hex();
    return digests_;
}

// Both hashes at once when they are at the same buffer and no other thread could take one of them; else the
// hash that is behind.
PieceHasher::Claim PieceHasher::claim() const {
    const auto ready = [&](int lane) { return !lanes_[lane].busy && lanes_[lane].next < filled_; };
    const bool whole = ready(kWhole), piece = ready(kPiece);
    if (whole && piece && lanes_[kWhole].next == lanes_[kPiece].next && idle_ == 0)
        return {true, true};
    if (piece && (!whole || lanes_[kPiece].next <= lanes_[kWhole].next))
        return {false, true};
    return {whole, false};
}

void PieceHasher::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto [whole, piece] = claim();
        if (!whole && !piece) {
            if (stopping_)
                return;
            ++idle_;
            changed_.wait(lock);
            --idle_;
            continue;
        }
        const Slot& slot = slots_[(whole ? lanes_[kWhole] : lanes_[kPiece]).next % slots_.size()];
        lanes_[kWhole].busy |= whole;
        lanes_[kPiece].busy |= piece;
        lock.unlock();
        QByteArray digest;
        if (whole && piece)
            Sha256::updateBoth(lanes_[kWhole].sha, lanes_[kPiece].sha, slot.bytes.get(), slot.size);
        else
            lanes_[whole ? kWhole : kPiece].sha.update(slot.bytes.get(), slot.size);
        if (piece && slot.last)
            digest = lanes_[kPiece].sha.hex();
        lock.lock();
        if (piece && slot.last)
            digests_.pieces.push_back(std::move(digest));
        for (const int lane : {kWhole, kPiece}) {
            if (lane == kWhole ? whole : piece) {
                lanes_[lane].busy = false;
                ++lanes_[lane].next;
            }
        }
        changed_.notify_all();
    }
}
