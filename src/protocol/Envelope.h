#pragma once
// The envelope every hall, registration and room message travels in: a
// plaintext that opens with the message signature and a command code,
// enciphered as a whole (Encrypt.h) and carried as one reliable message.
//
//   offset 0  int32  message signature, kMessageSignature
//   offset 4  int32  command code, 0 <= code < 100000
//   offset 8  ...    header and body of the command
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/Encrypt.h"

namespace kel {

// Bytes of signature and command code that open every plaintext.
inline constexpr size_t kEnvelopeHead = 8;
// Command codes run from 0 up to, not including, this bound.
inline constexpr int32_t kCommandCodeLimit = 100000;

// Enciphers a plaintext for sending.
std::vector<uint8_t> SealMessage(TEncrypt& cipher, const uint8_t* plain, size_t len);

// Deciphers a received message and checks it: nullopt when it cannot be
// deciphered, when the plaintext is too short to hold the signature and the
// code, when the signature is wrong or when the code is out of range.
// Never throws.
std::optional<std::vector<uint8_t>> OpenMessage(TEncrypt& cipher, const uint8_t* data, size_t len);

// The command code of a plaintext (its second int32), -1 when it is shorter
// than the signature and the code (see LayoutSupport.h).
int32_t MessageCode(const std::vector<uint8_t>& plain);

} // namespace kel
