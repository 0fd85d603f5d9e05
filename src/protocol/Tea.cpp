#include "protocol/Tea.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define KEL_TEA_X86 1
#endif

namespace kel {

namespace {

constexpr uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;

uint32_t Load(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void Store(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

struct Key {
    uint32_t k0, k1, k2, k3;
    explicit Key(const uint8_t* key) : k0(Load(key)), k1(Load(key + 4)), k2(Load(key + 8)), k3(Load(key + 12)) {}
};

// The 32 cycles on N independent groups of first words (v0) and second
// words (v1). W is uint32_t for one block per group, or a vector of 32-bit
// lanes (one block per lane): vector arithmetic wraps per lane exactly as
// uint32_t does, so every path computes the same bits. Working several
// groups side by side keeps independent rounds in flight.
template <typename W, size_t N>
[[gnu::always_inline]] inline void Encipher(W (&v0)[N], W (&v1)[N], const Key& k) {
    uint32_t sum = 0;
    for (int c = 0; c < kCycles; ++c) {
        sum += kDelta;
        for (size_t j = 0; j < N; ++j) v0[j] += ((v1[j] << 4) + k.k0) ^ (v1[j] + sum) ^ ((v1[j] >> 5) + k.k1);
        for (size_t j = 0; j < N; ++j) v1[j] += ((v0[j] << 4) + k.k2) ^ (v0[j] + sum) ^ ((v0[j] >> 5) + k.k3);
    }
}

template <typename W, size_t N>
[[gnu::always_inline]] inline void Decipher(W (&v0)[N], W (&v1)[N], const Key& k) {
    uint32_t sum = kDelta * kCycles; // C6EF3720
    for (int c = 0; c < kCycles; ++c) {
        for (size_t j = 0; j < N; ++j) v1[j] -= ((v0[j] << 4) + k.k2) ^ (v0[j] + sum) ^ ((v0[j] >> 5) + k.k3);
        for (size_t j = 0; j < N; ++j) v0[j] -= ((v1[j] << 4) + k.k0) ^ (v1[j] + sum) ^ ((v1[j] >> 5) + k.k1);
        sum -= kDelta;
    }
}

// N blocks, one per group.
template <bool kEncrypt, size_t N>
void ScalarGroup(uint8_t* blocks, const Key& k) {
    uint32_t v0[N], v1[N];
    for (size_t j = 0; j < N; ++j) {
        v0[j] = Load(blocks + 8 * j);
        v1[j] = Load(blocks + 8 * j + 4);
    }
    kEncrypt ? Encipher(v0, v1, k) : Decipher(v0, v1, k);
    for (size_t j = 0; j < N; ++j) {
        Store(blocks + 8 * j, v0[j]);
        Store(blocks + 8 * j + 4, v1[j]);
    }
}

// Four blocks side by side, then one at a time.
template <bool kEncrypt>
void ScalarBlocks(uint8_t* blocks, size_t count, const Key& k) {
    for (; count >= 4; count -= 4, blocks += 32) ScalarGroup<kEncrypt, 4>(blocks, k);
    for (; count > 0; --count, blocks += 8) ScalarGroup<kEncrypt, 1>(blocks, k);
}

#ifdef KEL_TEA_X86

// Vectors of 32-bit lanes, one block per lane. x86 is little-endian, so
// blocks load as they lie: alternately first and second words, which Split
// sorts into a vector of first words and one of second words (Join undoes
// it).
using U32x4 = uint32_t __attribute__((vector_size(16)));
using U32x8 = uint32_t __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void Split(const uint8_t* p, U32x4& v0, U32x4& v1) {
    U32x4 a, b;
    std::memcpy(&a, p, sizeof a);
    std::memcpy(&b, p + sizeof a, sizeof b);
    v0 = __builtin_shufflevector(a, b, 0, 2, 4, 6);
    v1 = __builtin_shufflevector(a, b, 1, 3, 5, 7);
}

[[gnu::always_inline]] inline void Join(uint8_t* p, const U32x4& v0, const U32x4& v1) {
    const U32x4 a = __builtin_shufflevector(v0, v1, 0, 4, 1, 5);
    const U32x4 b = __builtin_shufflevector(v0, v1, 2, 6, 3, 7);
    std::memcpy(p, &a, sizeof a);
    std::memcpy(p + sizeof a, &b, sizeof b);
}

[[gnu::always_inline]] inline void Split(const uint8_t* p, U32x8& v0, U32x8& v1) {
    U32x8 a, b;
    std::memcpy(&a, p, sizeof a);
    std::memcpy(&b, p + sizeof a, sizeof b);
    v0 = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
    v1 = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
}

[[gnu::always_inline]] inline void Join(uint8_t* p, const U32x8& v0, const U32x8& v1) {
    const U32x8 a = __builtin_shufflevector(v0, v1, 0, 8, 1, 9, 2, 10, 3, 11);
    const U32x8 b = __builtin_shufflevector(v0, v1, 4, 12, 5, 13, 6, 14, 7, 15);
    std::memcpy(p, &a, sizeof a);
    std::memcpy(p + sizeof a, &b, sizeof b);
}

// Two vectors of blocks side by side; a last, partial pair is worked in a
// zero-padded copy. Both vectors of a pair take about the time of one
// (each round waits for the one before it), so padding costs little, while
// a scalar tail would cost as much as several pairs.
template <bool kEncrypt, typename W>
[[gnu::always_inline]] inline void VectorBlocks(uint8_t* blocks, size_t count, const Key& k) {
    constexpr size_t kPairBlocks = 2 * sizeof(W) / sizeof(uint32_t), kVectorBytes = sizeof(W) * 2;
    auto pair = [&k](uint8_t* p) {
        W v0[2], v1[2];
        Split(p, v0[0], v1[0]);
        Split(p + kVectorBytes, v0[1], v1[1]);
        kEncrypt ? Encipher(v0, v1, k) : Decipher(v0, v1, k);
        Join(p, v0[0], v1[0]);
        Join(p + kVectorBytes, v0[1], v1[1]);
    };
    for (; count >= kPairBlocks; count -= kPairBlocks, blocks += 8 * kPairBlocks) pair(blocks);
    if (count > 0) {
        uint8_t tail[8 * kPairBlocks] = {};
        std::memcpy(tail, blocks, 8 * count);
        pair(tail);
        std::memcpy(blocks, tail, 8 * count);
    }
}

// SSE2 is part of every x86-64 processor; AVX2 is used where the processor
// has it (TeaPathAvailable).
template <bool kEncrypt>
void Sse2Blocks(uint8_t* blocks, size_t count, const Key& k) {
    VectorBlocks<kEncrypt, U32x4>(blocks, count, k);
}

template <bool kEncrypt>
__attribute__((target("avx2"))) void Avx2Blocks(uint8_t* blocks, size_t count, const Key& k) {
    VectorBlocks<kEncrypt, U32x8>(blocks, count, k);
}

#endif // KEL_TEA_X86

} // namespace

void TeaEncryptBlock(uint8_t block[8], const uint8_t key[16]) { ScalarBlocks<true>(block, 1, Key(key)); }

void TeaDecryptBlock(uint8_t block[8], const uint8_t key[16]) { ScalarBlocks<false>(block, 1, Key(key)); }

bool TeaPathAvailable(TeaPath path) {
    switch (path) {
    case TeaPath::Scalar:
        return true;
#ifdef KEL_TEA_X86
    case TeaPath::Sse2:
        return true;
    case TeaPath::Avx2:
        return __builtin_cpu_supports("avx2");
#else
    case TeaPath::Sse2:
    case TeaPath::Avx2:
        return false;
#endif
    }
    return false;
}

TeaPath TeaBestPath() {
    static const TeaPath best = TeaPathAvailable(TeaPath::Avx2)   ? TeaPath::Avx2
                                : TeaPathAvailable(TeaPath::Sse2) ? TeaPath::Sse2
                                                                  : TeaPath::Scalar;
    return best;
}

namespace {

template <bool kEncrypt>
void Blocks(TeaPath path, uint8_t* blocks, size_t count, const uint8_t key[16]) {
    const Key k(key);
    switch (path) {
#ifdef KEL_TEA_X86
    case TeaPath::Avx2:
        if (TeaPathAvailable(TeaPath::Avx2)) return Avx2Blocks<kEncrypt>(blocks, count, k);
        [[fallthrough]];
    case TeaPath::Sse2:
        return Sse2Blocks<kEncrypt>(blocks, count, k);
#endif
    default:
        return ScalarBlocks<kEncrypt>(blocks, count, k);
    }
}

} // namespace

void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16], TeaPath path) {
    Blocks<true>(path, blocks, count, key);
}

void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16], TeaPath path) {
    Blocks<false>(path, blocks, count, key);
}

void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]) {
    Blocks<true>(TeaBestPath(), blocks, count, key);
}

void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]) {
    Blocks<false>(TeaBestPath(), blocks, count, key);
}

} // namespace kel
