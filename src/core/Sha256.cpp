#include "core/Sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

void Sha256::Free::operator()(evp_md_ctx_st* ctx) const {
    EVP_MD_CTX_free(ctx);
}

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) {
    if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
    EVP_DigestUpdate(ctx_.get(), data, size);
}

QByteArray Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx_.get(), digest, &length);
    EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr);
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(length)).toHex();
}
