#include "core/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

#if defined(__x86_64__)

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool hasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1))
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA);
}

// Runs count blocks of 64 bytes through each lane's state, the lanes' instructions side by side so that the
// processor works on one while the other waits for a result.
template <int Lanes>
__attribute__((target("sha,sse4.1,ssse3"))) void compress(uint32_t* const state[], const unsigned char* const data[],
                                                          size_t count) {
    const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i abef[Lanes], cdgh[Lanes];
    for (int l = 0; l < Lanes; ++l) { // the SHA instructions keep the eight words in this order
        const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state[l])), 0xB1);
        const __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state[l] + 4)), 0x1B);
        abef[l] = _mm_alignr_epi8(dcba, efgh, 8);
        cdgh[l] = _mm_blend_epi16(efgh, dcba, 0xF0);
    }
    for (size_t n = 0; n < count; ++n) {
        __m128i savedAbef[Lanes], savedCdgh[Lanes], w[Lanes][4];
        for (int l = 0; l < Lanes; ++l) {
            savedAbef[l] = abef[l];
            savedCdgh[l] = cdgh[l];
        }
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) { // four rounds each
            const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i));
#pragma GCC unroll 2
            for (int l = 0; l < Lanes; ++l) {
                __m128i& m = w[l][i & 3];
                if (i < 4) {
                    m = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data[l] + 64 * n + 16 * i)),
                                         byteOrder);
                } else {
                    const __m128i x = _mm_add_epi32(_mm_sha256msg1_epu32(m, w[l][(i + 1) & 3]),
                                                    _mm_alignr_epi8(w[l][(i + 3) & 3], w[l][(i + 2) & 3], 4));
                    m = _mm_sha256msg2_epu32(x, w[l][(i + 3) & 3]);
                }
                const __m128i mk = _mm_add_epi32(m, k);
                cdgh[l] = _mm_sha256rnds2_epu32(cdgh[l], abef[l], mk);
                abef[l] = _mm_sha256rnds2_epu32(abef[l], cdgh[l], _mm_shuffle_epi32(mk, 0x0E));
            }
        }
        for (int l = 0; l < Lanes; ++l) {
            abef[l] = _mm_add_epi32(abef[l], savedAbef[l]);
            cdgh[l] = _mm_add_epi32(cdgh[l], savedCdgh[l]);
        }
    }
    for (int l = 0; l < Lanes; ++l) {
        const __m128i feba = _mm_shuffle_epi32(abef[l], 0x1B);
        const __m128i dchg = _mm_shuffle_epi32(cdgh[l], 0xB1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(state[l]), _mm_blend_epi16(feba, dchg, 0xF0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(state[l] + 4), _mm_alignr_epi8(dchg, feba, 8));
    }
}

#else

bool hasShaInstructions() {
    return false;
}

template <int Lanes>
void compress(uint32_t* const[], const unsigned char* const[], size_t) {} // not reached: OpenSSL hashes here

#endif

void compressOne(uint32_t* state, const unsigned char* data, size_t count) {
    uint32_t* const states[] = {state};
    const unsigned char* const blocks[] = {data};
    compress<1>(states, blocks, count);
}

} // namespace

void Sha256::Free::operator()(evp_md_ctx_st* ctx) const {
    EVP_MD_CTX_free(ctx);
}

bool Sha256::interleaves() {
    static const bool yes = hasShaInstructions();
    return yes;
}

Sha256::Sha256() {
    if (!interleaves()) {
        ctx_.reset(EVP_MD_CTX_new());
        if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("SHA-256 is not available");
    }
    restart();
}

Sha256::~Sha256() = default;

void Sha256::restart() {
    std::copy(std::begin(kInitial), std::end(kInitial), state_);
    held_ = 0;
    length_ = 0;
}

size_t Sha256::fillBlock(const unsigned char* data, size_t size) {
    const size_t taken = std::min(size, sizeof block_ - held_);
    std::memcpy(block_ + held_, data, taken);
    held_ += taken;
    if (held_ == sizeof block_) {
        compressOne(state_, block_, 1);
        held_ = 0;
    }
    return taken;
}

void Sha256::update(const void* data, size_t size) {
    if (ctx_) {
        EVP_DigestUpdate(ctx_.get(), data, size);
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    length_ += size;
    size_t used = held_ ? fillBlock(bytes, size) : 0;
    if (const size_t blocks = (size - used) / 64; blocks > 0) {
        compressOne(state_, bytes + used, blocks);
        used += blocks * 64;
    }
    fillBlock(bytes + used, size - used);
}

void Sha256::updateBoth(Sha256& a, Sha256& b, const void* data, size_t size) {
    if (a.ctx_ || b.ctx_) {
        a.update(data, size);
        b.update(data, size);
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    Sha256* const lanes[] = {&a, &b};
    size_t used[2] = {};
    // Each lane first completes its own partial block; from there on both run over whole blocks, each from
    // where its blocks begin.
    for (int l = 0; l < 2; ++l) {
        lanes[l]->length_ += size;
        if (lanes[l]->held_)
            used[l] = lanes[l]->fillBlock(bytes, size);
    }
    if (const size_t blocks = (size - std::max(used[0], used[1])) / 64; blocks > 0) {
        uint32_t* const states[] = {a.state_, b.state_};
        const unsigned char* const starts[] = {bytes + used[0], bytes + used[1]};
        compress<2>(states, starts, blocks);
        used[0] += blocks * 64;
        used[1] += blocks * 64;
    }
    for (int l = 0; l < 2; ++l) {
        if (const size_t blocks = (size - used[l]) / 64; blocks > 0) {
            compressOne(lanes[l]->state_, bytes + used[l], blocks);
            used[l] += blocks * 64;
        }
        lanes[l]->fillBlock(bytes + used[l], size - used[l]);
    }
}

QByteArray Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 32;
    if (ctx_) {
        EVP_DigestFinal_ex(ctx_.get(), digest, &length);
        EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr);
    } else {
        const uint64_t bits = length_ * 8;
        unsigned char end[64 + 8] = {0x80};
        const size_t zeros = (held_ < 56 ? 56 : 120) - held_; // the 0x80 and zeros up to 8 bytes before a block end
        for (int i = 0; i < 8; ++i)
            end[zeros + static_cast<size_t>(i)] = static_cast<unsigned char>(bits >> (56 - 8 * i));
        update(end, zeros + 8);
        for (int i = 0; i < 32; ++i)
            digest[i] = static_cast<unsigned char>(state_[i / 4] >> (24 - 8 * (i % 4)));
    }
    restart();
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(length)).toHex();
}
