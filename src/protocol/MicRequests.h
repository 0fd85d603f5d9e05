#pragma once
// The mic requests a room window sends, each behind the 26-byte room
// request header: asking for a mic state (30001), leaving the mic (30021),
// holding a user onto the public mic (30031) or off a mic (30011), adding
// mic time (30033) and a new queue order (30035). The server reads them
// with the same layouts.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/RoomHeader.h"

namespace kel {

// 30001, 31 bytes: header; 26 requested state; 27 int16 gift id; 29 int16
// gift count (both 0 except for the paid private mic).
struct MicRequest {
    static constexpr int32_t kCode = cmd::kAskMic;
    static constexpr size_t kLength = 31;
    RoomRequestHeader Head;
    uint8_t State = 0;  // TInMicType
    int16_t GiftID = 0;
    int16_t GiftCount = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30021, 26 bytes: the header alone.
struct LeaveMicRequest {
    static constexpr int32_t kCode = cmd::kLeaveMic;
    static constexpr size_t kLength = 26;
    RoomRequestHeader Head;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30031, 68 bytes: header; 26..32 zero; 33 string[30] own nick; 64 int32
// target.
struct HoldOnMicRequest {
    static constexpr int32_t kCode = cmd::kHoldMic;
    static constexpr size_t kLength = 68;
    RoomRequestHeader Head;
    std::string NickName;
    int32_t TargetID = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30011, 61 bytes: header; 26 string[30] own nick; 57 int32 target.
struct HoldOffMicRequest {
    static constexpr int32_t kCode = cmd::kReleaseHeldMic;
    static constexpr size_t kLength = 61;
    RoomRequestHeader Head;
    std::string NickName;
    int32_t TargetID = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30033, 62 bytes: header; 26 string[30] own nick; 57 int32 target; 61 zero.
struct AddMicTimeRequest {
    static constexpr int32_t kCode = cmd::kAddMicTime;
    static constexpr size_t kLength = 62;
    RoomRequestHeader Head;
    std::string NickName;
    int32_t TargetID = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30035, 60 + 4n bytes: header; 26 string[30] own nick; 57 zero; 58 int16
// n; 60 n int32 user numbers, the next to get a mic first.
struct MicOrderRequest {
    static constexpr int32_t kCode = cmd::kSetMicOrder;
    static constexpr size_t kFixedLength = 60;
    // The count is an int16; a longer list is cut when written.
    static constexpr size_t kMaxUsers = 32767;
    RoomRequestHeader Head;
    std::string NickName;
    std::vector<int32_t> UserIDs;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
