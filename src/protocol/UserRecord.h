#pragma once
// TUserInfoUserMng: the 96-byte user record as it travels in room messages
// and as the user directory keeps it.
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {

struct TUserInfoUserMng {
    static constexpr size_t kLength = 96;

    int32_t UserID = 0;
    std::string NickName;      // string[30]
    int16_t HeadIndex = 0;
    uint8_t MicState = 0;      // TInMicType
    int32_t MicTimeUsed = 0;   // ms
    int32_t MicTimeLimit = 0;  // ms; -1 or 0 = no limit
    int16_t UserType = 0;      // 1 guest, 2 registered, higher member classes
    int16_t ManagerLevel = 0;  // 0 none, 3 temporary manager
    std::string TitleText;     // string[10]
    std::string LevelName;     // string[10]
    int32_t NickColor = 0;     // red in the low byte, then green, then blue
    uint8_t SortRank = 0;
    int16_t MicOrder = -1;
    int32_t RightLevel = 0;
    int32_t MicRight = 0;
    uint8_t IdleMicImage = 0;
    uint8_t Hidden = 0;
    uint8_t ChatForbidden = 0;

    // Appends exactly 96 bytes.
    void Write(WireWriter& w) const;
    // Reads 96 bytes from the reader's position; false if they are not there.
    bool Read(WireReader& r);
};

} // namespace kel
