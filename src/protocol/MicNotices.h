#pragma once
// What the room server sends about mics: the answers to the mic requests
// (30002 refusal, 11107 grant, 30012, 30032, 30034, 30036) and the
// broadcasts to the room (8033 a mic state changed, 9014 a user left a mic,
// 8034 mic time added, 8035 the queue reordered). Nick fields are string[30].
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"

namespace kel {

// 30002, 20 bytes: 8 int32 key the request was registered under; 16 int32
// refusal code (1..8).
struct MicRefused {
    static constexpr int32_t kCode = cmd::kAskMicAnswer;
    static constexpr size_t kLength = 20;
    int32_t Key = 0;
    int32_t Reason = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 11107, 43 bytes: 32 int32 key; 36 granted state; 37 int32 media relay
// address (network order); 41 int16 relay port.
struct MicGranted {
    static constexpr int32_t kCode = cmd::kMicGranted;
    static constexpr size_t kLength = 43;
    int32_t Key = 0;
    uint8_t State = 0;
    uint32_t MediaIp = 0;
    uint16_t MediaPort = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 30012 and 30032, 20 bytes: 16 int32 result code.
template <int32_t Code>
struct MicResultAt16 {
    static constexpr int32_t kCode = Code;
    static constexpr size_t kLength = 20;
    int32_t Result = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};
using HoldOffMicAnswer = MicResultAt16<cmd::kReleaseHeldMicAnswer>;
using HoldOnMicAnswer = MicResultAt16<cmd::kHoldMicAnswer>;

// A one-byte result at `Offset` (30034 at 61, 30036 at 57).
template <int32_t Code, size_t Offset>
struct MicResultByte {
    static constexpr int32_t kCode = Code;
    static constexpr size_t kLength = Offset + 1;
    uint8_t Result = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};
using AddMicTimeAnswer = MicResultByte<cmd::kAddMicTimeAnswer, 61>;
using MicOrderAnswer = MicResultByte<cmd::kSetMicOrderAnswer, 57>;

// 8033, 106 bytes: 8 subject; 16 subject nick; 47 operator (the subject
// when he changed his own state); 51 operator nick; 86 old state; 87 new
// state; 88 int16 public slot; 90 int32 relay address; 94 int16 relay port;
// 96 int32 MicTimeUsed; 100 int32 MicTimeLimit; 104 int16 MicOrder.
struct MicChanged {
    static constexpr int32_t kCode = cmd::kMicChanged;
    static constexpr size_t kLength = 106;
    int32_t UserID = 0;
    std::string NickName;
    int32_t OperatorID = 0;
    std::string OperatorNick;
    uint8_t OldState = 0;
    uint8_t NewState = 0;
    int16_t Slot = -1;
    uint32_t MediaIp = 0;
    uint16_t MediaPort = 0;
    int32_t MicTimeUsed = 0;
    int32_t MicTimeLimit = 0;
    int16_t MicOrder = -1;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 9014, 86 bytes: 8 operator (the subject for a plain leave, -2 taken off
// for entering again, -3 the system); 16 operator nick; 47 subject; 51
// subject nick; 82 int16 slot held (negative: none); 84 int16 reason.
struct MicDown {
    static constexpr int32_t kCode = cmd::kUserLeftMic;
    static constexpr size_t kLength = 86;
    static constexpr int32_t kReentered = -2;
    static constexpr int32_t kSystem = -3;
    int32_t OperatorID = 0;
    std::string OperatorNick;
    int32_t UserID = 0;
    std::string NickName;
    int16_t Slot = -1;
    int16_t Reason = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8034, 82 bytes: 8 subject (who got the time); 16 nick; 47 operator; 51
// operator nick.
struct MicTimeAdded {
    static constexpr int32_t kCode = cmd::kMicTimeAdded;
    static constexpr size_t kLength = 82;
    int32_t UserID = 0;
    std::string NickName;
    int32_t OperatorID = 0;
    std::string OperatorNick;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8035, 51 + 8n bytes: 8 operator; 16 int32 n; 20 operator nick; 51 n pairs
// {int32 user number, int32 unused}, in the new queue order.
struct MicQueueReordered {
    static constexpr int32_t kCode = cmd::kMicQueueReordered;
    static constexpr size_t kFixedLength = 51;
    int32_t OperatorID = 0;
    std::string OperatorNick;
    std::vector<int32_t> UserIDs;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
