#pragma once
// The stored form of a remembered password: each byte combined with a
// fixed 3-byte key and written as two upper-case hexadecimal digits. It
// keeps a password from being read at a glance in the user's Config.ini;
// it is not a protection against anyone who has this program.
#include <string>
#include <string_view>

namespace kel {

std::string ScramblePassword(std::string_view plain);

// Reads the stored form back. Digits are taken in pairs from the left; a
// digit whose follower is no digit gives the byte of its own value and both
// characters are passed; any other character is skipped. The result is
// trimmed of blanks.
std::string UnscramblePassword(std::string_view stored);

} // namespace kel
