#pragma once
// What every message layout shares: the signature and command code that open
// each plaintext, the length check a reader makes before it reads a field,
// and Encode/Decode for a whole message.
//
// Layout convention: Write() produces the complete plaintext (signature,
// code, fields at their offsets, unnamed bytes zero, padded to the layout's
// length). Read() takes a reader positioned at the start of the plaintext,
// refuses a message shorter than its layout or with another code, and
// returns false when anything it needs is absent.
#include <cstdint>
#include <optional>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"

namespace kel {

void WriteMessageHead(WireWriter& w, int32_t code);

// Checks length and code; leaves the reader at offset 8.
bool ReadMessageHead(WireReader& r, int32_t code, size_t min_len);

// The command code at offset 4, or -1 when the message is shorter than 8.
int32_t MessageCode(const uint8_t* data, size_t len);

template <class T>
std::vector<uint8_t> Encode(const T& msg) {
    WireWriter w;
    msg.Write(w);
    return w.Take();
}

template <class T>
std::optional<T> Decode(const uint8_t* data, size_t len) {
    WireReader r(data, len);
    T msg;
    if (!msg.Read(r) || !r.Ok()) return std::nullopt;
    return msg;
}

template <class T>
std::optional<T> Decode(const std::vector<uint8_t>& buf) {
    return Decode<T>(buf.data(), buf.size());
}

// Reads a count field and checks that `count` records of `record_len` bytes
// fit into what follows `records_at`; a negative or oversized count fails.
bool CountFits(const WireReader& r, int32_t count, size_t records_at, size_t record_len);

} // namespace kel
