#pragma once
// The 152-byte gift event record (giver, receiver, gift, count, name, time,
// kind, message) carried by the enter-room answer and the gift broadcasts.
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {

struct TGiftEvent {
    static constexpr size_t kLength = 152;

    int32_t GiverID = 0;
    std::string GiverNick;     // string[30]
    int32_t ReceiverID = 0;
    std::string ReceiverNick;  // string[30]
    int32_t GiftID = 0;
    int32_t Count = 0;
    std::string GiftName;      // string[15]
    double Time = 0;           // days since 1899-12-30, fraction = time of day
    int16_t Kind = 0;          // kind 7 is never listed in the room banner
    std::string Message;       // string[45]

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
