// Three clients' chat areas talking to the room server's services: every
// message a client sends is what the server reads, and every message the
// server sends is what the addressed client handles. Public chat, a whisper
// seen by its addressee only, a refusal, a fun phrase and the dice.
#include "ServiceFixture.h"

#include "../room/FakeChatRoom.h"
#include "foundation/Md5.h"
#include "protocol/ChatMessages.h"
#include "protocol/RoomEntryMessages.h"
#include "room/ChatArea.h"

namespace kel::server::test {
namespace {

class ChatEndToEnd : public ServiceFixture {
protected:
    struct Client : kel::test::FakeChatRoom {
        ChatEndToEnd* net = nullptr;
        uint16_t port = 0;
        RoomRequestHeader head;
        kel::test::StringDoc pub, lower;
        TLineBuilder lines;
        std::unique_ptr<TChatArea> area;

        void SendRoomMessage(std::vector<uint8_t> msg) override { net->ToServer(port, msg); }
        RoomRequestHeader RequestHeader() const override { return head; }
    };

    void ToServer(uint16_t port, const std::vector<uint8_t>& msg) {
        rooms[0]->OnMessage({Loopback(), port, msg});
        for (const auto& s : out.Take())
            for (auto& c : clients)
                if (c->port == s.Port) c->area->HandleMessage(s.Plain.data(), s.Plain.size());
    }

    Client& Join(uint16_t port, int32_t user, int32_t type) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = Md5Hex("pass" + std::to_string(user));
        ToRoom(1, port, e);
        auto entry = Only<RoomEntryAnswer>(out.Take(), port);
        EXPECT_TRUE(entry && entry->ErrorText.empty());
        EnterRoomRequest enter;
        enter.UserID = user;
        enter.RoomID = 1001;
        enter.RoomTicket = entry ? entry->RoomTicket : 0;
        ToRoom(1, port, enter);
        out.Take();

        auto c = std::make_unique<Client>();
        c->net = this;
        c->port = port;
        c->head = {user, 1001, enter.RoomTicket, 0, 0};
        c->self = user;
        c->lines.FileExists = [](const std::string&) { return false; };
        c->area = std::make_unique<TChatArea>(*c, c->pub, c->lower, c->lines, nullptr);
        c->area->SetSplit(true);
        c->area->LocalTime = [] { return std::string("21:00:00"); };
        ChatSelf self;
        self.UserID = user;
        self.NickName = "n" + std::to_string(user);
        self.User = {type, 0};
        c->area->InitRoom(self);
        clients.push_back(std::move(c));
        return *clients.back();
    }

    std::vector<std::unique_ptr<Client>> clients;
};

TEST_F(ChatEndToEnd, PublicWhisperRefusalPhrasesAndDice) {
    Client& ming = Join(7101, 10001, 2);  // registered
    Client& hong = Join(7102, 10002, 3);  // VIP
    Client& gang = Join(7103, 10003, 4);
    loop.AdvanceBy(60000);

    ming.area->Send("大家好", {});
    EXPECT_TRUE(hong.pub.Has("大家好"));
    EXPECT_TRUE(gang.pub.Has("大家好"));
    EXPECT_TRUE(hong.pub.Has("小明(10001)"));  // the server's nickname
    EXPECT_TRUE(ming.lower.Has("大家好"));    // the echo, on the private output

    // A whisper reaches only its addressee, on his private screen.
    hong.area->SelectTarget(10003, "金卡会员");
    hong.area->SetWhisperChecked(true);
    hong.area->Send("只告诉你", {});
    EXPECT_TRUE(gang.lower.Has("只告诉你"));
    EXPECT_TRUE(gang.lower.Has("悄悄说:"));
    EXPECT_FALSE(gang.pub.Has("只告诉你"));
    EXPECT_FALSE(ming.pub.Has("只告诉你"));
    EXPECT_FALSE(ming.lower.Has("只告诉你"));

    // The room bars registered users; the server refuses even if the client let it out.
    auto row = db->FindRoom(1001);
    row->Info.PublicChatBar = 2;
    db->SaveRoom(*row);
    ming.area->Send("还能说话吗", {});
    EXPECT_TRUE(ming.pub.Has("用户等级小于本房间公聊最低用户等级,请升级会员！"));
    EXPECT_FALSE(hong.pub.Has("还能说话吗"));

    // A fun phrase to a user: everybody sees the line, the addressee privately.
    gang.area->FunPhrase(10002, "小红", 4005);
    EXPECT_TRUE(hong.lower.Has("InterestMsg"));
    EXPECT_TRUE(ming.pub.Has("InterestMsg"));
    EXPECT_TRUE(gang.pub.Has("InterestMsg"));
    EXPECT_TRUE(gang.pending.empty());  // the answer cleared the request

    // The dice: thrown by the server, the same values for everybody.
    hong.area->Dice();
    ASSERT_TRUE(ming.pub.Has("★系统提示★:小红(10002) 掷出骰子"));
    std::string seen_by_ming, seen_by_gang;
    for (const auto& l : ming.pub.lines)
        if (l.find("掷出骰子") != std::string::npos) seen_by_ming = l;
    for (const auto& l : gang.pub.lines)
        if (l.find("掷出骰子") != std::string::npos) seen_by_gang = l;
    EXPECT_EQ(seen_by_ming, seen_by_gang);
    EXPECT_NE(seen_by_ming.find("Dice/"), std::string::npos);
}

} // namespace
} // namespace kel::server::test
