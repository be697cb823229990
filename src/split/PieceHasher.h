#pragma once

#include "core/Fd.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// SHA-256 of the pieces of a set as they are written, and of the whole file they rebuild, on two threads beside
// the one that writes: each piece is read back once it is written (from the page cache it was just written
// into), so the list says what the pieces hold. Stops its threads when it goes, finished or not.
class PieceHasher {
public:
    PieceHasher();
    ~PieceHasher();
    PieceHasher(const PieceHasher&) = delete;
    PieceHasher& operator=(const PieceHasher&) = delete;

    // The piece just written: fd is readable (it is duplicated here), length its size. Waits while many pieces
    // are still to be hashed, so that open files stay few.
    void add(int fd, int64_t length);

    struct Digests {
        std::vector<QByteArray> pieces; // hex, in the order added
        QByteArray whole;
        int error = 0; // errno of a failed read back, 0 when none
    };
    // Waits until every piece added is hashed.
    Digests finish();

private:
    struct Piece {
        std::shared_ptr<Fd> fd;
        int64_t length = 0;
    };
    void run(bool whole);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Piece> pieces_;
    size_t done_[2] = {0, 0}; // pieces each thread has hashed
    bool finishing_ = false, stopping_ = false, wholeDone_ = false;
    Digests digests_;
    std::thread threads_[2];
};
