#pragma once
// The message cipher: TEA in electronic-codebook mode under one fixed key,
// the plaintext zero-padded to whole blocks and its length appended in clear.
//
//   plaintext of n bytes  ->  8 * ceil(n / 8) enciphered bytes + int32 n
//
// One TEncrypt is shared by the GUI thread (every send) and the receive
// thread of every open endpoint (every receive); its lock makes Encrypt and
// Decrypt strictly one at a time because they share one work buffer.
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// Raised for an enciphered buffer that cannot hold a plaintext.
class EEncryptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fixed key text shared by every client and server of the system; only
// its first 16 bytes take part in the cipher.
inline constexpr std::string_view kCipherKeyText = "Kv8*tPq2#mZr5&wXe9!nBc4(yHj7)uLd";

// The stream forms. Encrypting pads the buffer with zeros to whole blocks,
// enciphers them in place and appends the plaintext length.
void TeaEncryptStream(std::vector<uint8_t>& stream, const uint8_t key[16]);
// Deciphering reads and cuts the trailing length, deciphers the blocks and
// cuts the padding. Throws EEncryptError("Invalid data size!") when the
// buffer is shorter than the length field, when the blocks are not whole,
// or when the trailing length is negative or larger than the blocks; the
// buffer is left unchanged then.
void TeaDecryptStream(std::vector<uint8_t>& stream, const uint8_t key[16]);

class TEncrypt {
public:
    TEncrypt();
    TEncrypt(const TEncrypt&) = delete;
    TEncrypt& operator=(const TEncrypt&) = delete;

    // Enciphers `buf` in place and returns its new length.
    int32_t Encrypt(std::vector<uint8_t>& buf);
    // Deciphers `buf` in place and returns the plaintext length; throws
    // EEncryptError as TeaDecryptStream does (buf unchanged then).
    int32_t Decrypt(std::vector<uint8_t>& buf);

private:
    std::mutex lock_;
    std::string key_;
    std::vector<uint8_t> work_; // guarded by lock_
};

// The process-wide cipher. Start-up code calls CreateGlobalEncrypt() before
// any window or endpoint exists and FreeGlobalEncrypt() at shut-down; tests
// that need the global do the same (or use their own TEncrypt). Both are
// idempotent. Between them GlobalEncrypt points at the one instance.
extern TEncrypt* GlobalEncrypt;
void CreateGlobalEncrypt();
void FreeGlobalEncrypt();

} // namespace kel
