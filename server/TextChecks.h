#pragma once
// Checks the server makes on texts that clients send.
#include <string>
#include <string_view>

namespace kel::server {

// 32 hexadecimal digits; returns them in lower case, or empty when the
// text is not a digest.
std::string NormalDigest(std::string_view text);

// A nickname as the community stores it: "<" and ">" removed, cut at the
// first line break, blanks trimmed.
std::string StoredNickname(std::string_view text);

} // namespace kel::server
