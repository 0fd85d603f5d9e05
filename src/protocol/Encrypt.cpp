#include "protocol/Encrypt.h"

#include <cstring>
#include <limits>

#include "protocol/Tea.h"

namespace kel {

namespace {

constexpr size_t kBlock = 8;
constexpr size_t kLengthField = 4;

[[noreturn]] void InvalidSize() { throw EEncryptError("Invalid data size!"); }

const uint8_t* KeyBytes(const std::string& key) { return reinterpret_cast<const uint8_t*>(key.data()); }

} // namespace

void TeaEncryptStream(std::vector<uint8_t>& stream, const uint8_t key[16]) {
    const size_t n = stream.size();
    // The trailing length is an int32; leave room for the padding as well.
    if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - kBlock)
        InvalidSize();
    const size_t padded = (n + kBlock - 1) / kBlock * kBlock;
    stream.resize(padded + kLengthField, 0);
    TeaEncryptBlocks(stream.data(), padded / kBlock, key);
    const uint32_t len = static_cast<uint32_t>(n);
    for (size_t i = 0; i < kLengthField; ++i)
        stream[padded + i] = static_cast<uint8_t>(len >> (8 * i));
}

void TeaDecryptStream(std::vector<uint8_t>& stream, const uint8_t key[16]) {
    if (stream.size() < kLengthField)
        InvalidSize();
    const size_t blocks = stream.size() - kLengthField;
    if (blocks % kBlock != 0)
        InvalidSize();
    uint32_t raw = 0;
    for (size_t i = 0; i < kLengthField; ++i)
        raw |= static_cast<uint32_t>(stream[blocks + i]) << (8 * i);
    const int32_t n = static_cast<int32_t>(raw);
    // A hostile length must not make us keep bytes that were never
    // deciphered, nor read or write past the blocks.
    if (n < 0 || static_cast<size_t>(n) > blocks)
        InvalidSize();
    TeaDecryptBlocks(stream.data(), blocks / kBlock, key);
    stream.resize(static_cast<size_t>(n));
}

TEncrypt::TEncrypt() : key_(kCipherKeyText) {}

int32_t TEncrypt::Encrypt(std::vector<uint8_t>& buf) {
    std::lock_guard<std::mutex> guard(lock_);
    work_.assign(buf.begin(), buf.end());
    TeaEncryptStream(work_, KeyBytes(key_));
    buf.assign(work_.begin(), work_.end());
    return static_cast<int32_t>(buf.size());
}

int32_t TEncrypt::Decrypt(std::vector<uint8_t>& buf) {
    std::lock_guard<std::mutex> guard(lock_);
    work_.assign(buf.begin(), buf.end());
    TeaDecryptStream(work_, KeyBytes(key_));
    buf.assign(work_.begin(), work_.end());
    return static_cast<int32_t>(buf.size());
}

TEncrypt* GlobalEncrypt = nullptr;

void CreateGlobalEncrypt() {
    if (!GlobalEncrypt)
        GlobalEncrypt = new TEncrypt();
}

void FreeGlobalEncrypt() {
    delete GlobalEncrypt;
    GlobalEncrypt = nullptr;
}

} // namespace kel
