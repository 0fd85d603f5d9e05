#pragma once
// The texts the room window builds from what the room server sends: the
// welcome lines, the registered users' wait notice, the restart notice, the
// answers to the IP query and the entry notices. Everything that came from
// the network is escaped (or reduced to a safe set) before it goes into
// HTML; only the markup written here and in the level catalogue stays.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/RoomInfo.h"
#include "protocol/UserRecord.h"

namespace kel {

class TkelTypeCFG;

// A name that may be used as a file name inside a folder of ours: not
// empty, no path separator, no "..", no control character.
bool IsPlainFileName(const std::string& name);

// CSS declarations from the room record, reduced to what cannot leave the
// style attribute: quotes, angle brackets, ampersands and backslashes are
// dropped.
std::string SafeStyleText(const std::string& style);

// The private-screen HTML of each non-blank welcome text, in record order.
std::vector<std::string> WelcomeLines(const TRoomInfo& room);

// The wait notice for a registered user without manager level when the
// room makes registered users wait; nullopt otherwise.
std::optional<std::string> RegisteredWaitNotice(int32_t user_type, int32_t manager_level, int32_t wait_s);

// "由于<reason>," (when there is a reason) + "10分钟之后房间重启！".
std::string RoomRestartText(const std::string& reason);

// The line for an IP answer; empty for an unknown result.
std::string AddressAnswerText(int32_t status, int32_t user_id, uint32_t ip_net, const std::string& location);

// What an entry notice shows.
struct TEntryNotice {
    enum Kind { kNone, kPlainLine, kOwnWelcome, kPublicHtml } What = kNone;
    std::string Text; // the own welcome text (plain) or the public HTML (with <BR>)
};

// The entry notice of a user: `announce` for 8041, false for the list form
// of 20121. `app_path` ends with '/'.
TEntryNotice MakeEntryNotice(const TUserInfoUserMng& user, bool announce, bool is_self,
                             const TkelTypeCFG* levels, const std::string& app_path);

} // namespace kel
