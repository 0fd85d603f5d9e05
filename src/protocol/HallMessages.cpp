#include "protocol/HallMessages.h"

#include "foundation/Gbk.h"
#include "protocol/LayoutSupport.h"

namespace kel {

void HallProbeRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(12).I32(UserID).PadTo(kLength);
}

bool HallProbeRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(12);
    UserID = r.I32();
    return r.Ok();
}

void HallProbeAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(22).U32(SenderIp).U16(SenderPort);
}

bool HallProbeAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(22);
    SenderIp = r.U32();
    SenderPort = r.U16();
    return r.Ok();
}

void LoginRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(12).I32(UserID).PadTo(22).I32(LoginKey);
    w.PadTo(38).StrN(PasswordDigest, 32).I32(HallURLID);
}

bool LoginRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(12);
    UserID = r.I32();
    r.Seek(22);
    LoginKey = r.I32();
    r.Seek(38);
    PasswordDigest = r.StrN(32);
    HallURLID = r.I32();
    return r.Ok();
}

void LoginAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).StrN(ErrorText, 50).I32(Connection.A).I16(Connection.B);
    w.PadTo(77).I32(MediaTicket).StrN(HallPageUrl, 100).StrN(RoomImagePrefix, 100);
    w.StrN(NickName, 30).I16(0).I16(0).I32(Score).I32(Coins);
    w.I16(UserType).I16(ManagerLevel);
    std::string filter = Utf8ToGbk(WordFilter, 32767);
    w.PadTo(341).I32(RightsWord).I16(static_cast<int16_t>(filter.size()));
    w.PadTo(kFixedLength).Bytes(filter.data(), filter.size());
}

bool LoginAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kFixedLength)) return false;
    UserID = r.I32();
    ErrorText = r.StrN(50);
    Connection.A = r.I32();
    Connection.B = r.I16();
    r.Seek(77);
    MediaTicket = r.I32();
    HallPageUrl = r.StrN(100);
    RoomImagePrefix = r.StrN(100);
    NickName = r.StrN(30);
    r.Seek(318);
    Score = r.I32();
    Coins = r.I32();
    UserType = r.I16();
    ManagerLevel = r.I16();
    r.Seek(341);
    RightsWord = r.I32();
    int16_t len = r.I16();
    r.Seek(kFixedLength);
    if (len < 0 || !r.Has(static_cast<size_t>(len))) return false;
    auto text = r.Bytes(static_cast<size_t>(len));
    WordFilter = GbkToUtf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    return r.Ok();
}

void HallKeepAlive::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(20).I32(Connection.A).I16(Connection.B).PadTo(kLength);
}

bool HallKeepAlive::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(20);
    Connection.A = r.I32();
    Connection.B = r.I16();
    return r.Ok();
}

void KeepAliveAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(Connection.A).I16(Connection.B).PadTo(kLength);
}

bool KeepAliveAnswer::Read(WireReader& r) {
    // Only the pair is needed; a 26-byte answer is complete.
    if (!ReadMessageHead(r, kCode, 26)) return false;
    r.Seek(20);
    Connection.A = r.I32();
    Connection.B = r.I16();
    return r.Ok();
}

void LogoutRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(12).I32(UserID).I32(Connection.A).I16(Connection.B).I32(LoginKey).PadTo(kLength);
}

bool LogoutRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(12);
    UserID = r.I32();
    Connection.A = r.I32();
    Connection.B = r.I16();
    LoginKey = r.I32();
    return r.Ok();
}

void LoggedInElsewhere::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID);
}

bool LoggedInElsewhere::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    return r.Ok();
}

void SelfInfoChange::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(16).I32(Connection.A).I16(Connection.B);
    w.PadTo(28).StrN(NewNickName, 30).StrN(CurrentDigest, 32).StrN(NewDigest, 32);
}

bool SelfInfoChange::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(16);
    Connection.A = r.I32();
    Connection.B = r.I16();
    r.Seek(28);
    NewNickName = r.StrN(30);
    CurrentDigest = r.StrN(32);
    NewDigest = r.StrN(32);
    return r.Ok();
}

void SelfInfoAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(Status);
}

bool SelfInfoAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(16);
    Status = r.I32();
    return r.Ok();
}

void RoomQuery::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(12).I32(UserID).I32(Connection.A).I16(Connection.B).PadTo(30).I32(RoomID);
}

bool RoomQuery::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(12);
    UserID = r.I32();
    Connection.A = r.I32();
    Connection.B = r.I16();
    r.Seek(30);
    RoomID = r.I32();
    return r.Ok();
}

void RoomQueryAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(12).I32(Status).I32(RoomID).I32(ServerGroup);
}

bool RoomQueryAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(12);
    Status = r.I32();
    RoomID = r.I32();
    ServerGroup = r.I32();
    return r.Ok();
}

} // namespace kel
