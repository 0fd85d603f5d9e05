// Chat through the whole server on loopback: three clients, each with the
// chat area of a room window, sending through the reliable endpoint and
// handling what arrives. Public chat, a whisper that reaches only its
// addressee's private screen, a refusal, fun phrases and dice seen by
// everybody, and an announcement from the operator's console.
#include <gtest/gtest.h>

#include "../room/FakeChatRoom.h"
#include "LoopbackClient.h"
#include "OperatorConsole.h"
#include "ServerApp.h"
#include "ServiceFixture.h"
#include "foundation/Md5.h"
#include "protocol/ChatMessages.h"
#include "protocol/RoomEntryMessages.h"
#include "room/ChatArea.h"

namespace kel::server::test {
namespace {

struct ChatClient : kel::test::FakeChatRoom {
    LoopbackClient net;
    uint16_t room_port = 0;
    RoomRequestHeader head;
    kel::test::StringDoc pub, lower;
    TLineBuilder lines;
    std::unique_ptr<TChatArea> area;

    void SendRoomMessage(std::vector<uint8_t> msg) override { net.SendRaw(room_port, msg); }
    RoomRequestHeader RequestHeader() const override { return head; }
    // Waits for the next message with `code` and hands it to the chat area.
    bool Receive(int32_t code) {
        auto m = net.WaitFor(code);
        return m && area->HandleMessage(m->data(), m->size());
    }
};

class ChatLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        log.SetQuiet(true);
        cfg.Database = dir.File("community.db");
        cfg.PortHttp = 0;
        loop = std::make_unique<LoopThread>();
        app = std::make_unique<ServerApp>(cfg, loop->Loop(), log);
        std::string error;
        ASSERT_TRUE(app->Start(&error, true)) << error;
        loop->Start();
    }
    void TearDown() override {
        clients.clear();
        loop->Stop();
        app->Stop();
    }

    // Runs `fn` on the server's loop thread and waits for it.
    void OnServer(std::function<void()> fn) {
        std::promise<void> done;
        loop->Loop().Post([&] {
            fn();
            done.set_value();
        });
        done.get_future().wait();
    }

    ChatClient& Join(int32_t user, int32_t type) {
        auto c = std::make_unique<ChatClient>();
        c->room_port = app->RoomPort(1);
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = Md5Hex("pass" + std::to_string(user));
        c->net.Send(c->room_port, e);
        auto a = c->net.WaitForMessage<RoomEntryAnswer>();
        EXPECT_TRUE(a && a->ErrorText.empty());
        EnterRoomRequest enter;
        enter.UserID = user;
        enter.RoomID = 1001;
        enter.RoomTicket = a ? a->RoomTicket : 0;
        c->net.Send(c->room_port, enter);
        EXPECT_TRUE(c->net.WaitFor(20111));
        c->head = {user, 1001, enter.RoomTicket, 0, 0};
        c->self = user;
        c->lines.FileExists = [](const std::string&) { return false; };
        c->area = std::make_unique<TChatArea>(*c, c->pub, c->lower, c->lines, nullptr);
        c->area->SetSplit(true);
        ChatSelf self;
        self.UserID = user;
        self.NickName = "n" + std::to_string(user);
        self.User = {type, 0};
        c->area->InitRoom(self);
        clients.push_back(std::move(c));
        return *clients.back();
    }

    TempDir dir;
    ServerLog log;
    ServerConfig cfg;
    std::unique_ptr<LoopThread> loop;
    std::unique_ptr<ServerApp> app;
    std::vector<std::unique_ptr<ChatClient>> clients;
};

