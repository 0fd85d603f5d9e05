#include "protocol/ChatMessages.h"

#include "foundation/Gbk.h"
#include "protocol/LayoutSupport.h"

namespace kel {
namespace {

// An int32 length and that many bytes of GBK, at most `max` of them.
void WriteText(WireWriter& w, const std::string& utf8, size_t max) {
    std::string gbk = Utf8ToGbk(utf8, max);
    w.I32(static_cast<int32_t>(gbk.size())).Bytes(gbk.data(), gbk.size());
}

// Refuses a length that is negative, above `max` or beyond the message.
bool ReadText(WireReader& r, std::string& utf8, size_t max) {
    int32_t len = r.I32();
    if (!r.Ok() || len < 0 || static_cast<size_t>(len) > max || !r.Has(static_cast<size_t>(len)))
        return false;
    auto bytes = r.Bytes(static_cast<size_t>(len));
    utf8 = GbkToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return r.Ok();
}

// 9013 and 19014 differ only by the extra sender number at 82.
void WriteDelivery(WireWriter& w, const ChatDelivery& d, int32_t code, bool with_sender_again) {
    WriteMessageHead(w, code);
    w.I32(d.FromUserID).PadTo(16).StrN(d.FromNick, 30).I32(d.ToUserID).StrN(d.ToNick, 30);
    if (with_sender_again) w.I32(d.FromUserID);
    w.StrN(d.FromLevel, 10).StrN(d.ToLevel, 10).StrN(d.TimeText, 8);
    w.U8(d.Whisper ? 1 : 0).U8(d.AutoReply ? 1 : 0).U8(d.Show3D ? 1 : 0);
    w.StrN(d.FontName, 15).I32(d.FontSize).I32(d.FontColor).U8(d.FontStyles);
    WriteText(w, d.Text, kMaxChatText);
}

bool ReadDelivery(WireReader& r, ChatDelivery& d, int32_t code, size_t fixed, bool with_sender_again) {
    if (!ReadMessageHead(r, code, fixed)) return false;
    d.FromUserID = r.I32();
    r.Seek(16);
    d.FromNick = r.StrN(30);
    d.ToUserID = r.I32();
    d.ToNick = r.StrN(30);
    if (with_sender_again) r.Skip(4);
    d.FromLevel = r.StrN(10);
    d.ToLevel = r.StrN(10);
    d.TimeText = r.StrN(8);
    d.Whisper = r.U8() != 0;
    d.AutoReply = r.U8() != 0;
    d.Show3D = r.U8() != 0;
    d.FontName = r.StrN(15);
    d.FontSize = r.I32();
    d.FontColor = r.I32();
    d.FontStyles = r.U8();
    return ReadText(r, d.Text, kMaxChatText);
}

} // namespace

void ChatRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.I32(ToUserID).StrN(ToNick, 30).StrN(ImageFrom, 10).StrN(ImageTo, 10).StrN(TimeText, 8);
    w.U8(Whisper ? 1 : 0).U8(AutoReply ? 1 : 0).I32(TotalPrice).U8(0);
    w.StrN(FontName, 15).I32(FontSize).I32(FontColor).U8(FontStyles);
    WriteText(w, Text, kMaxChatText);
}

bool ChatRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kFixedLength)) return false;
    ToUserID = r.I32();
    ToNick = r.StrN(30);
    ImageFrom = r.StrN(10);
    ImageTo = r.StrN(10);
    TimeText = r.StrN(8);
    Whisper = r.U8() != 0;
    AutoReply = r.U8() != 0;
    TotalPrice = r.I32();
    r.Skip(1);
    FontName = r.StrN(15);
    FontSize = r.I32();
    FontColor = r.I32();
    FontStyles = r.U8();
    return ReadText(r, Text, kMaxChatText);
}

void ChatBroadcast::Write(WireWriter& w) const { WriteDelivery(w, *this, kCode, false); }
bool ChatBroadcast::Read(WireReader& r) { return ReadDelivery(r, *this, kCode, kFixedLength, false); }
void PrivateChatMessage::Write(WireWriter& w) const { WriteDelivery(w, *this, kCode, true); }
bool PrivateChatMessage::Read(WireReader& r) { return ReadDelivery(r, *this, kCode, kFixedLength, true); }

