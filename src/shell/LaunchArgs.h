#pragma once
// The launcher mode of the Room program: started with exactly two
// arguments, the enciphered user number and password digest, it skips the
// login window.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel {

// Key texts shared with the outside launcher.
inline constexpr const char* kLaunchUserKey = "pelimordanux";
inline constexpr const char* kLaunchPasswordKey = "tirvek";

struct TLaunchUser {
    int32_t user_id = 0;      // 0 (a guest) when the text is no number
    std::string digest;       // at most 32 characters
};

// Whether the arguments (without the program name) ask for launcher mode.
inline bool IsLauncherMode(const std::vector<std::string>& args) { return args.size() == 2; }

// Deciphers the two arguments; throws EDecryptError (the system's message)
// when either is not a valid enciphered text.
TLaunchUser DecodeLaunchArguments(const std::string& user_arg, const std::string& password_arg);

} // namespace kel
