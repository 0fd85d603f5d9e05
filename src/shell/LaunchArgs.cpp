#include "shell/LaunchArgs.h"

#include "config/TextCipher.h"
#include "shell/LoginRules.h"

namespace kel {

TLaunchUser DecodeLaunchArguments(const std::string& user_arg, const std::string& password_arg) {
    TLaunchUser u;
    const std::string user = UpToFirstZero(DecryptString(TrimText(user_arg), kLaunchUserKey));
    u.user_id = ParseUserNumber(user).value_or(0);
    u.digest = UpToFirstZero(DecryptString(password_arg, kLaunchPasswordKey)).substr(0, 32);
    return u;
}

} // namespace kel
