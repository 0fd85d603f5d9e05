// The chat area end to end without widgets: what goes out for a message,
// where received messages are shown, the automatic reply and its loop
// guard, fun phrases, dice, trimming, and truncated messages.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "../support/TempDir.h"
#include "FakeChatRoom.h"
#include "platform/ManualLoop.h"
#include "protocol/LayoutSupport.h"
#include "room/ChatArea.h"

namespace kel {
namespace {

using FakeRoom = test::FakeChatRoom;
using StringDoc = test::StringDoc;

size_t Count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

class ChatAreaTest : public ::testing::Test {
protected:
    ChatAreaTest() : area(room, pub, lower, lines, nullptr) {
        lines.ResourcePath = "/p/";
        lines.FileExists = [](const std::string&) { return false; };
        area.LocalTime = [] { return std::string("10:00:00"); };
        Enter(3, 0, {});
    }
    void Enter(int32_t type, int32_t manager, ChatRoomRules rules) {
        ChatSelf s;
        s.UserID = 5;
        s.NickName = "me";
        s.LevelName = "vip";
        s.User = {type, manager};
        s.Rules = rules;
        area.InitRoom(s);
    }
    bool Feed(const std::vector<uint8_t>& b) { return area.HandleMessage(b.data(), b.size()); }
    std::vector<uint8_t> Chat9013(int32_t from, int32_t to, bool whisper, bool auto_reply, std::string text = "hi") {
        ChatBroadcast m;
        m.FromUserID = from;
        m.FromNick = "u" + std::to_string(from);
        m.ToUserID = to;
        m.ToNick = to == 0 ? "大家" : "u" + std::to_string(to);
        m.Whisper = whisper;
        m.AutoReply = auto_reply;
        m.Text = text;
        return Encode(m);
    }
    template <class T>
    std::optional<T> Sent(size_t i) {
        if (i >= room.sent.size()) return std::nullopt;
        return Decode<T>(room.sent[i]);
    }

