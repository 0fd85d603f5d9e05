#include "protocol/RegistrationMessages.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void RegistrationRecord::Write(WireWriter& w) const {
    w.I32(0).StrN(NickName, 30).StrN(PasswordDigest, 32);
    w.I16(HeadIndex).I16(Sex).I16(Age);
    w.StrN(Country, 50).StrN(Province, 50);
    w.StrN(Phone, 30).StrN(Mobile, 30).StrN(Email, 30).StrN(QQ, 30);
    w.StrN(Note, 250);
}

bool RegistrationRecord::Read(WireReader& r) {
    if (!r.Has(kLength)) {
        r.Skip(kLength);
        return false;
    }
    r.Skip(4);
    NickName = r.StrN(30);
    PasswordDigest = r.StrN(32);
    HeadIndex = r.I16();
    Sex = r.I16();
    Age = r.I16();
    Country = r.StrN(50);
    Province = r.StrN(50);
    Phone = r.StrN(30);
    Mobile = r.StrN(30);
    Email = r.StrN(30);
    QQ = r.StrN(30);
    Note = r.StrN(250);
    return r.Ok();
}

void RegisterRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20);
    Record.Write(w);
    w.I16(0);
}

bool RegisterRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    return Record.Read(r) && r.Ok();
}

void RegisterAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(20).I32(UserID).PadTo(571).I16(Status);
}

bool RegisterAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(20);
    UserID = r.I32();
    r.Seek(571);
    Status = r.I16();
    return r.Ok();
}

} // namespace kel
