#pragma once
// What happens before the first window: the launch mode from the command
// line, and the application's global objects, made in a fixed order and
// freed in the reverse order. Nothing here draws; the Qt entry calls it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ServerList.h"

namespace kel {

inline constexpr const char* kAppTitle = "聊天室";
// Key texts shared with the outside launcher.
inline constexpr std::string_view kLaunchUserKey = "pelimordanux";
inline constexpr std::string_view kLaunchPwdKey = "tirvek";

enum class TLaunchMode {
    Login = 1,     // no arguments, or not exactly two: the login window first
    Launcher = 2,  // two enciphered arguments: straight to the room hall
};

struct TLaunchArgs {
    TLaunchMode mode = TLaunchMode::Login;
    int32_t user_id = 0;     // launcher mode: 0 (a guest) when it is no number
    std::string pwd_digest;  // launcher mode: at most 32 characters
    // Launcher mode only: set when an argument cannot be deciphered. The
    // program then ends with this message rather than run on garbage.
    std::string error;
};

// `args` are the command-line arguments without the program name.
TLaunchArgs ParseLaunchArgs(const std::vector<std::string>& args);

// The message the program ends with when the launcher's arguments are bad.
std::string LaunchFailureText(const std::string& reason);

// The global objects of the application, in this order: the diagnostic
// log, the socket layer, GlobalEncrypt, GlobalChatCFG (loaded at once,
// with the server list), the skin selector GlobalSetSkin (which applies the
// remembered skin) and GlobalRightQuery. The destructor frees them in the
// reverse order. One instance at a time.
class TAppGlobals {
public:
    struct TOptions {
        std::string app_folder;   // empty: the executable's folder
        THostResolver resolve;    // empty: the platform's host look-up
        // Told the name of each step as it is made ("+name") and freed ("-name").
        std::function<void(const std::string&)> on_step;
    };

    explicit TAppGlobals(TOptions options);
    ~TAppGlobals();
    TAppGlobals(const TAppGlobals&) = delete;
    TAppGlobals& operator=(const TAppGlobals&) = delete;

private:
    void Step(const std::string& name);
    TOptions options_;
};

} // namespace kel