    ManualLoop loop;
    FakeRoom room;
    StringDoc pub, lower;
    TLineBuilder lines;
    TChatArea area;
};

TEST_F(ChatAreaTest, SendEchoesAndSendsRequest) {
    room.levels[6] = "g1";
    area.SelectTarget(6, "amy");
    area.SetWhisperChecked(true);
    ChatFont f;
    f.Name = "Arial";
    f.Size = 12;
    f.Color = 0xff;
    f.Styles = kFontBold;
    ASSERT_TRUE(area.Send("hello", f));
    EXPECT_TRUE(pub.Has("悄悄说:"));  // echo on the private output: the public screen without split
    auto m = Sent<ChatRequest>(0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Head.RoomID, 1001);
    EXPECT_EQ(m->ToUserID, 6);
    EXPECT_EQ(m->ToNick, "amy");
    EXPECT_EQ(m->ImageFrom, "vip");
    EXPECT_EQ(m->ImageTo, "g1");
    EXPECT_TRUE(m->Whisper);
    EXPECT_FALSE(m->AutoReply);
    EXPECT_EQ(m->FontName, "Arial");
    EXPECT_EQ(m->FontStyles, kFontBold);
    EXPECT_EQ(m->Text, "hello");
    EXPECT_FALSE(area.Send("", f));
    EXPECT_EQ(room.sent.size(), 1u);
}

TEST_F(ChatAreaTest, TargetsAndWhisperBox) {
    EXPECT_FALSE(area.WhisperEnabled());
    area.SetWhisperChecked(true);
    EXPECT_FALSE(area.WhisperChecked());
    area.SelectTarget(6, "amy");
    EXPECT_TRUE(area.WhisperEnabled());
    EXPECT_FALSE(area.WhisperChecked());  // enabled, still unticked
    area.SetWhisperChecked(true);
    area.SelectTarget(7, "bob");
    area.SelectTarget(6, "amy");
    EXPECT_EQ(area.Targets().size(), 3u);
    area.RemoveTarget(6);
    EXPECT_EQ(area.TargetID(), 0);
    EXPECT_FALSE(area.WhisperChecked());
    EXPECT_EQ(area.Targets().size(), 2u);
}

TEST_F(ChatAreaTest, UserLinks) {
    room.levels[6] = "g1";
    struct Row {
        const char* name;
        int32_t id;
        bool menu;
        int32_t target;
    } rows[] = {
        {"another user", 7, true, 7},
        {"everybody selects nobody", 0, false, 0},
        {"oneself does nothing", 5, false, 0},
        {"no user", -1, false, 0},
    };
    for (const auto& r : rows) {
        area.SelectTargetIndex(0);
        EXPECT_EQ(area.UserLinkClicked(r.id), r.menu) << r.name;
        EXPECT_EQ(area.TargetID(), r.target) << r.name;
    }
    EXPECT_EQ(area.Targets().size(), 2u);
}

TEST_F(ChatAreaTest, RefusedMessageKeepsItsEcho) {
    Enter(2, 0, {0, 0, 20});
    loop.AdvanceBy(20000);
    ASSERT_TRUE(area.Send("one", {}));
    ASSERT_TRUE(area.Send("two", {}));
    EXPECT_EQ(room.sent.size(), 1u);
    ASSERT_EQ(pub.lines.size(), 3u);
    EXPECT_NE(pub.lines[1].find("two"), std::string::npos);
    EXPECT_NE(pub.lines[2].find("注册用户的公聊间隔时间还没有到"), std::string::npos);
    EXPECT_NE(pub.lines[2].find("SystemMsg3"), std::string::npos);
}

TEST_F(ChatAreaTest, OverlongTextIsCutWithMessageBox) {
    ASSERT_TRUE(area.Send(std::string(1001, 'a'), {}));
    ASSERT_EQ(room.boxes.size(), 1u);
    EXPECT_EQ(room.boxes[0], "你发送的文本内容过大,将自动截断");
    ASSERT_EQ(room.sent.size(), 1u);
    EXPECT_EQ(room.sent[0].size(), 1128u);
}

TEST_F(ChatAreaTest, ReceivedChatGoesToTheRightScreen) {
    area.SetSplit(true);
    room.focus = false;
    struct Row {
        const char* name;
        std::vector<uint8_t> msg;
        size_t pub, lower;
        int flashes;
    } rows[] = {
        {"public", Chat9013(7, 0, false, false), 1, 0, 0},
        {"to me", Chat9013(7, 5, false, false), 0, 1, 1},
        {"whisper to me", Chat9013(7, 5, true, false), 0, 1, 1},
        {"whisper between others", Chat9013(7, 8, true, false), 0, 0, 0},
        {"my own", Chat9013(5, 0, false, false), 0, 0, 0},
    };
    for (auto& r : rows) {
        pub.lines.clear();
        lower.lines.clear();
        room.flashes = 0;
        EXPECT_TRUE(Feed(r.msg)) << r.name;
        EXPECT_EQ(pub.lines.size(), r.pub) << r.name;
        EXPECT_EQ(lower.lines.size(), r.lower) << r.name;
        EXPECT_EQ(room.flashes, r.flashes) << r.name;
    }
    room.blocked.insert(7);
    lower.lines.clear();
    Feed(Chat9013(7, 5, true, false));
    EXPECT_TRUE(lower.lines.empty());
}

TEST_F(ChatAreaTest, HiddenPublicChatDropsChatButNotSystemLines) {
    area.SetHidePublicChat(true);
    Feed(Chat9013(7, 0, false, false));
    Feed(Chat9013(7, 5, true, false));  // split off: private output is the public screen
    area.ShowEntry(7, "u7");
    ChatRefused r;
    r.Reason = 1;
    Feed(Encode(r));
    ASSERT_EQ(pub.lines.size(), 2u);
    EXPECT_NE(pub.lines[0].find("InRoomMsg"), std::string::npos);
    EXPECT_NE(pub.lines[1].find("用户等级小于本房间公聊最低用户等级,请升级会员！"), std::string::npos);
}

TEST_F(ChatAreaTest, AutomaticReplyWithLoopGuard) {
    area.AutoReply = "I am <away>";
    PrivateChatMessage m;
    m.FromUserID = 7;
    m.FromNick = "u7";
    m.ToUserID = 5;
    m.Text = "are you there";
    ASSERT_TRUE(Feed(Encode(m)));
    auto reply = Sent<ChatRequest>(0);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->ToUserID, 7);
    EXPECT_TRUE(reply->AutoReply);
    EXPECT_EQ(reply->Text, "I am away");  // cleaned like a nickname

