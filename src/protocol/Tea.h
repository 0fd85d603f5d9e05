#pragma once
// TEA, the Tiny Encryption Algorithm: 64-bit blocks, a 128-bit key, 32
// cycles. Words are little-endian: the first word of a block is bytes 0-3,
// the key words k0..k3 are bytes 0-15 of the key.
#include <cstddef>
#include <cstdint>

namespace kel {

void TeaEncryptBlock(uint8_t block[8], const uint8_t key[16]);
void TeaDecryptBlock(uint8_t block[8], const uint8_t key[16]);

// The ways of working many blocks: scalar (four blocks side by side), SSE2
// (4 blocks per vector) and AVX2 (8 per vector). Each gives exactly the
// bytes of the single-block forms.
enum class TeaPath { Scalar, Sse2, Avx2 };
// Whether this build and processor can take `path`.
bool TeaPathAvailable(TeaPath path);
// The fastest available path, chosen once at the first call.
TeaPath TeaBestPath();

// The same on `count` consecutive blocks (electronic codebook: each block on
// its own, so any number can be worked side by side), by the best path.
void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]);
void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]);
// By the given path; an unavailable path falls back to the next simpler one.
void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16], TeaPath path);
void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16], TeaPath path);

} // namespace kel
