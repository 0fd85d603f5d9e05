#pragma once
// The mic state enumeration, the 21-byte mic entry and the two room-wide mic
// lists: 8000 (current mic states) and 8011 (the mic queue).
#include <cstdint>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"

namespace kel {

// One byte on the wire, in every mic message.
enum class TInMicType : uint8_t {
    mt_NotInMic = 0,
    mt_PubMic = 1,
    mt_AllPriMic = 2,
    mt_FriPriMic = 3,
    mt_ChePriMic = 4,
    mt_ChaPriMic = 5,
    mt_SetterMic = 6,
};

struct TMicEntry {
    static constexpr size_t kLength = 21;

    int32_t UserID = 0;
    int16_t Slot = -1;          // public mic 0..2; negative = no public mic
    uint8_t State = 0;          // TInMicType
    uint32_t MediaIp = 0;       // network byte order
    uint16_t MediaPort = 0;
    int32_t MicTimeUsed = 0;    // ms
    int32_t MicTimeLimit = 0;   // ms

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8000: 16 int32 count; 20 count mic entries.
struct MicStateList {
    static constexpr int32_t kCode = cmd::kMicStateList;
    std::vector<TMicEntry> Entries;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8011: 16 int32 count; 20 count pairs {int32 user number, int32 unused}, in
// queue order.
struct MicQueueList {
    static constexpr int32_t kCode = cmd::kMicQueueList;
    std::vector<int32_t> UserIDs;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
