#pragma once
// The room conversation's presence messages: enter (20013) and its answer
// 20111, keep-alive (10021, answered by KeepAliveAnswer), leave (20015), the
// user lists 20121/20123, the mic states of listed users 20122, and the entry
// and leave announcements 8041, 20016, 8016, 20017.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/GiftEvent.h"
#include "protocol/HallMessages.h"
#include "protocol/MicMessages.h"
#include "protocol/RoomHeader.h"
#include "protocol/UserRecord.h"

namespace kel {

// 20013, 72 bytes: header bytes 0..19, 20..25 zero, 26 string[12] machine
// identity text.
struct EnterRoomRequest {
    static constexpr int32_t kCode = cmd::kEnterRoom;
    static constexpr size_t kLength = 72;
    int32_t UserID = 0;
    int32_t RoomID = 0;
    int32_t RoomTicket = 0;
    std::string MachineId;   // 12 hex digits or empty

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10021 of the room, 32 bytes: the header, 26..31 zero.
struct RoomKeepAlive {
    static constexpr int32_t kCode = cmd::kKeepAlive;
    static constexpr size_t kLength = 32;
    RoomRequestHeader Head;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20015, the header only.
struct LeaveRoomRequest {
    static constexpr int32_t kCode = cmd::kLeaveRoom;
    static constexpr size_t kLength = 26;
    RoomRequestHeader Head;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20111: 20 echo value; 24 echo word; 26 int32 count N; 34 the room's
// latest gift; 186 N gift event records.
struct EnterRoomAnswer {
    static constexpr int32_t kCode = cmd::kEnterRoomAnswer;
    static constexpr size_t kFixedLength = 186;
    ConnectionPair Echo;
    TGiftEvent LatestGift;
    std::vector<TGiftEvent> LuxuryGifts;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20121 (with entry notices) and 20123 (without): 20 int32 count N; 24 N
// user records.
struct UserListMessage {
    static constexpr int32_t kCodeWithNotices = cmd::kUserListWithNotices;
    static constexpr int32_t kCodePlain = cmd::kUserList;
    int32_t Code = kCodeWithNotices;
    std::vector<TUserInfoUserMng> Users;

    void Write(WireWriter& w) const;
    // Accepts either code; Code tells which one came.
    bool Read(WireReader& r);
};

// 20122: 20 int32 count N; 24 N mic entries.
struct UserMicStates {
    static constexpr int32_t kCode = cmd::kUserListMicStates;
    std::vector<TMicEntry> Entries;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8041, 116 bytes: 8 int32 user number; 20 user record.
struct UserEnteredNotice {
    static constexpr int32_t kCode = cmd::kUserEntered;
    static constexpr size_t kLength = 116;
    int32_t UserID = 0;
    TUserInfoUserMng User;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20016, 120 bytes: 20 user record; 116 int32 user number.
struct UserEnteredPlain {
    static constexpr int32_t kCode = cmd::kUserEnteredNotice;
    static constexpr size_t kLength = 120;
    TUserInfoUserMng User;
    int32_t UserID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8016, 51 bytes: 8 int32 user number; 20 string[30] nickname.
struct UserLeftNotice {
    static constexpr int32_t kCode = cmd::kUserLeft;
    static constexpr size_t kLength = 51;
    int32_t UserID = 0;
    std::string NickName;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20017, 53 bytes: 16 int32 user number; 22 string[30] nickname.
struct UserLeftPlain {
    static constexpr int32_t kCode = cmd::kUserLeftNotice;
    static constexpr size_t kLength = 53;
    int32_t UserID = 0;
    std::string NickName;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
