#pragma once

#include <cstdint>
#include <vector>

class PieceHasher;

// Thrown by PieceCopier: errno of the failure; 0 means the source ended early, EINTR that a signal asked to stop.
struct CopyFailure {
    int error;
};

// Copies count bytes from in at offset to the end of out. The kernel copies where it can; otherwise a
// buffer of fixed size, allocated once and shared by all copies of one copier, carries the bytes. With a hasher
// the bytes go through its buffers instead, and the count bytes are one piece of it.
class PieceCopier {
public:
    void copy(int in, int64_t offset, int out, int64_t count, PieceHasher* hasher = nullptr);

private:
    void copyHashed(int in, int64_t offset, int out, int64_t count, PieceHasher& hasher);

    static constexpr int64_t kBufferSize = 1 << 20;
    bool useKernelCopy_ = true;
    std::vector<char> buffer_;
};
