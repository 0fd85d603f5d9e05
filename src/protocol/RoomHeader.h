#pragma once
// The 26-byte header that opens the room window's requests: signature, code,
// own user number, room number, room ticket, and the echo pair refreshed by
// the enter-room and keep-alive answers.
#include <cstdint>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {

struct RoomRequestHeader {
    static constexpr size_t kLength = 26;
    int32_t UserID = 0;
    int32_t RoomID = 0;
    int32_t RoomTicket = 0;
    int32_t EchoValue = 0;
    int16_t EchoWord = 0;

    bool operator==(const RoomRequestHeader&) const = default;

    // Writes the 26 bytes (signature and `code` included) at the start.
    void Write(WireWriter& w, int32_t code) const;
    // Reads the header of a message of at least `min_len` bytes carrying `code`.
    bool Read(WireReader& r, int32_t code, size_t min_len);
};

} // namespace kel