void ChatRefused::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(82).I32(Reason);
}

bool ChatRefused::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(82);
    Reason = r.I32();
    return r.Ok();
}

void FunPhraseRequest::Write(WireWriter& w) const {
    Head.Write(w, kCode);
    w.I32(ToUserID).I32(Phrase).PadTo(kLength);
}

bool FunPhraseRequest::Read(WireReader& r) {
    if (!Head.Read(r, kCode, kLength)) return false;
    ToUserID = r.I32();
    Phrase = r.I32();
    return r.Ok();
}

void FunPhraseAnswer::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(Result).I32(ToUserID);
}

bool FunPhraseAnswer::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    r.Seek(16);
    Result = r.I32();
    ToUserID = r.I32();
    return r.Ok();
}

void FunPhraseDelivered::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(FromUserID).PadTo(16).I32(ToUserID).StrN(FromNick, 30).StrN(ToNick, 30);
    w.StrN(FromLevel, 10).StrN(ToLevel, 10).I32(Phrase).StrN(TimeText, 8);
}

bool FunPhraseDelivered::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    FromUserID = r.I32();
    r.Seek(16);
    ToUserID = r.I32();
    FromNick = r.StrN(30);
    ToNick = r.StrN(30);
    FromLevel = r.StrN(10);
    ToLevel = r.StrN(10);
    Phrase = r.I32();
    TimeText = r.StrN(8);
    return r.Ok();
}

void DiceRequest::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).I32(RoomID).I32(RoomTicket).StrN(NickName, 30).PadTo(kLength);
}

bool DiceRequest::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    RoomID = r.I32();
    RoomTicket = r.I32();
    NickName = r.StrN(30);
    return r.Ok();
}

void DiceResult::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(16).StrN(NickName, 30).I32(Die1).I32(Die2);
}

bool DiceResult::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(16);
    NickName = r.StrN(30);
    Die1 = r.I32();
    Die2 = r.I32();
    return r.Ok();
}

void SystemAnnouncement::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(217);
    WriteText(w, Text, kMaxText);
}

bool SystemAnnouncement::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kFixedLength)) return false;
    r.Seek(217);
    return ReadText(r, Text, kMaxText);
}

void LuxuryGiftList::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.PadTo(16).I32(static_cast<int32_t>(Gifts.size()));
    for (const auto& g : Gifts) g.Write(w);
}

bool LuxuryGiftList::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kFixedLength)) return false;
    r.Seek(16);
    int32_t n = r.I32();
    if (!CountFits(r, n, kFixedLength, TGiftEvent::kLength)) return false;
    Gifts.assign(static_cast<size_t>(n), {});
    for (auto& g : Gifts) g.Read(r);
    return r.Ok();
}

void GiftBroadcast::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(GiverID).PadTo(16).I32(RoomID).I32(ReceiverID).StrN(GiverNick, 30).StrN(ReceiverNick, 30);
    w.I32(GiftID).I32(Count);
}

bool GiftBroadcast::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    GiverID = r.I32();
    r.Seek(16);
    RoomID = r.I32();
    ReceiverID = r.I32();
    GiverNick = r.StrN(30);
    ReceiverNick = r.StrN(30);
    GiftID = r.I32();
    Count = r.I32();
    return r.Ok();
}

void GameWin::Write(WireWriter& w) const {
    WriteMessageHead(w, kCode);
    w.I32(UserID).PadTo(16).StrN(NickName, 30).StrN(GameName, 30).StrN(MatchName, 30);
    w.I32(MatchNo).I32(Coins);
}

bool GameWin::Read(WireReader& r) {
    if (!ReadMessageHead(r, kCode, kLength)) return false;
    UserID = r.I32();
    r.Seek(16);
    NickName = r.StrN(30);
    GameName = r.StrN(30);
    MatchName = r.StrN(30);
    MatchNo = r.I32();
    Coins = r.I32();
    return r.Ok();
}

} // namespace kel