    m.AutoReply = true;  // the other side answers automatically too
    ASSERT_TRUE(Feed(Encode(m)));
    EXPECT_EQ(room.sent.size(), 1u);
    EXPECT_TRUE(pub.Has("因为您和对方都设置了消息自动回复模式"));

    // A 19014 for somebody else is ignored.
    m.ToUserID = 8;
    m.AutoReply = false;
    size_t before = pub.lines.size();
    Feed(Encode(m));
    EXPECT_EQ(pub.lines.size(), before);
}

TEST_F(ChatAreaTest, FunPhrasesAndDice) {
    area.SelectTarget(6, "amy");
    loop.AdvanceBy(2000);
    area.FunPhrase(6, "amy", 3001);
    auto f = Sent<FunPhraseRequest>(0);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ToUserID, 6);
    EXPECT_EQ(f->Phrase, 3001);
    EXPECT_TRUE(room.pending.count({20022, 6}));
    area.FunPhrase(6, "amy", 3002);
    EXPECT_EQ(room.sent.size(), 1u);
    EXPECT_TRUE(pub.Has("发送系统语言时间间隔为2秒，现在还有2秒。"));

    FunPhraseAnswer a;
    a.Result = 2;
    a.ToUserID = 6;
    Feed(Encode(a));
    EXPECT_FALSE(room.pending.count({20022, 6}));
    EXPECT_TRUE(pub.Has("接受趣语用户已经退出房间，发送失败"));

    // A phrase to me while an automatic reply is set: the phrase and the notice.
    area.AutoReply = "away";
    FunPhraseDelivered d;
    d.FromUserID = 7;
    d.FromNick = "u7";
    d.ToUserID = 5;
    d.ToNick = "me";
    d.Phrase = 3003;
    Feed(Encode(d));
    EXPECT_TRUE(pub.Has("u7(7)"));
    EXPECT_TRUE(pub.Has("因为您和对方都设置了消息自动回复模式"));
    EXPECT_EQ(room.sent.size(), 1u);

    loop.AdvanceBy(5000);
    area.Dice();
    auto dice = Sent<DiceRequest>(1);
    ASSERT_TRUE(dice);
    EXPECT_EQ(dice->NickName, "me");
    EXPECT_EQ(dice->RoomTicket, 77);
    DiceResult r;
    r.UserID = 7;
    r.NickName = "<u7>";
    r.Die1 = 3;
    r.Die2 = 6;
    Feed(Encode(r));
    EXPECT_TRUE(pub.Has("★系统提示★:u7(7) 掷出骰子"));
    EXPECT_TRUE(pub.Has("Dice/3.png"));
    EXPECT_TRUE(pub.Has("Dice/6.png"));
}

