#include "protocol/Tea.h"

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

} // namespace

void TeaEncryptBlock(uint8_t block[8], const uint8_t key[16]) {
    uint32_t v0 = Load(block), v1 = Load(block + 4);
    const uint32_t k0 = Load(key), k1 = Load(key + 4), k2 = Load(key + 8), k3 = Load(key + 12);
    uint32_t sum = 0;
    for (int i = 0; i < kCycles; ++i) {
        sum += kDelta;
        v0 += ((v1 << 4) + k0) ^ (v1 + sum) ^ ((v1 >> 5) + k1);
        v1 += ((v0 << 4) + k2) ^ (v0 + sum) ^ ((v0 >> 5) + k3);
    }
    Store(block, v0);
    Store(block + 4, v1);
}

void TeaDecryptBlock(uint8_t block[8], const uint8_t key[16]) {
    uint32_t v0 = Load(block), v1 = Load(block + 4);
    const uint32_t k0 = Load(key), k1 = Load(key + 4), k2 = Load(key + 8), k3 = Load(key + 12);
    uint32_t sum = kDelta * kCycles; // C6EF3720
    for (int i = 0; i < kCycles; ++i) {
        v1 -= ((v0 << 4) + k2) ^ (v0 + sum) ^ ((v0 >> 5) + k3);
        v0 -= ((v1 << 4) + k0) ^ (v1 + sum) ^ ((v1 >> 5) + k1);
        sum -= kDelta;
    }
    Store(block, v0);
    Store(block + 4, v1);
}

namespace {

constexpr size_t kLanes = 4;

struct Lanes {
    uint32_t v0[kLanes], v1[kLanes];
    void LoadFrom(const uint8_t* p) {
        for (size_t j = 0; j < kLanes; ++j) {
            v0[j] = Load(p + 8 * j);
            v1[j] = Load(p + 8 * j + 4);
        }
    }
    void StoreTo(uint8_t* p) const {
        for (size_t j = 0; j < kLanes; ++j) {
            Store(p + 8 * j, v0[j]);
            Store(p + 8 * j + 4, v1[j]);
        }
    }
};

} // namespace

void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]) {
    const uint32_t k0 = Load(key), k1 = Load(key + 4), k2 = Load(key + 8), k3 = Load(key + 12);
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Lanes l;
        l.LoadFrom(blocks + 8 * i);
        uint32_t sum = 0;
        for (int c = 0; c < kCycles; ++c) {
            sum += kDelta;
            for (size_t j = 0; j < kLanes; ++j)
                l.v0[j] += ((l.v1[j] << 4) + k0) ^ (l.v1[j] + sum) ^ ((l.v1[j] >> 5) + k1);
            for (size_t j = 0; j < kLanes; ++j)
                l.v1[j] += ((l.v0[j] << 4) + k2) ^ (l.v0[j] + sum) ^ ((l.v0[j] >> 5) + k3);
        }
        l.StoreTo(blocks + 8 * i);
    }
    for (; i < count; ++i) TeaEncryptBlock(blocks + 8 * i, key);
}

void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]) {
    const uint32_t k0 = Load(key), k1 = Load(key + 4), k2 = Load(key + 8), k3 = Load(key + 12);
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Lanes l;
        l.LoadFrom(blocks + 8 * i);
        uint32_t sum = kDelta * kCycles;
        for (int c = 0; c < kCycles; ++c) {
            for (size_t j = 0; j < kLanes; ++j)
                l.v1[j] -= ((l.v0[j] << 4) + k2) ^ (l.v0[j] + sum) ^ ((l.v0[j] >> 5) + k3);
            for (size_t j = 0; j < kLanes; ++j)
                l.v0[j] -= ((l.v1[j] << 4) + k0) ^ (l.v1[j] + sum) ^ ((l.v1[j] >> 5) + k1);
            sum -= kDelta;
        }
        l.StoreTo(blocks + 8 * i);
    }
    for (; i < count; ++i) TeaDecryptBlock(blocks + 8 * i, key);
}

} // namespace kel