TEST_F(ChatLoopback, ThreeClientsChat) {
    ChatClient& hong = Join(10002, 3);
    ChatClient& gold = Join(10003, 4);
    ChatClient& diamond = Join(10004, 5);

    hong.area->Send("大家好<BR>晚上好", {});
    ASSERT_TRUE(gold.Receive(9013));
    ASSERT_TRUE(diamond.Receive(9013));
    EXPECT_TRUE(gold.pub.Has("小红(10002)"));
    EXPECT_TRUE(diamond.pub.Has("大家好<BR>晚上好"));

    // The whisper reaches the addressee's private screen and nobody else.
    gold.area->SelectTarget(10004, "钻石会员");
    gold.area->SetWhisperChecked(true);
    gold.area->Send("悄悄话 <i>text</i>", {});
    ASSERT_TRUE(diamond.Receive(19014));
    EXPECT_TRUE(diamond.lower.Has("悄悄话 &lt;i&gt;text&lt;/i&gt;"));
    EXPECT_TRUE(diamond.lower.Has("悄悄说:"));
    EXPECT_FALSE(diamond.pub.Has("悄悄话"));

    // A fun phrase to everybody and the dice: everybody sees them, the
    // whisper never reached the third client.
    // (The requests go out directly: the clients' own 2 and 5 second limits
    // count from entering, and this test does not wait in real time.)
    FunPhraseRequest phrase;
    phrase.Head = diamond.head;
    phrase.Phrase = 4002;
    diamond.SendRoomMessage(Encode(phrase));
    ASSERT_TRUE(diamond.Receive(20023));
    for (ChatClient* c : {&hong, &gold, &diamond}) ASSERT_TRUE(c->Receive(9084));
    DiceRequest dice;
    dice.UserID = hong.head.UserID;
    dice.RoomID = 1001;
    dice.RoomTicket = hong.head.RoomTicket;
    hong.SendRoomMessage(Encode(dice));
    for (ChatClient* c : {&hong, &gold, &diamond}) ASSERT_TRUE(c->Receive(8006));
    for (ChatClient* c : {&hong, &gold, &diamond}) {
        EXPECT_TRUE(c->pub.Has("InterestMsg"));
        EXPECT_TRUE(c->pub.Has("★系统提示★:小红(10002) 掷出骰子"));
    }
    // Nothing private reached the first client (it would have come before the dice).
    for (int32_t code : hong.net.Pending()) EXPECT_NE(code, 19014);
    EXPECT_FALSE(hong.pub.Has("悄悄话"));

    // A registered user in a room that bars registered users from public
    // chat is refused by the server (this client's own bars were not set).
    OnServer([&] {
        auto row = app->Db().FindRoom(1001);
        row->Info.PublicChatBar = 2;
        app->Db().SaveRoom(*row);
    });
    ChatClient& ming = Join(10001, 2);
    ming.area->Send("我能说话吗", {});
    ASSERT_TRUE(ming.Receive(19015));
    EXPECT_TRUE(ming.pub.Has("用户等级小于本房间公聊最低用户等级,请升级会员！"));

    // The operator's console announces to the room.
    std::string answer;
    OnServer([&] { answer = RunOperatorCommand(*app, "announce 1001 今晚维护"); });
    EXPECT_EQ(answer, "announced to 4 stays");
    ASSERT_TRUE(gold.Receive(8001));
    EXPECT_TRUE(gold.lower.Has("系统公告：今晚维护"));
}

TEST(OperatorConsole, CommandsAndMistakes) {
    ServerLog log;
    log.SetQuiet(true);
    TempDir dir;
    ServerConfig cfg;
    cfg.Database = dir.File("community.db");
    cfg.PortHttp = 0;
    LoopThread loop;
    ServerApp app(cfg, loop.Loop(), log);
    std::string error;
    ASSERT_TRUE(app.Start(&error, true)) << error;
    EXPECT_EQ(RunOperatorCommand(app, "announce 0 nobody listens\n"), "announced to 0 stays");
    EXPECT_EQ(RunOperatorCommand(app, "announce x text"), "usage: announce ROOM TEXT");
    EXPECT_EQ(RunOperatorCommand(app, "announce 1001"), "usage: announce ROOM TEXT");
    EXPECT_EQ(RunOperatorCommand(app, ""), "");
    EXPECT_NE(RunOperatorCommand(app, "reboot").find("unknown command"), std::string::npos);
    app.Stop();
}

} // namespace
} // namespace kel::server::test
