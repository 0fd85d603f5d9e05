// Room windows' mic logic against the room server's services on one
// virtual clock: every request a client sends is what the server reads,
// every message the server sends reaches the addressed client's receive
// path, and the server's timers run as the clock moves. A mic taken and
// seen by everybody, the queue moving up, a manager holding a user off,
// and mic time running out.
#include "ServiceFixture.h"

#include "../room/RoomFixture.h"
#include "protocol/Encrypt.h"
#include "protocol/Envelope.h"
#include "room/ChatRoom.h"
#include "room/MicControl.h"

namespace kel::server::test {
namespace {

using kel::test::RecordingView;

constexpr uint32_t kServerIp = 0x0100007f;
constexpr uint16_t kRoomPort = 20011;

class MicEndToEnd : public ServiceFixture {
protected:
    // Hands what a client sends to the server and what the server sends
    // back to the clients.
    class Bridge : public IRoomEndpoint {
    public:
        Bridge(MicEndToEnd& net, uint16_t port) : net_(net), port_(port) {}
        void SetActive(bool on) override { active_ = on; }
        bool Active() const override { return active_; }
        void SendReliable(uint32_t, uint16_t, const uint8_t* data, int32_t len) override {
            std::vector<uint8_t> buf(data, data + len);
            GlobalEncrypt->Decrypt(buf);
            net_.rooms[0]->OnMessage({Loopback(), port_, buf});
        }
        int32_t PendingCount() const override { return 0; }

    private:
        MicEndToEnd& net_;
        uint16_t port_;
        bool active_ = false;
    };

    struct Client {
        uint16_t port = 0;
        Bridge* bridge = nullptr;
        RecordingView view;
        std::unique_ptr<TChatRoom> room;
    };

    void SetUp() override {
        CreateGlobalEncrypt();
        ServiceFixture::SetUp();
        cfg.SessionTimeoutMs = 24 * 3600 * 1000;  // the clients' keep-alive is not what is tested here
    }
    void TearDown() override {
        clients.clear();
        Deliver();
        loop.AdvanceBy(2000);
    }

    Client& Join(uint16_t port, int32_t user) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = Md5Hex("pass" + std::to_string(user));
        ToRoom(1, port, e);
        auto entry = Only<RoomEntryAnswer>(out.Take(), port);
        EXPECT_TRUE(entry && entry->ErrorText.empty());
        auto c = std::make_unique<Client>();
        c->port = port;
        auto bridge = std::make_unique<Bridge>(*this, port);
        c->bridge = bridge.get();
        TRoomContext ctx;
        ctx.Cipher = GlobalEncrypt;
        ctx.RoomPorts = {kRoomPort, 20022, 20033};
        ctx.AppPath = "/nonexistent/";
        c->room = std::make_unique<TChatRoom>(loop, ctx, c->view, std::move(bridge));
        TRoomInit init;
        init.UserID = user;
        init.NickName = "n" + std::to_string(user);
        init.UserType = entry->UserType;
        init.ManagerLevel = entry->ManagerLevel;
        init.RightLevel = entry->RightLevel;
        init.MicRight = entry->MicRight;
        init.Room = entry->Room;
        init.ServerIp = kServerIp;
        init.RoomTicket = entry->RoomTicket;
        EXPECT_TRUE(c->room->InitRoom(init));
        clients.push_back(std::move(c));
        Run(90);
        return *clients.back();
    }

    // What the server sent, into the receive path of the addressed client.
    void Deliver() {
        for (const auto& s : out.Take())
            for (auto& c : clients)
                if (c->port == s.Port) {
                    auto sealed = SealMessage(*GlobalEncrypt, s.Plain.data(), s.Plain.size());
                    c->room->QueueInbound(kServerIp, kRoomPort, sealed.data(), static_cast<int32_t>(sealed.size()));
                }
    }
    // Virtual time in 30 ms steps: timers fire, messages travel, pumps run.
    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 30) {
            Deliver();
            loop.AdvanceBy(30);
        }
        Deliver();
        loop.AdvanceBy(30);
    }
    static bool Has(const RecordingView& v, const std::string& what, const std::string& text) {
        for (const auto& l : v.lines)
            if (l.What == what && l.Text.find(text) != std::string::npos) return true;
        return false;
    }

    std::vector<std::unique_ptr<Client>> clients;
};

