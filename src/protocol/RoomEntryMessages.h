#pragma once
// Room entry, between the room hall and a room server: the request 20010 and
// the answer 20011 with the room ticket and the room record.
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/RoomInfo.h"

namespace kel {

// 20010, 119 bytes.
struct RoomEntryRequest {
    static constexpr int32_t kCode = cmd::kRoomEntry;
    static constexpr size_t kLength = 119;
    int32_t UserID = 0;          // 0 = guest
    std::string NickName;        // string[30]
    int32_t RoomID = 0;
    std::string PasswordDigest;  // string[32]
    std::string RoomPassword;    // string[20]
    uint8_t HasCamera = 0;
    uint8_t LinkOption = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// The refusals the hall tells apart by their text.
inline constexpr const char* kWrongRoomPasswordText = "房间密码错误";
inline constexpr const char* kLevelTooLowText = "您的等级不够进入该房间";

// 20011, 1535 bytes.
struct RoomEntryAnswer {
    static constexpr int32_t kCode = cmd::kRoomEntryAnswer;
    static constexpr size_t kLength = 1535;
    int32_t UserID = 0;          // the number the user has in the room (guests get one here)
    int32_t UpgradeRoomID = 0;   // room number for the upgrade page
    int32_t RoomTicket = 0;
    std::string ErrorText;       // string[42]; empty = entry granted
    int16_t UserType = 0;
    int16_t ManagerLevel = 0;
    int32_t MicRight = 0;
    int32_t RightLevel = 0;
    TRoomInfo Room;
    int32_t Extra = 0;           // handed on by the hall, not used by the room window

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
