#pragma once
// What each kind of user may do: the hall rights word, the room action
// rights and the mic rights the server hands out (bit n = right n; mic
// rights bit k-1 = mic state k).
#include <cstdint>

#include "Storage.h"

namespace kel::server {

namespace right {
inline constexpr int kSeveralRooms = 0;
inline constexpr int kRoomSettings = 1;
inline constexpr int kRoomNotices = 2;
inline constexpr int kTempManagers = 3;
inline constexpr int kManagers = 4;
inline constexpr int kHidden = 5;
inline constexpr int kExchangeGifts = 7;
inline constexpr int kBlackList = 8;
inline constexpr int kSeeHidden = 9;
inline constexpr int kKick = 10;
inline constexpr int kHoldMic = 11;
inline constexpr int kForbidChat = 12;
inline constexpr int kSeeAddress = 15;
inline constexpr int kMicTime = 16;
} // namespace right

constexpr int32_t Bit(int n) { return int32_t{1} << n; }

inline constexpr int32_t kTempManagerRights = Bit(right::kKick) | Bit(right::kHoldMic) | Bit(right::kForbidChat);
inline constexpr int32_t kManagerRights = kTempManagerRights | Bit(right::kRoomNotices) | Bit(right::kTempManagers) |
                                          Bit(right::kBlackList) | Bit(right::kSeeHidden) | Bit(right::kSeeAddress) |
                                          Bit(right::kMicTime);
inline constexpr int32_t kOwnerRights = kManagerRights | Bit(right::kRoomSettings) | Bit(right::kManagers);

// The hall rights word of a stored user; members may be in several rooms.
inline int32_t HallRights(const UserRow& u) {
    int32_t r = u.Rights;
    if (u.Type >= kMemberVip) r |= Bit(right::kSeveralRooms);
    return r;
}

// Action rights in a room for a user of `type` with the hall rights word
// `hall` and the room's manager level.
inline int32_t RoomRights(int16_t type, int32_t hall, int16_t manager_level) {
    int32_t r = hall;
    if (type >= kMemberVip) r |= Bit(right::kExchangeGifts);
    if (type == kStaff || manager_level == kRoomOwner) r |= kOwnerRights;
    else if (manager_level == kRoomManager) r |= kManagerRights;
    else if (manager_level == kTempManager) r |= kTempManagerRights;
    return r;
}

// Guests may only queue for a mic; registered users every state but the
// paid private mic; members and managers all six.
inline int32_t MicRights(int16_t type, int16_t manager_level) {
    if (type >= kMemberVip || manager_level != kNoManager) return 0x3f;
    if (type == kRegistered) return 0x2f;
    return 0x20;
}

} // namespace kel::server