TEST_F(MicEndToEnd, SlotsQueueHoldingOffAndTimeRunningOut) {
    Client& ming = Join(7101, 10001);   // registered
    Client& hong = Join(7102, 10002);   // VIP
    Client& jin = Join(7103, 10003);    // gold
    Client& zuan = Join(7104, 10004);   // diamond
    Client& qiang = Join(7105, 10005);  // manager of the room

    ming.room->Mic().ReqMic(1);
    Run(90);
    EXPECT_EQ(ming.room->Mic().MySlot(), 0);
    EXPECT_TRUE(ming.room->Mic().OwnSender().Running());
    EXPECT_TRUE(Has(ming.view, "publicsys", "你 由 不在麦 转为上 公麦"));
    for (Client* c : {&hong, &jin, &qiang}) {
        EXPECT_EQ(c->room->Mic().SlotUser(0), 10001);
        EXPECT_TRUE(Has(c->view, "publicsys", "小明(10001) 由 不在麦 转为上 公麦"));
        ASSERT_FALSE(c->view.starts.empty());
        EXPECT_FALSE(c->view.starts.back().Own);
    }
    EXPECT_TRUE(qiang.view.starts.back().MayTakeOff);
    EXPECT_FALSE(hong.view.starts.back().MayTakeOff);

    // The slots fill; the next one waits in the queue.
    hong.room->Mic().ReqMic(1);
    jin.room->Mic().ReqMic(1);
    Run(90);
    zuan.room->Mic().ReqMic(1);
    Run(90);
    EXPECT_TRUE(Has(zuan.view, "system", "麦序已满，你已在排麦列表等待"));
    EXPECT_EQ(zuan.room->Waits().Count(), 0u);
    EXPECT_FALSE(zuan.room->Mic().OwnSender().Running());
    EXPECT_EQ(qiang.room->Mic().QueuedUsers(), std::vector<int32_t>{10004});
    EXPECT_EQ(qiang.room->Lists().Caption(TRoomUserLists::kMicOrder), "麦序(1)");

    // The manager holds the VIP off; the queue moves up into his slot.
    qiang.room->Mic().OnAddCancelMic(10002);
    Run(90);
    EXPECT_TRUE(Has(qiang.view, "system", "成功抱用户下麦"));
    EXPECT_TRUE(Has(hong.view, "publicsys", "你 被 阿强(10005) 强制下麦"));
    EXPECT_FALSE(hong.room->Mic().OwnSender().Running());
    for (Client* c : {&ming, &hong, &qiang}) EXPECT_EQ(c->room->Mic().SlotUser(1), 10004);
    EXPECT_EQ(zuan.room->Mic().MySlot(), 1);
    EXPECT_TRUE(zuan.room->Mic().OwnSender().Running());
    EXPECT_TRUE(qiang.room->Mic().QueuedUsers().empty());

    // A registered user may not do the same.
    ming.room->Mic().OnAddCancelMic(10003);
    Run(90);
    EXPECT_TRUE(Has(ming.view, "system", "您的权限不够！"));
    EXPECT_EQ(qiang.room->Mic().SlotUser(2), 10003);

    // The demo room gives ten minutes; the client counts down, the server ends it.
    Run(5 * 60000);
    ASSERT_TRUE(hong.view.times.contains(0));
    EXPECT_LE(hong.view.times[0], 5 * 60000);
    EXPECT_GE(hong.view.times[0], 5 * 60000 - 1000);
    Run(5 * 60000);
    EXPECT_TRUE(Has(hong.view, "publicsys", "小明(10001) 因上麦时间到下麦"));
    EXPECT_TRUE(Has(ming.view, "publicsys", "你 因上麦时间到下麦"));
    EXPECT_EQ(hong.room->Mic().SlotUser(0), 0);
    EXPECT_EQ(ming.room->Mic().MySlot(), -1);
    EXPECT_FALSE(ming.room->Mic().OwnSender().Running());
    EXPECT_EQ(ming.room->MicState(), 0);
}

TEST_F(MicEndToEnd, LeavingTheRoomFreesTheMicForTheOthers) {
    Client& ming = Join(7101, 10001);
    Client& qiang = Join(7105, 10005);
    ming.room->Mic().ReqMic(1);
    Run(90);
    ASSERT_EQ(qiang.room->Mic().SlotUser(0), 10001);
    // Closing the window leaves the mic, then the room.
    clients.erase(clients.begin());
    Run(90);
    EXPECT_EQ(qiang.room->Mic().SlotUser(0), 0);
    EXPECT_EQ(qiang.view.stops, std::vector<int>{0});
    EXPECT_EQ(rooms[0]->Mics().SlotHolder(1001, 0), 0);
    // A newcomer sees the mic empty in his entry lists.
    Client& hong = Join(7102, 10002);
    EXPECT_EQ(hong.room->Mic().SlotUser(0), 0);
    EXPECT_TRUE(hong.view.starts.empty());
}

TEST_F(MicEndToEnd, ANewcomerSeesWhoHoldsTheMics) {
    Client& ming = Join(7101, 10001);
    ming.room->Mic().ReqMic(1);
    Run(90);
    Client& hong = Join(7102, 10002);
    EXPECT_EQ(hong.room->Mic().SlotUser(0), 10001);
    ASSERT_EQ(hong.view.starts.size(), 1u);
    EXPECT_EQ(hong.view.starts[0].MediaPort, cfg.PortMedia);
    EXPECT_TRUE(hong.room->Mic().IsOnMic(10001));
    EXPECT_EQ(hong.room->Directory().GetMicState(10001), 1);
}

} // namespace
} // namespace kel::server::test
