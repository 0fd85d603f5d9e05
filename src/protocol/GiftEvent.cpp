#include "protocol/GiftEvent.h"

namespace kel {

void TGiftEvent::Write(WireWriter& w) const {
    const size_t b = w.Size();
    w.I32(GiverID).StrN(GiverNick, 30);
    w.PadTo(b + 36).I32(ReceiverID).StrN(ReceiverNick, 30);
    w.PadTo(b + 72).I32(GiftID).I32(Count).StrN(GiftName, 15);
    w.F64(Time).I16(Kind).StrN(Message, 45);
    w.PadTo(b + kLength);
}

bool TGiftEvent::Read(WireReader& r) {
    if (!r.Has(kLength)) {
        r.Skip(kLength);
        return false;
    }
    const size_t b = r.Pos();
    GiverID = r.I32();
    GiverNick = r.StrN(30);
    r.Seek(b + 36);
    ReceiverID = r.I32();
    ReceiverNick = r.StrN(30);
    r.Seek(b + 72);
    GiftID = r.I32();
    Count = r.I32();
    GiftName = r.StrN(15);
    Time = r.F64();
    Kind = r.I16();
    Message = r.StrN(45);
    r.Seek(b + kLength);
    return r.Ok();
}

} // namespace kel
