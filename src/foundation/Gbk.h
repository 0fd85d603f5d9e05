#pragma once
// Text inside the program is UTF-8; the wire and the binary data files carry
// GBK. These conversions never cut a double-byte character in half and never
// fail: a character GBK cannot hold becomes '?', and malformed input bytes
// are replaced by '?' (a lone lead byte at the very end is dropped).
#include <cstddef>
#include <string>
#include <string_view>

namespace kel {

// GBK bytes to UTF-8.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK, at most `max_bytes` long, cut on a character boundary.
std::string Utf8ToGbk(std::string_view utf8, size_t max_bytes = static_cast<size_t>(-1));

// Length of the longest prefix of `gbk` of at most `max_bytes` bytes that
// ends on a character boundary.
size_t GbkBoundary(std::string_view gbk, size_t max_bytes);

// Length of the longest prefix of `utf8` of at most `max_bytes` bytes that
// ends on a code-point boundary.
size_t Utf8Boundary(std::string_view utf8, size_t max_bytes);

} // namespace kel
