#include "shell/RoomLink.h"

#include "shell/LoginRules.h"

namespace kel {

std::optional<TRoomLink> ParseRoomLink(std::string_view address) {
    constexpr std::string_view kScheme = "kelroomid:";
    if (address.size() < kScheme.size()) return std::nullopt;
    // The web view lower-cases schemes; the hall page may not.
    for (size_t i = 0; i < kScheme.size(); ++i) {
        char c = address[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != kScheme[i]) return std::nullopt;
    }
    const std::string_view rest = address.substr(kScheme.size());
    TRoomLink link;
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return link;
    link.room_id = ParseUserNumber(rest.substr(0, comma)).value_or(0);
    link.option = ParseUserNumber(rest.substr(comma + 1)).value_or(0);
    return link;
}

} // namespace kel
