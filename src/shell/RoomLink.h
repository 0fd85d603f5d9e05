#pragma once
// Room links of the hall page: "kelroomid:" followed by the room id, a
// comma and the link option, each a decimal number (0 when it is not one).
// The address is split at its first comma; without one, the room id is
// empty and so 0, and the link is not followed.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kel {

struct TRoomLink {
    int32_t room_id = 0;
    int32_t option = 0;
};

// Nothing when the address is not a room link (its first 10 characters are
// not "kelroomid:").
std::optional<TRoomLink> ParseRoomLink(std::string_view address);

} // namespace kel
