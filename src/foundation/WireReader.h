#pragma once
// The one bounds-checked reader for everything that comes off the network or
// out of a binary file. A read past the end yields zero (or an empty text),
// reads nothing and clears the sticky Ok() flag; the caller checks Ok() once
// after reading the fields it needs and drops the message if it is false.
#include <cstdint>
#include <span>
#include <string>

namespace kel {

class WireReader {
public:
    WireReader(const void* data, size_t len) : p_(static_cast<const uint8_t*>(data)), len_(len) {}
    explicit WireReader(std::span<const uint8_t> s) : p_(s.data()), len_(s.size()) {}

    uint8_t U8();
    int8_t I8() { return static_cast<int8_t>(U8()); }
    uint16_t U16();
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64();
    int64_t I64() { return static_cast<int64_t>(U64()); }
    double F64();

    // string[n]: a length byte, then n bytes of GBK. The length is clamped
    // to n and to the bytes present; the text comes back as UTF-8. The field
    // occupies 1 + n bytes; if they are not all present the reader fails.
    std::string StrN(size_t n);
    // A fixed field of n raw bytes, cut at the first zero byte.
    std::string Fixed(size_t n);
    // n raw bytes; an empty span (and failure) when fewer remain.
    std::span<const uint8_t> Bytes(size_t n);

    void Skip(size_t n);
    // Moves to an absolute offset; past the end it fails.
    void Seek(size_t offset);

    size_t Pos() const { return pos_; }
    size_t Size() const { return len_; }
    size_t Remaining() const { return len_ - pos_; }
    // Whether `n` more bytes are present, without consuming or failing.
    bool Has(size_t n) const { return n <= len_ - pos_; }
    bool Ok() const { return ok_; }

private:
    bool Take(size_t n);
    const uint8_t* p_;
    size_t len_;
    size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace kel
