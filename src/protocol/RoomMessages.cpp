#include "protocol/RoomMessages.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void EnterRoomRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).I32(RoomID).I32(RoomTicket).PadTo(26).StrN(MachineId, 12).PadTo(kLength);
}

bool EnterRoomRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    RoomID = r.I32();
    RoomTicket = r.I32();
    r.Seek(26);
    MachineId = r.StrN(12);
    return r.Ok();
}

void RoomKeepAlive::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.PadTo(kLength);
}

bool RoomKeepAlive::Read(WireReader& r) {
    return Head.Read(r, kCode, kLength);
}

void LeaveRoomRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
}

bool LeaveRoomRequest::Read(WireReader& r) {
    return Head.Read(r, kCode, kLength);
}

void EnterRoomAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(Echo.A).I16(Echo.B).I32(static_cast<int32_t>(LuxuryGifts.size()));
    w.PadTo(34);
    LatestGift.Write(w);
    for (const auto& g : LuxuryGifts) g.Write(w);
}

bool EnterRoomAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kFixedLength)) return false;
    r.Seek(20);
    Echo.A = r.I32();
    Echo.B = r.I16();
    int32_t n = r.I32();
    if (!CountFits(r, n, kFixedLength, TGiftEvent::kLength)) return false;
    r.Seek(34);
    if (!LatestGift.Read(r)) return false;
    LuxuryGifts.assign(static_cast<size_t>(n), {});
    for (auto& g : LuxuryGifts) g.Read(r);
    return r.Ok();
}

void UserListMessage::Write(WireWriter& w) const {
    WriteMessageHead(w, Code);
    w.PadTo(20).I32(static_cast<int32_t>(Users.size()));
    for (const auto& u : Users) u.Write(w);
}

bool UserListMessage::Read(WireReader& r) {
    if (r.Size() < 24) return false;
    r.Seek(4);
    int32_t code = r.I32();
    if (code != kCodeWithNotices && code != kCodePlain) return false;
    if (!ReadMessageHead(r, code, 24)) return false;
    Code = code;
    r.Seek(20);
    int32_t n = r.I32();
    if (!CountFits(r, n, 24, TUserInfoUserMng::kLength)) return false;
    Users.assign(static_cast<size_t>(n), {});
    for (auto& u : Users) u.Read(r);
    return r.Ok();
}

void UserMicStates::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(static_cast<int32_t>(Entries.size()));
    for (const auto& e : Entries) e.Write(w);
}

bool UserMicStates::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, 24)) return false;
    r.Seek(20);
    int32_t n = r.I32();
    if (!CountFits(r, n, 24, TMicEntry::kLength)) return false;
    Entries.assign(static_cast<size_t>(n), {});
    for (auto& e : Entries) e.Read(r);
    return r.Ok();
}

void UserEnteredNotice::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(20);
    User.Write(w);
}

bool UserEnteredNotice::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(20);
    return User.Read(r);
}

void UserEnteredPlain::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20);
    User.Write(w);
    w.I32(UserID);
}

bool UserEnteredPlain::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    if (!User.Read(r)) return false;
    UserID = r.I32();
    return r.Ok();
}

void UserLeftNotice::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(20).StrN(NickName, 30);
}

bool UserLeftNotice::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(20);
    NickName = r.StrN(30);
    return r.Ok();
}

void UserLeftPlain::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(UserID).PadTo(22).StrN(NickName, 30);
}

bool UserLeftPlain::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(16);
    UserID = r.I32();
    r.Seek(22);
    NickName = r.StrN(30);
    return r.Ok();
}

} // namespace kel
