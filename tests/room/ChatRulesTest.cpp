// The sending rules in virtual time: chat bars by user type and manager
// level, the registered users' wait (counted from entering too), and the
// fun-phrase and dice limits.
#include <gtest/gtest.h>

#include "platform/ManualLoop.h"
#include "room/ChatRules.h"

namespace kel {
namespace {

const std::string kNoRegPublic = "本房间不允许注册用户公聊！您所发送的信息未发出！";
const std::string kNoGuestPublic = "本房间不允许游客公聊！您所发送的信息未发出！";
const std::string kNoRegPrivate = "本房间不允许注册用户私聊！您所发送的信息未发出！";
const std::string kNoGuestPrivate = "本房间不允许游客私聊！您所发送的信息未发出！";
const std::string kWait = "注册用户的公聊间隔时间还没有到！您所发送的信息未发出！";

TEST(ChatRules, SendRulesTable) {
    struct Row {
        const char* name;
        int32_t type, manager, public_bar, private_bar, wait_s;
        bool whisper;
        uint32_t after_enter_ms;
        std::string refusal;  // empty: goes out
    } rows[] = {
        {"guest, open room", 1, 0, 0, 0, 0, false, 0, ""},
        {"guest, public bar 1", 1, 0, 1, 0, 0, false, 0, kNoGuestPublic},
        {"guest whispers past public bar 1", 1, 0, 1, 0, 0, true, 0, ""},
        {"guest, private bar 1", 1, 0, 0, 1, 0, true, 0, kNoGuestPrivate},
        {"registered, public bar 1", 2, 0, 1, 0, 0, false, 0, ""},
        {"registered, public bar 2", 2, 0, 2, 0, 0, false, 0, kNoRegPublic},
        {"guest, public bar 2", 1, 0, 2, 0, 0, false, 0, kNoGuestPublic},
        {"registered, private bar 2", 2, 0, 0, 2, 0, true, 0, kNoRegPrivate},
        {"registered waits after entering", 2, 0, 0, 0, 20, false, 19999, kWait},
        {"registered waited long enough", 2, 0, 0, 0, 20, false, 20000, ""},
        {"wait applies to whispers", 2, 0, 0, 0, 20, true, 5000, kWait},
        {"bar comes before the wait", 2, 0, 2, 0, 20, false, 0, kNoRegPublic},
        {"guests have no wait", 1, 0, 0, 0, 20, false, 0, ""},
        {"member is never refused", 3, 0, 9, 9, 20, false, 0, ""},
        {"manager is never refused", 1, 1, 9, 9, 20, true, 0, ""},
        {"registered manager skips the wait", 2, 2, 2, 2, 20, false, 0, ""},
    };
    for (const auto& r : rows) {
        ManualLoop loop;
        TChatRules rules;
        rules.InitRoom({r.type, r.manager}, {r.public_bar, r.private_bar, r.wait_s});
        loop.AdvanceBy(r.after_enter_ms);
        auto got = rules.CheckChat(r.whisper);
        EXPECT_EQ(got.value_or(""), r.refusal) << r.name;
    }
}

TEST(ChatRules, RegisteredWaitRestartsWithEachMessage) {
    ManualLoop loop;
    TChatRules rules;
    rules.InitRoom({2, 0}, {0, 0, 20});
    loop.AdvanceBy(20000);
    EXPECT_FALSE(rules.CheckChat(false));
    loop.AdvanceBy(10000);
    EXPECT_EQ(rules.CheckChat(false).value_or(""), kWait);  // refused: clock not restarted
    loop.AdvanceBy(10000);
    EXPECT_FALSE(rules.CheckChat(true));
}

TEST(ChatRules, FunPhraseAndDiceLimits) {
    ManualLoop loop;
    TChatRules rules;
    rules.InitRoom({3, 0}, {});
    EXPECT_EQ(rules.CheckFunPhrase().value_or(""), "发送系统语言时间间隔为2秒，现在还有2秒。");
    loop.AdvanceBy(1500);
    EXPECT_EQ(rules.CheckFunPhrase().value_or(""), "发送系统语言时间间隔为2秒，现在还有1秒。");
    loop.AdvanceBy(500);
    EXPECT_FALSE(rules.CheckFunPhrase());
    EXPECT_TRUE(rules.CheckFunPhrase());  // clock restarted

    rules.InitRoom({3, 0}, {});
    const char* waits[] = {"5", "4", "3", "2", "1"};
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(rules.CheckDice().value_or(""), std::string("骰子时间间隔为5秒，现在还有") + waits[s] + "秒。");
        loop.AdvanceBy(s == 4 ? 999 : 1000);
    }
    loop.AdvanceBy(1);
    EXPECT_FALSE(rules.CheckDice());
}

TEST(ChatRules, RoutingAndAutoReply) {
    struct Row {
        const char* name;
        int32_t from, to;
        bool whisper, blocked;
        ChatRoute broadcast, private_;
    } rows[] = {
        {"public to all", 7, 0, false, false, ChatRoute::Public, ChatRoute::Drop},
        {"to me", 7, 5, false, false, ChatRoute::Private, ChatRoute::Private},
        {"whisper to me", 7, 5, true, false, ChatRoute::Private, ChatRoute::Private},
        {"whisper between others", 7, 8, true, false, ChatRoute::Drop, ChatRoute::Drop},
        {"public between others", 7, 8, false, false, ChatRoute::Public, ChatRoute::Drop},
        {"my own", 5, 0, false, false, ChatRoute::Drop, ChatRoute::Drop},
        {"blocked sender", 7, 5, false, true, ChatRoute::Drop, ChatRoute::Drop},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(RouteBroadcast(r.from, r.to, r.whisper, 5, r.blocked), r.broadcast) << r.name;
        EXPECT_EQ(RoutePrivate(r.from, r.to, 5, r.blocked), r.private_) << r.name;
    }
    EXPECT_EQ(DecideAutoReply("", 7, 5, false), AutoReplyAction::None);
    EXPECT_EQ(DecideAutoReply("away", 7, 5, false), AutoReplyAction::Send);
    EXPECT_EQ(DecideAutoReply("away", 7, 5, true), AutoReplyAction::Notice);
    EXPECT_EQ(DecideAutoReply("away", 5, 5, false), AutoReplyAction::None);
}

TEST(ChatRules, TextsAndLinks) {
    EXPECT_EQ(ChatRefusalText(3), "巡管号码禁止聊天！");
    EXPECT_EQ(ChatRefusalText(9), "");
    EXPECT_FALSE(FunPhraseAnswerText(0));
    EXPECT_EQ(FunPhraseAnswerText(7).value_or("-"), "");
    EXPECT_EQ(DiceText("bob", 10005), "★系统提示★:bob(10005) 掷出骰子");
    EXPECT_EQ(DiceText(std::string(60, 'n'), 1), "★系统提示★:" + std::string(37, 'n') + "(1) 掷出骰子");
    EXPECT_EQ(RoomLinkUrl("web:8080", 1001, 2), "http://web:8080/kelvo_web_/index.htm?RoomID=1001&vpport=20022");
    EXPECT_EQ(RoomLinkUrl("w", 5, 1).substr(RoomLinkUrl("w", 5, 1).size() - 5), "20011");
}

} // namespace
} // namespace kel
