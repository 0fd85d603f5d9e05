#include "protocol/RoomUserMessages.h"

#include "foundation/Gbk.h"
#include "protocol/LayoutSupport.h"

namespace kel {

void ProfileQuery::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.I32(AskedID);
}

bool ProfileQuery::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    AskedID = r.I32();
    return r.Ok();
}

void TUserProfile::Write(WireWriter& w) const {
    const size_t base = w.Size();
    w.I32(UserID).StrN(NickName, 30).PadTo(base + 37).I16(Sex).I16(Age);
    w.PadTo(base + 45).StrN(LevelText, 10).StrN(Country, 50).StrN(Province, 50);
    w.StrN(Phone, 30).StrN(Mobile, 30).StrN(Email, 30).StrN(QQ, 30).StrN(Note, 250);
    w.I16(ContactHidden);
}

bool TUserProfile::Read(WireReader& r) {
    const size_t base = r.Pos();
    if (!r.Has(kLength)) {
        r.Skip(kLength); // clears Ok()
        return false;
    }
    UserID = r.I32();
    NickName = r.StrN(30);
    r.Seek(base + 37);
    Sex = r.I16();
    Age = r.I16();
    r.Seek(base + 45);
    LevelText = r.StrN(10);
    Country = r.StrN(50);
    Province = r.StrN(50);
    Phone = r.StrN(30);
    Mobile = r.StrN(30);
    Email = r.StrN(30);
    QQ = r.StrN(30);
    Note = r.StrN(250);
    ContactHidden = r.I16();
    return r.Ok();
}

void ProfileAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20);
    Profile.Write(w);
}

bool ProfileAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    return Profile.Read(r);
}

void AddressQuery::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).I32(RoomID).I32(RoomTicket).I32(AskedID).PadTo(kLength);
}

bool AddressQuery::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    RoomID = r.I32();
    RoomTicket = r.I32();
    AskedID = r.I32();
    return r.Ok();
}

void AddressAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(UserID).U32(Ip).I32(Status);
}

bool AddressAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    UserID = r.I32();
    Ip = r.U32();
    Status = r.I32();
    return r.Ok();
}

void ManagerListQuery::Write(WireWriter& w) const {
    Head.Write(w, kCode);
}

bool ManagerListQuery::Read(WireReader& r) {
    return Head.Read(r, kCode, kLength);
}

void ManagerList::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(static_cast<int32_t>(Managers.size()));
    for (const auto& m : Managers) w.I32(m.UserID).StrN(m.NickName, 30);
}

bool ManagerList::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, 24)) return false;
    r.Seek(20);
    int32_t n = r.I32();
    if (!CountFits(r, n, 24, kEntryLength)) return false;
    Managers.assign(static_cast<size_t>(n), {});
    for (auto& m : Managers) {
        m.UserID = r.I32();
        m.NickName = r.StrN(30);
    }
    return r.Ok();
}

void RoomRestartNotice::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).StrN(Reason, 255).PadTo(kLength);
}

bool RoomRestartNotice::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, 17)) return false;
    r.Seek(16);
    const uint8_t n = r.U8();
    auto text = r.Bytes(n);
    if (!r.Ok()) return false;
    Reason = GbkToUtf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    return true;
}

void BalanceChanged::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(Coins);
}

bool BalanceChanged::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    Coins = r.I32();
    return r.Ok();
}

} // namespace kel
