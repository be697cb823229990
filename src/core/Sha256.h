#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

struct evp_md_ctx_st;

// SHA-256 over bytes given in parts (OpenSSL, which uses the processor's SHA instructions where it has them).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(const void* data, size_t size);
    // The 64 lower-case hex digits, as sha256sum writes them; the object starts afresh after it.
    QByteArray hex();

private:
    struct Free {
        void operator()(evp_md_ctx_st* ctx) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> ctx_;
};
