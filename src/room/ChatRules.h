#pragma once
// The rules that let a chat message, a fun phrase or a dice throw go out:
// the room's chat bars for guests and registered users, the registered
// users' wait between messages, the 2-second fun-phrase and 5-second dice
// limits, and the toolbar's guest and member checks. Ticks come from the
// platform tick, so tests drive them on virtual time.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Tick.h"

namespace kel {

// The own user as the rules see him.
struct ChatUser {
    int32_t UserType = 0;      // 1 guest, 2 registered, 3 and above members
    int32_t ManagerLevel = 0;  // above 0: a manager of some rank
};

// The room record's values the rules read.
struct ChatRoomRules {
    int32_t PublicChatBar = 0;   // above 0 no guests; above 1 no registered users
    int32_t PrivateChatBar = 0;
    int32_t RegisteredWaitS = 0;
};

bool IsNotGuest(const ChatUser& u);
bool IsMemberOrManager(const ChatUser& u);

inline constexpr const char* kMemberOnlyText = "游客和注册用户没有使用此功能的权限";
inline constexpr const char* kTooLongText = "你发送的文本内容过大,将自动截断";

class TChatRules {
public:
    // Starts the three clocks, as entering the room does.
    void InitRoom(const ChatUser& user, const ChatRoomRules& room);

    // The refusal text for a chat message, or nothing when it may go out
    // (then the registered users' clock restarts).
    std::optional<std::string> CheckChat(bool whisper);
    // The wait text when a fun phrase is too early; otherwise the clock
    // restarts and nothing is returned.
    std::optional<std::string> CheckFunPhrase();
    std::optional<std::string> CheckDice();

    const ChatUser& User() const { return user_; }

private:
    ChatUser user_;
    ChatRoomRules room_;
    Tick last_chat_ = 0;
    Tick last_fun_ = 0;
    Tick last_dice_ = 0;
};

// How a received chat message is shown.
enum class ChatRoute { Drop, Private, Public };
// 9013: a message to oneself is private, a public one public; whispers
// between others, one's own messages and blocked senders are dropped.
ChatRoute RouteBroadcast(int32_t from, int32_t to, bool whisper, int32_t self, bool sender_blocked);
// 19014: shown only when addressed to oneself by someone not blocked.
ChatRoute RoutePrivate(int32_t from, int32_t to, int32_t self, bool sender_blocked);

// What to do after showing a private line from `sender`.
enum class AutoReplyAction { None, Notice, Send };
AutoReplyAction DecideAutoReply(const std::string& auto_reply, int32_t sender, int32_t self,
                                bool received_was_auto_reply);
inline constexpr const char* kBothAutoReplyText =
    "因为您和对方都设置了消息自动回复模式，系统对于此条消息不进行自动回复!";

// The text of a 19015 refusal; empty for reasons without a text.
std::string ChatRefusalText(int32_t reason);
// The text of a 20023 answer; nothing for results of 0 or less.
std::optional<std::string> FunPhraseAnswerText(int32_t result);
// The dice result line's text.
std::string DiceText(const std::string& nick, int32_t user_id);

// The room page address for friends; `host` is the community web server.
std::string RoomLinkUrl(const std::string& host, int32_t room_id, int32_t server_group);

// The flower: one of the four phrase groups, chosen by `pick` (0..3).
int32_t FlowerGroup(unsigned pick);

} // namespace kel
