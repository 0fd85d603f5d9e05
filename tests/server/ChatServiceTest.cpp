// The room server's chat: who receives a chat message and in which form,
// the refusals and the chat ban, fun phrases and their answers, dice rolled
// by the server, and announcements.
#include "ServiceFixture.h"

#include "foundation/Md5.h"
#include "protocol/ChatMessages.h"
#include "protocol/RoomEntryMessages.h"

namespace kel::server::test {
namespace {

class ChatServiceTest : public ServiceFixture {
protected:
    RoomRequestHeader Stay(uint16_t port, int32_t user, int32_t room_id = 1001) {
        return EnterRoom(port, user, "pass" + std::to_string(user), room_id);
    }
    void SetUp() override {
        ServiceFixture::SetUp();
        a = Stay(7001, 10001);  // 小明, registered
        b = Stay(7002, 10002);  // 小红, VIP
        c = Stay(7003, 10003);
    }
    ChatRequest Chat(const RoomRequestHeader& from, int32_t to, bool whisper, const std::string& text) {
        ChatRequest m;
        m.Head = from;
        m.ToUserID = to;
        m.ToNick = "forged";
        m.Whisper = whisper;
        m.FontName = "Arial";
        m.Text = text;
        return m;
    }
    std::vector<uint16_t> PortsOf(const std::vector<Sent>& sent, int32_t code) {
        std::vector<uint16_t> ports;
        for (const auto& s : sent)
            if (s.Code() == code) ports.push_back(s.Port);
        std::sort(ports.begin(), ports.end());
        return ports;
    }
    RoomRequestHeader a, b, c;
};

TEST_F(ChatServiceTest, DeliveryByTargetAndWhisper) {
    struct Row {
        const char* name;
        int32_t to;
        bool whisper;
        std::vector<uint16_t> private_ports, room_ports;
    } rows[] = {
        {"to everybody", 0, false, {}, {7002, 7003}},
        {"to a user, public", 10002, false, {7002}, {7003}},
        {"whisper", 10002, true, {7002}, {}},
        {"whisper to everybody is public", 0, true, {}, {7002, 7003}},
        {"to somebody not in the room", 10004, false, {}, {7002, 7003}},
    };
    for (const auto& r : rows) {
        ToRoom(1, 7001, Chat(a, r.to, r.whisper, "hi<BR>there"));
        auto sent = out.Take();
        EXPECT_EQ(PortsOf(sent, 19014), r.private_ports) << r.name;
        EXPECT_EQ(PortsOf(sent, 9013), r.room_ports) << r.name;
    }
    ToRoom(1, 7001, Chat(a, 10002, false, "hello"));
    auto sent = out.Take();
    auto p = Only<PrivateChatMessage>(sent, 7002);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->FromUserID, 10001);
    EXPECT_EQ(p->FromNick, "小明");  // the server's record, not the request
    EXPECT_EQ(p->ToNick, "小红");
    EXPECT_EQ(p->FromLevel, "注册用户");
    EXPECT_EQ(p->Text, "hello");
    EXPECT_EQ(p->FontName, "Arial");
}

TEST_F(ChatServiceTest, RefusalsAndBan) {
    auto room = db->FindRoom(1001);
    ASSERT_TRUE(room);
    room->Info.PublicChatBar = 2;
    room->Info.PrivateChatBar = 2;
    db->SaveRoom(*room);
    ToRoom(1, 7001, Chat(a, 0, false, "x"));
    auto r1 = Only<ChatRefused>(out.Take(), 7001);
    ASSERT_TRUE(r1);
    EXPECT_EQ(r1->Reason, 1);
    ToRoom(1, 7001, Chat(a, 10002, true, "x"));
    auto r2 = Only<ChatRefused>(out.Take(), 7001);
    ASSERT_TRUE(r2);
    EXPECT_EQ(r2->Reason, 2);
    ToRoom(1, 7002, Chat(b, 0, false, "members may"));
    EXPECT_EQ(PortsOf(out.Take(), 9013), (std::vector<uint16_t>{7001, 7003}));

    rooms[0]->Chat().PatrolNumbers.insert(10003);
    ToRoom(1, 7003, Chat(c, 0, false, "x"));
    auto r3 = Only<ChatRefused>(out.Take(), 7003);
    ASSERT_TRUE(r3);
    EXPECT_EQ(r3->Reason, 3);

    ASSERT_TRUE(rooms[0]->Chat().SetChatForbidden(1001, 10002, true));
    ToRoom(1, 7002, Chat(b, 0, false, "banned"));
    EXPECT_TRUE(out.Take().empty());

    RoomRequestHeader stale = b;
    stale.RoomTicket ^= 1;
    rooms[0]->Chat().SetChatForbidden(1001, 10002, false);
    ToRoom(1, 7002, Chat(stale, 0, false, "wrong ticket"));
    EXPECT_TRUE(out.Take().empty());
}

TEST_F(ChatServiceTest, FunPhrases) {
    struct Row {
        const char* name;
        int32_t to;
        int32_t result;
        bool delivered;
    } rows[] = {
        {"to a user", 10002, 0, true},
        {"to everybody", 0, 0, true},
        {"to oneself", 10001, 1, false},
        {"to somebody gone", 10004, 2, false},
    };
    for (const auto& r : rows) {
        FunPhraseRequest f;
        f.Head = a;
        f.ToUserID = r.to;
        f.Phrase = 4003;
        ToRoom(1, 7001, f);
        auto sent = out.Take();
        auto answer = Only<FunPhraseAnswer>(sent, 7001);
        ASSERT_TRUE(answer) << r.name;
        EXPECT_EQ(answer->Result, r.result) << r.name;
        EXPECT_EQ(answer->ToUserID, r.to) << r.name;
        EXPECT_EQ(PortsOf(sent, 9084).size(), r.delivered ? 3u : 0u) << r.name;
        if (r.delivered) {
            auto d = Only<FunPhraseDelivered>(sent, 7003);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->FromNick, "小明");
            EXPECT_EQ(d->Phrase, 4003);
            EXPECT_EQ(d->TimeText.size(), 8u);
        }
    }
}

TEST_F(ChatServiceTest, DiceRolledByTheServerForEverybody) {
    std::set<int32_t> seen;
    for (int i = 0; i < 60; ++i) {
        DiceRequest d;
        d.UserID = a.UserID;
        d.RoomID = 1001;
        d.RoomTicket = a.RoomTicket;
        d.NickName = "forged";
        ToRoom(1, 7001, d);
        auto sent = out.Take();
        ASSERT_EQ(PortsOf(sent, 8006), (std::vector<uint16_t>{7001, 7002, 7003}));
        auto r = Only<DiceResult>(sent, 7002);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->NickName, "小明");
        for (int32_t v : {r->Die1, r->Die2}) {
            EXPECT_GE(v, 1);
            EXPECT_LE(v, 6);
            seen.insert(v);
        }
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST_F(ChatServiceTest, Announcements) {
    EXPECT_EQ(rooms[0]->Chat().Announce(1001, "维护通知"), 3);
    auto m = Only<SystemAnnouncement>(out.Take(), 7002);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, "维护通知");
    EXPECT_EQ(rooms[0]->Chat().Announce(4242, "x"), 0);
    EXPECT_EQ(rooms[0]->Chat().Announce(0, "all"), 3);
}

} // namespace
} // namespace kel::server::test
