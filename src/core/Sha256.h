#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_md_ctx_st;

// SHA-256 over bytes given in parts. On x86-64 processors with SHA instructions our own rounds run them, since
// they can interleave two hashes (updateBoth); elsewhere OpenSSL does the work.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(const void* data, size_t size);
    // The same bytes into two hashes. With SHA instructions the two run interleaved: one hash alone leaves the
    // processor waiting on each round's result, so two cost about two thirds of two separate passes.
    static void updateBoth(Sha256& a, Sha256& b, const void* data, size_t size);
    // The 64 lower-case hex digits, as sha256sum writes them; the object starts afresh after it.
    QByteArray hex();

    // Whether this processor runs the interleaved rounds.
    static bool interleaves();

private:
    struct Free {
        void operator()(evp_md_ctx_st* ctx) const;
    };
    void restart();
    // Takes bytes into the partial block, compressing it when it is full; returns how many it took.
    size_t fillBlock(const unsigned char* data, size_t size);

    std::unique_ptr<evp_md_ctx_st, Free> ctx_; // without SHA instructions only
    uint32_t state_[8] = {};
    unsigned char block_[64] = {};
    size_t held_ = 0; // bytes in block_
    uint64_t length_ = 0;
};
