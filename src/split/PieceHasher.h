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
// less the writer's, and no more than the two hashes can keep busy. BREVIMO_HASH_THREADS sets the number, so
// that tests run the ways of other machines (0: the writer hashes alone, as on one core).
int HashingThreads();

// SHA-256 of each piece of a set and of the whole file the pieces rebuild, taken from the very buffers that are
// written into the pieces, so the list says what the pieces hold. The writer fills a buffer, hands it over and
// writes it while the hashing threads run through it: one thread runs both hashes over the same bytes at once,
// or two threads one each. When they fall behind, the writer hashes the next piece itself from the buffer it has
// just read, so that no processor waits. The buffers are few and reused: a writer ahead of the hashing waits for
// one, and memory stays bounded. Without threads the writer hashes each buffer itself, both hashes in one pass.
// Stops its threads when it goes, finished or not.
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
        size_t piece = 0;      // its number in the set, from 0
        bool last = false;     // the piece ends with it
        bool byWriter = false; // its piece is hashed by the writer
    };
    void run(bool whole, bool piece);

    std::vector<Slot> slots_;
    Sha256 whole_, piece_; // on the hashing threads, or by the writer alone
    Sha256 writersPiece_;  // the piece the writer hashes beside them
    size_t filled_ = 0;    // buffers handed over
    size_t done_[2] = {};  // buffers through the whole file's hash and through the pieces' hash
    bool pieceBegins_ = true, byWriter_ = false;
    bool stopping_ = false;
    Digests digests_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};
