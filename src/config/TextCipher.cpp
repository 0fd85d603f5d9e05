#include "config/TextCipher.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <openssl/evp.h>

namespace kel {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void MakeKey(std::string_view key_text, uint8_t key[16])
{
    std::memset(key, 0, 16);
    if (!key_text.empty()) std::memcpy(key, key_text.data(), key_text.size() < 16 ? key_text.size() : 16);
}

// Runs AES-128-ECB without padding over whole blocks; false on any error.
bool RunAes(bool encrypt, const uint8_t key[16], const uint8_t* in, size_t len, uint8_t* out)
{
    if (len == 0) return true;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx) return false;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1) return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    int n = 0, tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out, &n, in, static_cast<int>(len)) != 1) return false;
    if (EVP_CipherFinal_ex(ctx.get(), out + n, &tail) != 1) return false;
    return static_cast<size_t>(n + tail) == len;
}

} // namespace

std::string DecryptString(std::string_view hex_text, std::string_view key_text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(hex_text.size() / 2 + 1);
    for (size_t i = 0; i < hex_text.size(); i += 2) {
        int hi = HexValue(hex_text[i]);
        if (hi < 0) throw EDecryptError();
        if (i + 1 == hex_text.size()) {
            bytes.push_back(static_cast<uint8_t>(hi));
            break;
        }
        int lo = HexValue(hex_text[i + 1]);
        if (lo < 0) throw EDecryptError();
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    if (bytes.size() < 8 || (bytes.size() - 8) % 16 != 0) throw EDecryptError();

    uint8_t key[16];
    MakeKey(key_text, key);
    std::string plain(bytes.size() - 8, '\0');
    if (!RunAes(false, key, bytes.data() + 8, plain.size(), reinterpret_cast<uint8_t*>(plain.data())))
        throw EDecryptError();
    return plain;
}

std::string EncryptString(std::string_view plain, std::string_view key_text)
{
    size_t padded = (plain.size() + 15) / 16 * 16;
    std::vector<uint8_t> block(plain.begin(), plain.end());
    block.resize(padded, 0);
    std::vector<uint8_t> out(8 + padded, 0);
    uint64_t len = plain.size();
    for (int i = 0; i < 8; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(len >> (8 * i));
    uint8_t key[16];
    MakeKey(key_text, key);
    if (!RunAes(true, key, block.data(), padded, out.data() + 8)) return {};

    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(out.size() * 2);
    for (uint8_t b : out) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::string UpToFirstZero(std::string_view text)
{
    size_t z = text.find('\0');
    return std::string(z == std::string_view::npos ? text : text.substr(0, z));
}

} // namespace kel
