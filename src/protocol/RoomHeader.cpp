#include "protocol/RoomHeader.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void RoomRequestHeader::Write(WireWriter& w, int32_t code) const {
    WriteMessageHead(w, code);
    w.I32(UserID).I32(RoomID).I32(RoomTicket).I32(EchoValue).I16(EchoWord);
}

bool RoomRequestHeader::Read(WireReader& r, int32_t code, size_t min_len) {
    if (!ReadMessageHead(r, code, min_len < kLength ? kLength : min_len)) return false;
    UserID = r.I32();
    RoomID = r.I32();
    RoomTicket = r.I32();
    EchoValue = r.I32();
    EchoWord = r.I16();
    return r.Ok();
}

} // namespace kel
