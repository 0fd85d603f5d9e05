#include "room/ChatArea.h"

#include "foundation/kelUtils.h"
#include "protocol/LayoutSupport.h"
#include "room/ChatText.h"

namespace kel {
namespace {

constexpr const char* kSystemTip = "【系统提示】:";
constexpr const char* kSystem = "【系统】:";
constexpr const char* kSystemWide = "【系统】：";

} // namespace

TChatArea::TChatArea(IChatRoom& room, IScreenDocument& public_doc, IScreenDocument& lower_doc, TLineBuilder& lines,
                     const TLanguageRes* language)
    : room_(room), lines_(lines), language_(language), public_(public_doc, lines), lower_(lower_doc, lines) {
    targets_.push_back({0, "大家"});
    LocalTime = LocalClockText;
    for (TChatScreen* s : {&public_, &lower_}) {
        s->MaxLines = 200;
        s->KeepChars = 300;
        s->LinesAfterTrim = 30;
    }
}

void TChatArea::InitRoom(const ChatSelf& self) {
    self_ = self;
    public_.MyUserID = lower_.MyUserID = self.UserID;
    lines_.MyUserID = self.UserID;
    rules_.InitRoom(self.User, self.Rules);
}

// ---- Targets

void TChatArea::SelectTargetIndex(size_t index) {
    if (index >= targets_.size()) return;
    target_index_ = index;
    if (!WhisperEnabled()) whisper_ = false;
    if (OnTargetsChanged) OnTargetsChanged();
}

void TChatArea::SelectTarget(int32_t user_id, const std::string& nick) {
    size_t i = 0;
    while (i < targets_.size() && targets_[i].UserID != user_id) ++i;
    if (i == targets_.size()) targets_.push_back({user_id, nick});
    SelectTargetIndex(i);
}

void TChatArea::RemoveTarget(int32_t user_id) {
    for (size_t i = 1; i < targets_.size(); ++i) {
        if (targets_[i].UserID != user_id) continue;
        if (target_index_ == i) target_index_ = 0;
        else if (target_index_ > i) --target_index_;
        targets_.erase(targets_.begin() + static_cast<long>(i));
        if (!WhisperEnabled()) whisper_ = false;
        if (OnTargetsChanged) OnTargetsChanged();
        return;
    }
}

std::string TChatArea::UserInfoName(int32_t user_id) const {
    if (user_id == 0) return "大家";
    if (auto n = room_.NickNameOf(user_id)) return *n;
    for (const auto& t : targets_)
        if (t.UserID == user_id) return t.NickName;
    return {};
}

bool TChatArea::UserLinkClicked(int32_t user_id) {
    if (user_id == -1 || user_id == self_.UserID) return false;
    SelectTarget(user_id, UserInfoName(user_id));
    return user_id != 0;
}

// ---- Sending

bool TChatArea::Send(const std::string& chat, const ChatFont& font) {
    if (chat.empty()) return false;
    font_ = font;
    const bool whisper = whisper_ && TargetID() > 0;
    SendChecked(chat, font, TargetID(), TargetNick(), whisper, false);
    return true;
}

void TChatArea::SendChecked(const std::string& chat, const ChatFont& font, int32_t to, const std::string& to_nick,
                            bool whisper, bool auto_reply) {
    // 3D emoticons cost nothing from this client; in partner rooms the
    // answer stays as given.
    const bool allow_3d = self_.RoomKind == 8 ? true : self_.Coins >= 0;
    const std::string image_to = room_.LevelNameOf(to).value_or(std::string());

    // The echo comes first: a refused message stays on the screen with the
    // refusal under it.
    ChatLineValues echo;
    echo.FromID = self_.UserID;
    echo.FromNick = self_.NickName;
    echo.ToID = to;
    echo.ToNick = to_nick;
    echo.FromLevel = self_.LevelName;
    echo.ToLevel = image_to;
    echo.TimeText = LocalTime();
    echo.Allow3D = allow_3d;
    echo.Text = chat;
    echo.FontStyles = font.Styles;
    echo.FontColor = font.Color;
    echo.FontSize = font.Size;
    echo.FontName = font.Name;
    echo.Whisper = whisper;
    PrivateScreen().ChatLine(echo);

    if (auto refusal = rules_.CheckChat(whisper)) {
        PrivateScreen().SystemLine(3, kSystemTip, *refusal);
        return;
    }
    CutResult cut = CutChatText(chat, kMaxChatText);
    if (cut.cut) room_.ShowMessageBox(kTooLongText);

    ChatRequest m;
    m.Head = room_.RequestHeader();
    m.ToUserID = to;
    m.ToNick = to_nick;
    m.ImageFrom = self_.LevelName;
    m.ImageTo = image_to;
    m.TimeText = echo.TimeText;
    m.Whisper = whisper;
    m.AutoReply = auto_reply;
    m.TotalPrice = 0;
    m.FontName = font.Name;
    m.FontSize = font.Size;
    m.FontColor = font.Color;
    m.FontStyles = font.Styles;
    m.Text = cut.text;
    room_.SendRoomMessage(Encode(m));
}

void TChatArea::FunPhrase(int32_t target, const std::string& target_nick, int32_t phrase) {
    if (auto wait = rules_.CheckFunPhrase()) {
        PrivateScreen().SystemLine(2, kSystemWide, *wait);
        return;
    }
    FunPhraseRequest m;
    m.Head = room_.RequestHeader();
    m.ToUserID = target;
    m.Phrase = phrase;
    // Registered first: the answer may be handled before the send returns.
    room_.AddPending(FunPhraseRequest::kCode, target);
    room_.SendRoomMessage(Encode(m));
}

void TChatArea::Flower(unsigned pick) {
    int32_t phrase = language_ ? language_->GetTag(FlowerGroup(pick), TargetNick()) : 0;
    FunPhrase(TargetID(), TargetNick(), phrase);
}

void TChatArea::Dice() {
    if (auto wait = rules_.CheckDice()) {
        public_.SystemLine(2, "★系统提示★:", *wait);
        return;
    }
    RoomRequestHeader h = room_.RequestHeader();
    DiceRequest m;
    m.UserID = h.UserID;
    m.RoomID = h.RoomID;
    m.RoomTicket = h.RoomTicket;
    m.NickName = self_.NickName;
    room_.SendRoomMessage(Encode(m));
}

bool TChatArea::RequireNotGuest(const std::string& refusal) {
    if (IsNotGuest(self_.User)) return true;
    PrivateScreen().SystemLine(3, "【系统提示】", refusal);
    return false;
}

bool TChatArea::RequireMemberOrManager() {
    if (IsMemberOrManager(self_.User)) return true;
    PrivateScreen().SystemLine(3, "【系统提示】", kMemberOnlyText);
    return false;
}

// ---- Receiving

ChatLineValues TChatArea::LineOf(const ChatDelivery& d) const {
    ChatLineValues v;
    v.FromID = d.FromUserID;
    v.FromNick = CleanNickname(d.FromNick);
    v.ToID = d.ToUserID;
    v.ToNick = CleanNickname(d.ToNick);
    v.FromLevel = d.FromLevel;
    v.ToLevel = d.ToLevel;
    v.TimeText = d.TimeText;
    v.Allow3D = d.Show3D;
    v.Text = d.Text;
    v.FontStyles = d.FontStyles;
    v.FontColor = d.FontColor;
    v.FontSize = d.FontSize;
    v.FontName = d.FontName;
    v.Whisper = d.Whisper;
    return v;
}

void TChatArea::ShowPrivate(const ChatDelivery& d) {
    ChatLineValues v = LineOf(d);
    PrivateScreen().ChatLine(v);
    AfterPrivate(v.FromID, v.FromNick, d.AutoReply);
    if (!room_.HasFocus()) room_.FlashWindow();
}

void TChatArea::AfterPrivate(int32_t sender, const std::string& sender_nick, bool was_auto_reply) {
    switch (DecideAutoReply(AutoReply, sender, self_.UserID, was_auto_reply)) {
    case AutoReplyAction::None: break;
    case AutoReplyAction::Notice: PrivateScreen().Notice(1, kBothAutoReplyText); break;
    case AutoReplyAction::Send: {
        std::string text = CleanNickname(AutoReply);
        if (text.empty()) break;
        const bool whisper = whisper_ && TargetID() > 0;
        SendChecked(text, font_, sender, sender_nick, whisper, true);
        break;
    }
    }
}

void TChatArea::OnFunPhraseDelivered(const FunPhraseDelivered& m) {
    const std::string from_nick = CleanNickname(m.FromNick);
    const std::string to_nick = CleanNickname(m.ToNick);
    const bool to_me = m.ToUserID == self_.UserID;
    if (m.Phrase <= 4000) {
        ChatDelivery d;
        d.FromUserID = m.FromUserID;
        d.FromNick = from_nick;
        d.ToUserID = m.ToUserID;
        d.ToNick = to_nick;
        d.FromLevel = m.FromLevel;
        d.ToLevel = m.ToLevel;
        d.TimeText = LocalTime();
        d.FontSize = -1;
        d.AutoReply = true;  // so that no automatic reply answers a phrase
        d.Text = language_ ? language_->GetStr(m.Phrase) : std::string();
        if (to_me)
            ShowPrivate(d);
        else
            public_.ChatLine(LineOf(d));
        return;
    }
    auto [first, second] = language_ ? language_->GetInterestingStrs(m.Phrase) : std::pair<std::string, std::string>();
    std::string line = lines_.ActionLine(m.FromUserID, from_nick, m.FromLevel, m.ToUserID, to_nick, m.ToLevel,
                                         first, second);
    if (to_me) {
        PrivateScreen().AppendHTML(line);
        if (!room_.HasFocus()) room_.FlashWindow();
    } else {
        public_.AppendHTML(line);
    }
}

bool TChatArea::HandleMessage(const uint8_t* data, size_t len) {
    switch (MessageCode(data, len)) {
    case ChatBroadcast::kCode: {
        auto m = Decode<ChatBroadcast>(data, len);
        if (!m) return false;
        switch (RouteBroadcast(m->FromUserID, m->ToUserID, m->Whisper, self_.UserID,
                               room_.IsChatBlocked(m->FromUserID))) {
        case ChatRoute::Private: ShowPrivate(*m); break;
        case ChatRoute::Public: public_.ChatLine(LineOf(*m)); break;
        case ChatRoute::Drop: break;
        }
        return true;
    }
    case PrivateChatMessage::kCode: {
        auto m = Decode<PrivateChatMessage>(data, len);
        if (!m) return false;
        if (RoutePrivate(m->FromUserID, m->ToUserID, self_.UserID, room_.IsChatBlocked(m->FromUserID)) ==
            ChatRoute::Private)
            ShowPrivate(*m);
        return true;
    }
    case ChatRefused::kCode: {
        auto m = Decode<ChatRefused>(data, len);
        if (!m) return false;
        std::string text = ChatRefusalText(m->Reason);
        if (!text.empty()) public_.SystemLine(2, kSystem, text);
        return true;
    }
    case FunPhraseAnswer::kCode: {
        auto m = Decode<FunPhraseAnswer>(data, len);
        if (!m) return false;
        room_.RemovePending(FunPhraseRequest::kCode, m->ToUserID);
        if (auto text = FunPhraseAnswerText(m->Result)) PrivateScreen().SystemLine(2, kSystemWide, *text);
        return true;
    }
    case FunPhraseDelivered::kCode: {
        auto m = Decode<FunPhraseDelivered>(data, len);
        if (!m) return false;
        OnFunPhraseDelivered(*m);
        return true;
    }
    case DiceResult::kCode: {
        auto m = Decode<DiceResult>(data, len);
        if (!m) return false;
        public_.AppendHTML(lines_.DiceLine(DiceText(CleanNickname(m->NickName), m->UserID), m->Die1, m->Die2));
        return true;
    }
    case SystemAnnouncement::kCode: {
        auto m = Decode<SystemAnnouncement>(data, len);
        if (!m) return false;
        PrivateScreen().AppendHTML(lines_.AnnouncementLine(m->Text));
        return true;
    }
    default: return false;
    }
}

// ---- Display operations

void TChatArea::ShowSystemMessage(int kind, int screen, const std::string& prefix, const std::string& text,
                                  const std::string& extra) {
    if (screen == 1)
        public_.SystemLine(kind, prefix, text);
    else
        PrivateScreen().SystemLine(kind, prefix, text, extra);
}

void TChatArea::ShowGiftLine(const GiftLineValues& v) {
    if (v.ReceiverID == self_.UserID || !HideGiftLines) public_.GiftLine(v);
}

std::optional<GiftPaceStep> TChatArea::PaceGifts(TGiftPacer& batches, int32_t step_size) {
    auto step = batches.Step(step_size, self_.UserID);
    if (step) ShowGiftLine(step->Line);
    return step;
}

void TChatArea::ShowGiftEvent(const TGiftEvent& e, const std::string& currency) {
    std::string line = lines_.GiftEventLine(e, currency);
    if (!line.empty()) PrivateScreen().AppendHTML(line);
}

void TChatArea::ClearScreens() {
    public_.Clear();
    lower_.Clear();
}

} // namespace kel
