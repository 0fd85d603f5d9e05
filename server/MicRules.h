#pragma once
// The rules the room server's mics share: the states, the rights bits, who
// ranks above whom, and why a state ended when another was taken.
#include <cstdint>

#include "Storage.h"
#include "protocol/UserRecord.h"

namespace kel::server {

namespace mic {

inline constexpr uint8_t kNotInMic = 0;
inline constexpr uint8_t kPubMic = 1;
inline constexpr uint8_t kQueued = 6;

inline bool IsPrivate(uint8_t s) { return s >= 2 && s <= 5; }

inline bool HasMicRight(int32_t mic_rights, uint8_t state) {
    return state >= 1 && state <= 6 && (static_cast<uint32_t>(mic_rights) >> (state - 1) & 1u) != 0;
}

inline bool HasRight(int32_t rights, int bit) { return (static_cast<uint32_t>(rights) >> bit & 1u) != 0; }

// Who may act on whom: staff above owners above managers above temporary
// managers above everybody else.
inline int Rank(const TUserInfoUserMng& u) {
    if (u.UserType == kStaff) return 4;
    switch (u.ManagerLevel) {
    case kRoomOwner: return 3;
    case kRoomManager: return 2;
    case kTempManager: return 1;
    default: return 0;
    }
}

// 9014 reasons: leaving `from` because of taking `to`.
inline int16_t SwitchReason(uint8_t from, uint8_t to) {
    if (from == kPubMic) return to == kQueued ? 5 : 9;
    if (IsPrivate(from)) return to == kQueued ? 6 : 8;
    if (from == kQueued) return to == kPubMic ? 11 : 10;
    return 0;
}

} // namespace mic

} // namespace kel::server
