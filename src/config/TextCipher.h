#pragma once
// The text cipher shared with the outside launcher and the server-list
// provider: a hexadecimal text of an 8-byte little-endian plaintext length
// followed by AES-128 blocks in electronic-codebook mode. The key is the
// key text's bytes over 16 zero bytes (at most 16 of them are used).
#include <stdexcept>
#include <string>
#include <string_view>

namespace kel {

// Key text shared with the server-list provider.
inline constexpr std::string_view kServerListKey = "wembo#((+";

// Raised for text that cannot be deciphered; the message is the system's.
class EDecryptError : public std::runtime_error {
public:
    EDecryptError() : std::runtime_error("Invalid buffer size for decryption") {}
};

// Every deciphered byte of the ciphertext blocks, including the zero bytes
// that filled the last block. Digit pairs of either case form the bytes; a
// single trailing digit forms a byte on its own. Throws EDecryptError when
// the text holds a character that is not a hexadecimal digit, is shorter
// than the 8 length bytes, or its ciphertext is not whole 16-byte blocks.
std::string DecryptString(std::string_view hex_text, std::string_view key_text);

// The inverse: the plaintext's length, then the plaintext zero-filled to
// whole blocks and enciphered, as upper-case hexadecimal.
std::string EncryptString(std::string_view plain, std::string_view key_text);

// The text up to its first zero byte (how the consumers read a result).
std::string UpToFirstZero(std::string_view text);

} // namespace kel
