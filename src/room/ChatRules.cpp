#include "room/ChatRules.h"

namespace kel {
namespace {

constexpr uint32_t kFunPhraseGapMs = 2000;
constexpr uint32_t kDiceGapMs = 5000;

std::optional<std::string> Gap(Tick& last, uint32_t gap_ms, const char* head) {
    Tick now = GetTickCount();
    uint32_t elapsed = TickElapsed(now, last);
    if (elapsed < gap_ms)
        return std::string(head) + std::to_string(gap_ms / 1000 - elapsed / 1000) + "秒。";
    last = now;
    return std::nullopt;
}

} // namespace

bool IsNotGuest(const ChatUser& u) { return u.UserType > 1 || u.ManagerLevel > 0; }
bool IsMemberOrManager(const ChatUser& u) { return u.UserType > 2 || u.ManagerLevel > 0; }

void TChatRules::InitRoom(const ChatUser& user, const ChatRoomRules& room) {
    user_ = user;
    room_ = room;
    last_chat_ = last_fun_ = last_dice_ = GetTickCount();
}

std::optional<std::string> TChatRules::CheckChat(bool whisper) {
    const bool bound = (user_.UserType == 1 || user_.UserType == 2) && user_.ManagerLevel <= 0;
    if (!bound) return std::nullopt;
    const int32_t bar = whisper ? room_.PrivateChatBar : room_.PublicChatBar;
    if (bar > 1 && user_.UserType == 2)
        return std::string(whisper ? "本房间不允许注册用户私聊！您所发送的信息未发出！"
                                   : "本房间不允许注册用户公聊！您所发送的信息未发出！");
    if (bar > 0 && user_.UserType == 1)
        return std::string(whisper ? "本房间不允许游客私聊！您所发送的信息未发出！"
                                   : "本房间不允许游客公聊！您所发送的信息未发出！");
    Tick now = GetTickCount();
    if (user_.UserType == 2 && room_.RegisteredWaitS > 0 &&
        TickElapsed(now, last_chat_) < static_cast<uint32_t>(room_.RegisteredWaitS) * 1000u)
        return std::string("注册用户的公聊间隔时间还没有到！您所发送的信息未发出！");
    last_chat_ = now;
    return std::nullopt;
}

std::optional<std::string> TChatRules::CheckFunPhrase() {
    return Gap(last_fun_, kFunPhraseGapMs, "发送系统语言时间间隔为2秒，现在还有");
}

std::optional<std::string> TChatRules::CheckDice() {
    return Gap(last_dice_, kDiceGapMs, "骰子时间间隔为5秒，现在还有");
}

ChatRoute RouteBroadcast(int32_t from, int32_t to, bool whisper, int32_t self, bool sender_blocked) {
    if (sender_blocked || from == self) return ChatRoute::Drop;
    if (to == self) return ChatRoute::Private;
    if (!whisper) return ChatRoute::Public;
    return ChatRoute::Drop;
}

ChatRoute RoutePrivate(int32_t from, int32_t to, int32_t self, bool sender_blocked) {
    if (sender_blocked || from == self || to != self) return ChatRoute::Drop;
    return ChatRoute::Private;
}

AutoReplyAction DecideAutoReply(const std::string& auto_reply, int32_t sender, int32_t self,
                                bool received_was_auto_reply) {
    if (auto_reply.empty() || sender == self) return AutoReplyAction::None;
    return received_was_auto_reply ? AutoReplyAction::Notice : AutoReplyAction::Send;
}

std::string ChatRefusalText(int32_t reason) {
    switch (reason) {
    case 1: return "用户等级小于本房间公聊最低用户等级,请升级会员！";
    case 2: return "用户等级小于本房间私聊最低用户等级,请升级会员！";
    case 3: return "巡管号码禁止聊天！";
    default: return {};
    }
}

std::optional<std::string> FunPhraseAnswerText(int32_t result) {
    if (result <= 0) return std::nullopt;
    if (result == 1) return std::string("不能对自己发送趣语");
    if (result == 2) return std::string("接受趣语用户已经退出房间，发送失败");
    return std::string();
}

std::string DiceText(const std::string& nick, int32_t user_id) {
    std::string head = "★系统提示★:" + nick;
    // At most 44 characters before the number.
    size_t chars = 0, i = 0;
    while (i < head.size() && chars < 44) {
        unsigned char c = static_cast<unsigned char>(head[i]);
        size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        i += n;
        ++chars;
    }
    return head.substr(0, i) + "(" + std::to_string(user_id) + ") 掷出骰子";
}

std::string RoomLinkUrl(const std::string& host, int32_t room_id, int32_t server_group) {
    // Group 3 (and any other) uses the third room port's default.
    const char* port = server_group == 1 ? "20011" : server_group == 2 ? "20022" : "20033";
    return "http://" + host + "/kelvo_web_/index.htm?RoomID=" + std::to_string(room_id) + "&vpport=" + port;
}

int32_t FlowerGroup(unsigned pick) {
    static constexpr int32_t kGroups[4] = {1100, 1200, 2100, 2200};
    return kGroups[pick % 4];
}

} // namespace kel
