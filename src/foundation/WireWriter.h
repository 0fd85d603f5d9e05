#pragma once
// The one little-endian writer for every wire layout and binary record.
// Fields are appended in order; PadTo() fills the gap up to a layout's next
// offset with zero bytes (bytes a layout does not name are sent as zero).
#include <cstdint>
#include <string_view>
#include <vector>

namespace kel {

class WireWriter {
public:
    WireWriter() = default;
    explicit WireWriter(size_t reserve) { buf_.reserve(reserve); }

    WireWriter& U8(uint8_t v);
    WireWriter& I8(int8_t v) { return U8(static_cast<uint8_t>(v)); }
    WireWriter& U16(uint16_t v);
    WireWriter& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    WireWriter& U32(uint32_t v);
    WireWriter& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    WireWriter& U64(uint64_t v);
    WireWriter& I64(int64_t v) { return U64(static_cast<uint64_t>(v)); }
    WireWriter& F64(double v);
    WireWriter& Bytes(const void* data, size_t len);
    WireWriter& Zeros(size_t n);

    // string[n]: a length byte and n bytes of GBK. The UTF-8 text is
    // converted and cut to at most n bytes without splitting a character.
    WireWriter& StrN(std::string_view utf8, size_t n);
    // A fixed field of n bytes holding raw bytes (ASCII digests, codes),
    // zero-padded and cut to n.
    WireWriter& Fixed(std::string_view raw, size_t n);

    // Zero-fills up to `offset`; never moves backwards.
    WireWriter& PadTo(size_t offset);
    // Overwrites an already written int32 at `offset` (lengths, counts).
    void PatchI32(size_t offset, int32_t v);

    size_t Size() const { return buf_.size(); }
    const std::vector<uint8_t>& Data() const { return buf_; }
    std::vector<uint8_t> Take() { return std::move(buf_); }

private:
    std::vector<uint8_t> buf_;
};

} // namespace kel
