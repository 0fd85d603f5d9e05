#include "foundation/WireReader.h"

#include <cstring>

#include "foundation/Gbk.h"

namespace kel {

bool WireReader::Take(size_t n) {
    // Written as a subtraction so that a huge n cannot overflow the check.
    if (!ok_ || n > len_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t WireReader::U8() {
    if (!Take(1)) return 0;
    return p_[pos_++];
}

uint16_t WireReader::U16() {
    if (!Take(2)) return 0;
    uint16_t v = static_cast<uint16_t>(p_[pos_] | (p_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t WireReader::U32() {
    if (!Take(4)) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p_[pos_ + i];
    pos_ += 4;
    return v;
}

uint64_t WireReader::U64() {
    if (!Take(8)) return 0;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p_[pos_ + i];
    pos_ += 8;
    return v;
}

double WireReader::F64() {
    uint64_t bits = U64();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string WireReader::StrN(size_t n) {
    if (!ok_ || pos_ >= len_) {
        ok_ = false;
        return {};
    }
    size_t k = p_[pos_];
    if (k > n) k = n;
    size_t present = len_ - pos_ - 1;
    if (k > present) k = present;
    std::string text = GbkToUtf8(std::string_view(reinterpret_cast<const char*>(p_ + pos_ + 1), k));
    if (1 + n > len_ - pos_) {
        ok_ = false;
        pos_ = len_;
    } else {
        pos_ += 1 + n;
    }
    return text;
}

std::string WireReader::Fixed(size_t n) {
    auto b = Bytes(n);
    const char* c = reinterpret_cast<const char*>(b.data());
    size_t k = 0;
    while (k < b.size() && c[k] != 0) ++k;
    return std::string(c, k);
}

std::span<const uint8_t> WireReader::Bytes(size_t n) {
    if (!Take(n)) return {};
    auto s = std::span<const uint8_t>(p_ + pos_, n);
    pos_ += n;
    return s;
}

void WireReader::Skip(size_t n) {
    if (Take(n)) pos_ += n;
}

void WireReader::Seek(size_t offset) {
    if (!ok_ || offset > len_) {
        ok_ = false;
        return;
    }
    pos_ = offset;
}

} // namespace kel
