#include "config/ScramblePassword.h"

#include <cstdint>

namespace kel {
namespace {

constexpr uint8_t kKey[3] = {0x6B, 0x3D, 0xA5};

uint8_t KeyByte(size_t i) { return kKey[(i + 1) % 3]; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string ScramblePassword(std::string_view plain)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(plain.size() * 2);
    for (size_t i = 0; i < plain.size(); ++i) {
        uint8_t b = static_cast<uint8_t>(plain[i]) ^ KeyByte(i);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string UnscramblePassword(std::string_view stored)
{
    std::string plain;
    size_t i = 0;
    while (i < stored.size()) {
        int hi = HexValue(stored[i]);
        if (hi < 0) {
            ++i;
            continue;
        }
        int lo = i + 1 < stored.size() ? HexValue(stored[i + 1]) : -1;
        uint8_t b = static_cast<uint8_t>(lo < 0 ? hi : hi * 16 + lo);
        plain += static_cast<char>(b ^ KeyByte(plain.size()));
        i += 2;
    }
    size_t begin = 0, end = plain.size();
    while (begin < end && static_cast<uint8_t>(plain[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<uint8_t>(plain[end - 1]) <= ' ') --end;
    return plain.substr(begin, end - begin);
}

} // namespace kel
