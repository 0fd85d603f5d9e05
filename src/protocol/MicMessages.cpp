#include "protocol/MicMessages.h"

#include "protocol/LayoutSupport.h"

namespace kel {

void TMicEntry::Write(WireWriter& w) const {
    w.I32(UserID).I16(Slot).U8(State).U32(MediaIp).U16(MediaPort);
    w.I32(MicTimeUsed).I32(MicTimeLimit);
}

bool TMicEntry::Read(WireReader& r) {
    UserID = r.I32();
    Slot = r.I16();
    State = r.U8();
    MediaIp = r.U32();
    MediaPort = r.U16();
    MicTimeUsed = r.I32();
    MicTimeLimit = r.I32();
    return r.Ok();
}

void MicStateList::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(static_cast<int32_t>(Entries.size()));
    for (const auto& e : Entries) e.Write(w);
}

bool MicStateList::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, 20)) return false;
    r.Seek(16);
    int32_t n = r.I32();
    if (!CountFits(r, n, 20, TMicEntry::kLength)) return false;
    Entries.assign(static_cast<size_t>(n), {});
    for (auto& e : Entries) e.Read(r);
    return r.Ok();
}

void MicQueueList::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(static_cast<int32_t>(UserIDs.size()));
    for (int32_t id : UserIDs) w.I32(id).I32(0);
}

bool MicQueueList::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, 20)) return false;
    r.Seek(16);
    int32_t n = r.I32();
    if (!CountFits(r, n, 20, 8)) return false;
    UserIDs.assign(static_cast<size_t>(n), 0);
    for (auto& id : UserIDs) {
        id = r.I32();
        r.Skip(4);
    }
    return r.Ok();
}

} // namespace kel
