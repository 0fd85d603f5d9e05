#include "protocol/RoomEntryMessages.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void RoomEntryRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).StrN(NickName, 30).I32(RoomID);
    w.PadTo(63).StrN(PasswordDigest, 32).StrN(RoomPassword, 20);
    w.U8(HasCamera).U8(LinkOption);
}

bool RoomEntryRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    NickName = r.StrN(30);
    RoomID = r.I32();
    r.Seek(63);
    PasswordDigest = r.StrN(32);
    RoomPassword = r.StrN(20);
    HasCamera = r.U8();
    LinkOption = r.U8();
    return r.Ok();
}

void RoomEntryAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).I32(UpgradeRoomID).I32(RoomTicket).StrN(ErrorText, 42);
    w.I16(UserType).I16(ManagerLevel).I32(MicRight).I32(RightLevel);
    Room.Write(w);
    w.I32(Extra);
}

bool RoomEntryAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    UpgradeRoomID = r.I32();
    RoomTicket = r.I32();
    ErrorText = r.StrN(42);
    UserType = r.I16();
    ManagerLevel = r.I16();
    MicRight = r.I32();
    RightLevel = r.I32();
    if (!Room.Read(r)) return false;
    Extra = r.I32();
    return r.Ok();
}

} // namespace kel
