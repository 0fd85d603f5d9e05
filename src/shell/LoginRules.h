#pragma once
// The decisions of the login window, the registration window and the
// self-information dialog that do not need a display: checking what was
// typed, the one way a password is trimmed and digested, and deleting a
// user's local data.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// Blanks and control characters off both ends, as the platform's Trim does.
std::string TrimText(std::string_view s);

// The digest every window sends for a typed password: the lower-case
// hexadecimal MD5 of the trimmed text. One rule for login, registration and
// the self-information change, so a password typed with blanks at its ends
// still logs in after it was registered or changed.
std::string PasswordDigest(std::string_view typed);

// A user number as the platform's StrToInt reads it: optional sign and
// decimal digits, nothing else, within int32. "00012" is 12.
std::optional<int32_t> ParseUserNumber(std::string_view text);

// Keys that reach the user-number field: digits and backspace.
bool UserIdKeyAllowed(char32_t key);

struct TLoginCheck {
    bool ok = false;
    std::string message;       // shown when not ok
    bool clear_fields = false; // clear both fields and focus the number field
    int32_t user_id = 0;
    std::string password;      // the trimmed password text
    std::string digest;
};
// btnLoginClick's checks and results.
TLoginCheck CheckLogin(std::string_view user_text, std::string_view password_text);

struct TSelfInfoCheck {
    bool ok = false;
    std::string message;
    std::string new_digest; // empty: the password stays
};
// TfrmSelfInfo's btnEnter: an empty old password changes the nickname only.
TSelfInfoCheck CheckSelfInfo(std::string_view old_pwd, std::string_view new_pwd, std::string_view new_pwd2,
                             const std::string& own_digest);

// "删除用户": removes the regular files of the user folder of the number in
// `user_text` and then the folder, and the number from LoginInfo.dat
// (keys "0".."9", first value equal after trimming). Only a valid,
// non-negative user number names a folder; the path is built from the
// number, never from the text, and nothing is followed through a symbolic
// link. Returns whether the text was a user number at all.
bool DeleteLocalUser(const std::string& app_folder, std::string_view user_text);

} // namespace kel