// Gift lines of paced batches on the public screen, unless hidden for
// gifts between others.
TEST_F(ChatAreaTest, PacedGiftLines) {
    test::TempDir dir;
    {
        TGiftInfo rose;
        rose.id = 101;
        rose.name = "玫瑰";
        rose.picture = "rose.gif";
        auto bytes = EncodeGiftRecord(rose);
        std::ofstream(dir.File("Gift.dat"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                     static_cast<std::streamsize>(bytes.size()));
    }
    TGift gifts(dir.File("Gift.dat"));
    lines.Gifts = &gifts;
    TGiftPacer pacer;
    TGiftBatch others;
    others.GiverID = 7;
    others.ReceiverID = 8;
    others.GiftID = 101;
    others.Remaining = others.Count = 25;
    others.Unit = "朵";
    TGiftBatch mine = others;
    mine.ReceiverID = 5;
    mine.Remaining = mine.Count = 3;
    pacer.Add(others);
    pacer.Add(mine);
    area.SetHideGifts(true);
    std::vector<int> shown;
    while (auto s = area.PaceGifts(pacer, 10)) shown.push_back(s->Line.ShowCount);
    EXPECT_EQ(shown, (std::vector<int>{10, 3, 10, 5}));
    ASSERT_EQ(pub.lines.size(), 1u);  // only the batch for this user
    EXPECT_EQ(Count(pub.lines[0], "Gift30/rose.gif"), 3u);
    EXPECT_NE(pub.lines[0].find(", 共3朵玫瑰"), std::string::npos);

    area.SetHideGifts(false);
    pacer.Add(others);
    area.PaceGifts(pacer, 10);
    EXPECT_EQ(pub.lines.size(), 2u);
}

TEST_F(ChatAreaTest, ScreensTrimAtTheirLimits) {
    for (int i = 1; i <= 200; ++i) area.ShowEntry(i, "u");
    EXPECT_EQ(pub.trims, 0);
    area.ShowEntry(201, "u");  // the 201st line trims before it is added
    EXPECT_EQ(pub.trims, 1);
    EXPECT_EQ(pub.lines.size(), 1u);
    // The counter starts again at 30: 170 more lines fit, the next trims.
    for (int i = 0; i < 170; ++i) area.ShowEntry(1, "u");
    EXPECT_EQ(pub.trims, 1);
    area.ShowEntry(1, "u");
    EXPECT_EQ(pub.trims, 2);
}

TEST_F(ChatAreaTest, GuestToolbarRefusals) {
    Enter(1, 0, {});
    EXPECT_FALSE(area.RequireNotGuest("游客不能发送表情"));
    EXPECT_FALSE(area.RequireMemberOrManager());
    EXPECT_TRUE(pub.Has("游客不能发送表情"));
    EXPECT_TRUE(pub.Has("游客和注册用户没有使用此功能的权限"));
    Enter(2, 0, {});
    EXPECT_TRUE(area.RequireNotGuest("x"));
    EXPECT_FALSE(area.RequireMemberOrManager());
}

// Every chat message cut short anywhere is refused whole and shows nothing.
TEST_F(ChatAreaTest, TruncatedMessagesAreDropped) {
    std::vector<std::vector<uint8_t>> full = {Chat9013(7, 0, false, false, "hello there")};
    {
        PrivateChatMessage m;
        m.FromUserID = 7;
        m.ToUserID = 5;
        m.Text = "private";
        full.push_back(Encode(m));
    }
    full.push_back(Encode(ChatRefused{1}));
    {
        FunPhraseDelivered d;
        d.FromUserID = 7;
        d.ToUserID = 0;
        d.Phrase = 4001;
        full.push_back(Encode(d));
    }
    {
        DiceResult r;
        r.UserID = 7;
        full.push_back(Encode(r));
    }
    {
        SystemAnnouncement a;
        a.Text = "maintenance";
        full.push_back(Encode(a));
    }
    full.push_back(Encode(FunPhraseAnswer{1, 6}));
    for (const auto& msg : full) {
        for (size_t len = 0; len < msg.size(); ++len) {
            std::vector<uint8_t> cut(msg.begin(), msg.begin() + static_cast<long>(len));
            EXPECT_FALSE(area.HandleMessage(cut.data(), cut.size())) << MessageCode(msg.data(), msg.size()) << " " << len;
        }
    }
    EXPECT_TRUE(pub.lines.empty());
    EXPECT_TRUE(room.sent.empty());
}

} // namespace
} // namespace kel
