#include "protocol/RoomInfo.h"

namespace kel {

void TRoomInfo::Write(WireWriter& w) const {
    const size_t b = w.Size();
    w.I32(RoomID).StrN(RoomName, 50).I16(RoomKind).I32(OwnerID);
    for (int32_t v : ViceOwners) w.I32(v);
    w.U8(NeedPassword).StrN(Password, 20).I16(ServerGroup).StrN(ShortText, 4);
    w.StrN(Description, 100).I16(MicCount).I16(MaxUsers).I16(MinUserClass);
    w.PadTo(b + 211).I16(MinBalance);
    w.PadTo(b + 241).I32(GiftPacingMs).I32(GiftPacingStep);
    w.PadTo(b + 257).I16(PublicChatBar).I16(PrivateChatBar).I16(NoRegisteredOnMic);
    w.PadTo(b + 266).U8(AutoQueueOff).U8(AutoQueueMic).I32(AutoQueueMinutes);
    for (const auto& s : LinkCaptions) w.StrN(s, 12);
    for (const auto& s : LinkTargets) w.StrN(s, 100);
    for (const auto& s : WelcomeTexts) w.StrN(s, 200);
    w.I32(RegisteredChatWaitS);
    w.PadTo(b + 1344).StrN(WelcomeStyle, 100).U8(GiftSwitch);
    w.PadTo(b + kLength);
}

bool TRoomInfo::Read(WireReader& r) {
    if (!r.Has(kLength)) {
        r.Skip(kLength);
        return false;
    }
    const size_t b = r.Pos();
    RoomID = r.I32();
    RoomName = r.StrN(50);
    RoomKind = r.I16();
    OwnerID = r.I32();
    for (auto& v : ViceOwners) v = r.I32();
    NeedPassword = r.U8();
    Password = r.StrN(20);
    ServerGroup = r.I16();
    ShortText = r.StrN(4);
    Description = r.StrN(100);
    MicCount = r.I16();
    MaxUsers = r.I16();
    MinUserClass = r.I16();
    r.Seek(b + 211);
    MinBalance = r.I16();
    r.Seek(b + 241);
    GiftPacingMs = r.I32();
    GiftPacingStep = r.I32();
    r.Seek(b + 257);
    PublicChatBar = r.I16();
    PrivateChatBar = r.I16();
    NoRegisteredOnMic = r.I16();
    r.Seek(b + 266);
    AutoQueueOff = r.U8();
    AutoQueueMic = r.U8();
    AutoQueueMinutes = r.I32();
    for (auto& s : LinkCaptions) s = r.StrN(12);
    for (auto& s : LinkTargets) s = r.StrN(100);
    for (auto& s : WelcomeTexts) s = r.StrN(200);
    RegisteredChatWaitS = r.I32();
    r.Seek(b + 1344);
    WelcomeStyle = r.StrN(100);
    GiftSwitch = r.U8();
    r.Seek(b + kLength);
    return r.Ok();
}

} // namespace kel
