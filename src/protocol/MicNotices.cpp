#include "protocol/MicNotices.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void MicRefused::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(Key).PadTo(16).I32(Reason);
}

bool MicRefused::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    Key = r.I32();
    r.Seek(16);
    Reason = r.I32();
    return r.Ok();
}

void MicGranted::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(32).I32(Key).U8(State).U32(MediaIp).U16(MediaPort);
}

bool MicGranted::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(32);
    Key = r.I32();
    State = r.U8();
    MediaIp = r.U32();
    MediaPort = r.U16();
    return r.Ok();
}

template <int32_t Code>
void MicResultAt16<Code>::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(Result);
}

template <int32_t Code>
bool MicResultAt16<Code>::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(16);
    Result = r.I32();
    return r.Ok();
}

template struct MicResultAt16<cmd::kReleaseHeldMicAnswer>;
template struct MicResultAt16<cmd::kHoldMicAnswer>;

template <int32_t Code, size_t Offset>
void MicResultByte<Code, Offset>::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(Offset).U8(Result);
}

template <int32_t Code, size_t Offset>
bool MicResultByte<Code, Offset>::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(Offset);
    Result = r.U8();
    return r.Ok();
}

template struct MicResultByte<cmd::kAddMicTimeAnswer, 61>;
template struct MicResultByte<cmd::kSetMicOrderAnswer, 57>;

void MicChanged::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(16).StrN(NickName, 30).I32(OperatorID).StrN(OperatorNick, 30);
    w.PadTo(86).U8(OldState).U8(NewState).I16(Slot).U32(MediaIp).U16(MediaPort);
    w.I32(MicTimeUsed).I32(MicTimeLimit).I16(MicOrder);
}

bool MicChanged::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(16);
    NickName = r.StrN(30);
    OperatorID = r.I32();
    OperatorNick = r.StrN(30);
    r.Seek(86);
    OldState = r.U8();
    NewState = r.U8();
    Slot = r.I16();
    MediaIp = r.U32();
    MediaPort = r.U16();
    MicTimeUsed = r.I32();
    MicTimeLimit = r.I32();
    MicOrder = r.I16();
    return r.Ok();
}

void MicDown::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(OperatorID).PadTo(16).StrN(OperatorNick, 30).I32(UserID).StrN(NickName, 30);
    w.I16(Slot).I16(Reason);
}

bool MicDown::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    OperatorID = r.I32();
    r.Seek(16);
    OperatorNick = r.StrN(30);
    UserID = r.I32();
    NickName = r.StrN(30);
    Slot = r.I16();
    Reason = r.I16();
    return r.Ok();
}

void MicTimeAdded::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(16).StrN(NickName, 30).I32(OperatorID).StrN(OperatorNick, 30);
}

bool MicTimeAdded::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(16);
    NickName = r.StrN(30);
    OperatorID = r.I32();
    OperatorNick = r.StrN(30);
    return r.Ok();
}

void MicQueueReordered::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(OperatorID).PadTo(16).I32(static_cast<int32_t>(UserIDs.size())).StrN(OperatorNick, 30);
    for (int32_t id : UserIDs) w.I32(id).I32(0);
}

bool MicQueueReordered::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kFixedLength)) return false;
    OperatorID = r.I32();
    r.Seek(16);
    const int32_t n = r.I32();
    OperatorNick = r.StrN(30);
    if (!CountFits(r, n, kFixedLength, 8)) return false;
    UserIDs.assign(static_cast<size_t>(n), 0);
    for (auto& id : UserIDs) {
        id = r.I32();
        r.Skip(4);
    }
    return r.Ok();
}

} // namespace kel
