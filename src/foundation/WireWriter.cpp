#include "foundation/WireWriter.h"

#include <cstring>
#include <stdexcept>

#include "foundation/Gbk.h"

namespace kel {

WireWriter& WireWriter::U8(uint8_t v) {
    buf_.push_back(v);
    return *this;
}

WireWriter& WireWriter::U16(uint16_t v) {
    buf_.push_back(static_cast<uint8_t>(v));
    buf_.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
}

WireWriter& WireWriter::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) buf_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

WireWriter& WireWriter::U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) buf_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

WireWriter& WireWriter::F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U64(bits);
}

WireWriter& WireWriter::Bytes(const void* data, size_t len) {
    const auto* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + len);
    return *this;
}

WireWriter& WireWriter::Zeros(size_t n) {
    buf_.insert(buf_.end(), n, 0);
    return *this;
}

WireWriter& WireWriter::StrN(std::string_view utf8, size_t n) {
    if (n > 255) throw std::invalid_argument("string[n] with n > 255");
    std::string gbk = Utf8ToGbk(utf8, n);
    U8(static_cast<uint8_t>(gbk.size()));
    Bytes(gbk.data(), gbk.size());
    return Zeros(n - gbk.size());
}

WireWriter& WireWriter::Fixed(std::string_view raw, size_t n) {
    size_t k = raw.size() < n ? raw.size() : n;
    Bytes(raw.data(), k);
    return Zeros(n - k);
}

WireWriter& WireWriter::PadTo(size_t offset) {
    if (buf_.size() < offset) buf_.resize(offset, 0);
    return *this;
}

void WireWriter::PatchI32(size_t offset, int32_t v) {
    if (offset + 4 > buf_.size()) throw std::out_of_range("PatchI32 beyond the written bytes");
    for (int i = 0; i < 4; ++i) buf_[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

} // namespace kel
