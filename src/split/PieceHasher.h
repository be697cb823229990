#pragma once

#include "core/Sha256.h"

#include <QByteArray>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

// Threads for hashing beside the one that writes: the processors this process may run on (its affinity mask)
// less the writer's, and no more than the two hashes can keep busy. BREVIMO_HASH_THREADS sets the number.
int HashingThreads();

// SHA-256 of each piece of a set and of the whole file the pieces rebuild, taken from the very buffers that are
// written into the pieces, so the list says what the pieces hold. The writer fills a buffer, hands it over and
// writes it while the hashing threads run through it. The buffers are few and reused: a writer ahead of the
// hashing waits for one, and memory stays bounded. Without threads the writer hashes each buffer itself, both
// hashes in one pass. Stops its threads when it goes, finished or not.
class PieceHasher {
public:
    explicit PieceHasher(int threads = HashingThreads());
    ~PieceHasher();
    PieceHasher(const PieceHasher&) = delete;
    PieceHasher& operator=(const PieceHasher&) = delete;

    // A free buffer to fill; waits while every buffer is still being hashed.
    std::span<char> buffer();
    // The buffer last given holds size bytes that go into the piece being written; last ends that piece (an
    // empty piece is one call with size 0).
    void hash(size_t size, bool last);

    struct Digests {
        std::vector<QByteArray> pieces; // hex, in the order written
        QByteArray whole;
    };
    // Waits until every buffer handed over is hashed.
    Digests finish();

private:
    struct Slot {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        bool last = false;
    };
    // One of the two hashes: of the whole file, and of the piece being written. Each runs through the buffers in
    // order, on one thread at a time.
    struct Lane {
        Sha256 sha;
        size_t next = 0; // buffers hashed
        bool busy = false;
    };
    struct Claim {
        bool whole = false, piece = false;
    };
    Claim claim() const;
    void run();

    std::vector<Slot> slots_;
    Lane lanes_[2];     // whole, piece
    size_t filled_ = 0; // buffers handed over
    int idle_ = 0;      // threads waiting for work
    bool stopping_ = false;
    Digests digests_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};
