#pragma once
// TEA, the Tiny Encryption Algorithm: 64-bit blocks, a 128-bit key, 32
// cycles. Words are little-endian: the first word of a block is bytes 0-3,
// the key words k0..k3 are bytes 0-15 of the key.
#include <cstddef>
#include <cstdint>

namespace kel {

void TeaEncryptBlock(uint8_t block[8], const uint8_t key[16]);
void TeaDecryptBlock(uint8_t block[8], const uint8_t key[16]);

// The same on `count` consecutive blocks (electronic codebook: each block on
// its own). Blocks are worked four at a time side by side, which lets the
// compiler keep four independent rounds in flight; the result is exactly
// that of the single-block forms.
void TeaEncryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]);
void TeaDecryptBlocks(uint8_t* blocks, size_t count, const uint8_t key[16]);

} // namespace kel
