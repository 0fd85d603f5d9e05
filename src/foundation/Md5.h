#pragma once
// The MD5 digest (RFC 1321) of a text's bytes as 32 lower-case hexadecimal
// digits: the password digest of login, registration and the profile dialog.
#include <string>
#include <string_view>

namespace kel {

std::string Md5Hex(std::string_view data);

} // namespace kel
