#pragma once
// Builds expected wire bytes by hand, field by field at literal offsets taken
// from the layout tables, so that a test never checks a layout against the
// code that writes it.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace kel::test {

class Hand {
public:
    explicit Hand(size_t len) : b_(len, 0) {}

    Hand& u8(size_t off, uint8_t v) { At(off, 1)[0] = v; return *this; }
    Hand& i16(size_t off, int16_t v) { return le(off, static_cast<uint16_t>(v), 2); }
    Hand& i32(size_t off, int32_t v) { return le(off, static_cast<uint32_t>(v), 4); }
    Hand& u32(size_t off, uint32_t v) { return le(off, v, 4); }
    Hand& f64(size_t off, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        return le(off, bits, 8);
    }
    // string[n] at `off`: a length byte and the raw (already GBK) bytes.
    Hand& str(size_t off, std::string_view raw) {
        u8(off, static_cast<uint8_t>(raw.size()));
        std::memcpy(At(off + 1, raw.size()), raw.data(), raw.size());
        return *this;
    }
    Hand& raw(size_t off, std::string_view bytes) {
        std::memcpy(At(off, bytes.size()), bytes.data(), bytes.size());
        return *this;
    }
    // The signature 824156 and the command code.
    Hand& head(int32_t code) { return i32(0, 824156).i32(4, code); }

    const std::vector<uint8_t>& bytes() const { return b_; }
    operator const std::vector<uint8_t>&() const { return b_; }

private:
    uint8_t* At(size_t off, size_t n) {
        if (off + n > b_.size()) b_.resize(off + n, 0);
        return b_.data() + off;
    }
    Hand& le(size_t off, uint64_t v, size_t n) {
        uint8_t* p = At(off, n);
        for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
        return *this;
    }
    std::vector<uint8_t> b_;
};

} // namespace kel::test
