#pragma once
// TRoomInfo: the 1456-byte room record handed out with room entry and kept
// by the room window. Only the named fields travel; every other byte of the
// record is zero.
#include <array>
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {

struct TRoomInfo {
    static constexpr size_t kLength = 1456;

    int32_t RoomID = 0;
    std::string RoomName;            // string[50]
    int16_t RoomKind = 0;            // 0 ordinary, 1 VIP, 9 host room, 8 partner room
    int32_t OwnerID = 0;             // 0 = none
    std::array<int32_t, 3> ViceOwners{};
    uint8_t NeedPassword = 0;        // 1 = entering needs the password
    std::string Password;            // string[20]
    int16_t ServerGroup = 1;         // 1..3: which room port
    std::string ShortText;           // string[4]
    std::string Description;         // string[100]
    int16_t MicCount = 3;
    int16_t MaxUsers = 0;
    int16_t MinUserClass = 0;        // lowest user class that may enter
    int16_t MinBalance = 0;          // lowest balance needed to enter
    int32_t GiftPacingMs = 0;
    int32_t GiftPacingStep = 0;
    int16_t PublicChatBar = 0;       // 0 open, 1 no guests, 2+ no registered users either
    int16_t PrivateChatBar = 0;
    int16_t NoRegisteredOnMic = 0;   // 1 = registered users may not take a public mic
    uint8_t AutoQueueOff = 0;        // 0 = the automatic mic queue is on
    uint8_t AutoQueueMic = 0;
    int32_t AutoQueueMinutes = 0;
    std::array<std::string, 4> LinkCaptions;  // string[12] at 272, 285, 298, 311
    std::array<std::string, 4> LinkTargets;   // string[100] at 324, 425, 526, 627
    std::array<std::string, 3> WelcomeTexts;  // string[200] at 728, 929, 1130
    int32_t RegisteredChatWaitS = 0;
    std::string WelcomeStyle;        // string[100], CSS declarations
    uint8_t GiftSwitch = 0;

    // Appends exactly 1456 bytes.
    void Write(WireWriter& w) const;
    // Reads 1456 bytes from the reader's position; false if they are not there.
    bool Read(WireReader& r);
};

} // namespace kel
