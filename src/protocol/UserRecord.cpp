#include "protocol/UserRecord.h"

namespace kel {

void TUserInfoUserMng::Write(WireWriter& w) const {
    const size_t base = w.Size();
    w.I32(UserID).StrN(NickName, 30);
    w.I16(HeadIndex).U8(MicState).I32(MicTimeUsed).I32(MicTimeLimit);
    w.PadTo(base + 52);
    w.I16(UserType).I16(ManagerLevel).StrN(TitleText, 10).StrN(LevelName, 10);
    w.I32(NickColor).U8(SortRank).I16(MicOrder).I32(RightLevel).I32(MicRight);
    w.U8(IdleMicImage).U8(Hidden).U8(ChatForbidden);
}

bool TUserInfoUserMng::Read(WireReader& r) {
    if (!r.Has(kLength)) {
        r.Skip(kLength); // clears Ok()
        return false;
    }
    UserID = r.I32();
    NickName = r.StrN(30);
    HeadIndex = r.I16();
    MicState = r.U8();
    MicTimeUsed = r.I32();
    MicTimeLimit = r.I32();
    r.Skip(6);
    UserType = r.I16();
    ManagerLevel = r.I16();
    TitleText = r.StrN(10);
    LevelName = r.StrN(10);
    NickColor = r.I32();
    SortRank = r.U8();
    MicOrder = r.I16();
    RightLevel = r.I32();
    MicRight = r.I32();
    IdleMicImage = r.U8();
    Hidden = r.U8();
    ChatForbidden = r.U8();
    return r.Ok();
}

} // namespace kel
