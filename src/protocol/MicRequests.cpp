#include "protocol/MicRequests.h"

#include <algorithm>

#include "protocol/LayoutSupport.h"

namespace kel {

void MicRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.U8(State).I16(GiftID).I16(GiftCount);
}

bool MicRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    State = r.U8();
    GiftID = r.I16();
    GiftCount = r.I16();
    return r.Ok();
}

void LeaveMicRequest::Write(WireWriter& w) const { Head.Write(w, kCode); }

bool LeaveMicRequest::Read(WireReader& r) { return Head.Read(r, kCode, kLength); }

void HoldOnMicRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.PadTo(33).StrN(NickName, 30).I32(TargetID);
}

bool HoldOnMicRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    r.Seek(33);
    NickName = r.StrN(30);
    TargetID = r.I32();
    return r.Ok();
}

void HoldOffMicRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.StrN(NickName, 30).I32(TargetID);
}

bool HoldOffMicRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    NickName = r.StrN(30);
    TargetID = r.I32();
    return r.Ok();
}

void AddMicTimeRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.StrN(NickName, 30).I32(TargetID).U8(0);
}

bool AddMicTimeRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    NickName = r.StrN(30);
    TargetID = r.I32();
    return r.Ok();
}

void MicOrderRequest::Write(WireWriter& w) const {
    const size_t n = std::min(UserIDs.size(), kMaxUsers);
    Head.Write(w, kCode);
    w.StrN(NickName, 30).U8(0).I16(static_cast<int16_t>(n));
    for (size_t i = 0; i < n; ++i) w.I32(UserIDs[i]);
}

bool MicOrderRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kFixedLength)) return false;
    NickName = r.StrN(30);
    r.Skip(1);
    const int16_t n = r.I16();
    if (!CountFits(r, n, kFixedLength, 4)) return false;
    UserIDs.assign(static_cast<size_t>(n), 0);
    for (auto& id : UserIDs) id = r.I32();
    return r.Ok();
}

} // namespace kel
