// Room windows' logic against the community server on loopback: two users
// in one room see each other enter and leave, profiles and IP queries are
// answered, and the keep-alive keeps a stay while a silent one is dropped.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "../room/RoomFixture.h"
#include "LoopbackClient.h"
#include "OperatorConsole.h"
#include "ServerApp.h"
#include "ServiceFixture.h"
#include "foundation/Md5.h"
#include "platform/ManualLoop.h"
#include "protocol/RoomEntryMessages.h"
#include "room/ChatRoom.h"
#include "room/IpLocator.h"
#include "room/MicControl.h"
#include "room/PackUdpEndpoint.h"

namespace kel::server::test {
namespace {

using kel::test::RecordingView;

class RoomEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        CreateGlobalEncrypt();
        log.SetQuiet(true);
        cfg.Database = dir.File("community.db");
        cfg.PortHttp = 1; // any free port
        cfg.SessionTimeoutMs = 1500;
        cfg.SessionCheckMs = 100;
        server_loop = std::make_unique<LoopThread>();
        app = std::make_unique<ServerApp>(cfg, server_loop->Loop(), log);
        std::string error;
        ASSERT_TRUE(app->Start(&error, true)) << error;
        server_loop->Start();
        locator = std::make_unique<THttpIpLocator>(loop, "http://127.0.0.1:" + std::to_string(app->HttpPort()) + "/getip");
    }
    void TearDown() override {
        a.reset();
        b.reset();
        Drive([] { return LingeringEndpoints() == 0; });
        locator.reset();
        server_loop->Stop();
        app->Stop();
    }

    // The hall's part: the entry request and its answer.
    RoomEntryAnswer Entry(int32_t user, const std::string& password) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = Md5Hex(password);
        hall.Send(app->RoomPort(1), e);
        auto ans = hall.WaitForMessage<RoomEntryAnswer>();
        EXPECT_TRUE(ans && ans->ErrorText.empty());
        return ans.value_or(RoomEntryAnswer{});
    }

    std::unique_ptr<TChatRoom> Open(RecordingView& view, int32_t user, const std::string& password, const char* nick) {
        const RoomEntryAnswer e = Entry(user, password);
        TRoomContext ctx;
        ctx.Cipher = GlobalEncrypt;
        ctx.RoomPorts = {app->RoomPort(1), app->RoomPort(2), app->RoomPort(3)};
        ctx.Locator = locator.get();
        auto room = std::make_unique<TChatRoom>(loop, ctx, view, std::make_unique<TPackUdpEndpoint>(loop));
        TRoomInit init;
        init.UserID = e.UserID;
        init.NickName = nick;
        init.UserType = e.UserType;
        init.ManagerLevel = e.ManagerLevel;
        init.RightLevel = e.RightLevel;
        init.MicRight = e.MicRight;
        init.Room = e.Room;
        init.ServerIp = kel::test::kServerIp;
        init.RoomTicket = e.RoomTicket;
        EXPECT_TRUE(room->InitRoom(init));
        return room;
    }

    // Runs the clients' loop in 30 ms steps while real time lets the
    // datagrams travel, until `done` or about five seconds.
    template <class F>
    bool Drive(F done) {
        for (int i = 0; i < 1000; ++i) {
            if (done()) return true;
            loop.AdvanceBy(30);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }

    static bool Has(const RecordingView& v, const std::string& what, const std::string& text) {
        for (const auto& l : v.lines)
            if (l.What == what && l.Text.find(text) != std::string::npos) return true;
        return false;
    }

    TempDir dir;
    ServerLog log;
    ServerConfig cfg;
    std::unique_ptr<LoopThread> server_loop;
    std::unique_ptr<ServerApp> app;
    ManualLoop loop{1000, ManualLoop::InstallClock::No};
    LoopbackClient hall;
    std::unique_ptr<THttpIpLocator> locator;
    RecordingView va, vb;
    std::unique_ptr<TChatRoom> a, b;
};

TEST_F(RoomEndToEnd, TwoUsersSeeEachOtherAskAboutEachOtherAndLeave) {
    a = Open(va, 10005, "pass10005", "阿强"); // manager of the room: may see addresses
    ASSERT_TRUE(Drive([&] { return a->Directory().FindUser(10005) && a->EchoValue() != 0; }));
    b = Open(vb, 10001, "pass10001", "小明");
    ASSERT_TRUE(Drive([&] { return a->Directory().FindUser(10001) && b->Directory().FindUser(10005); }));
    EXPECT_EQ(a->Lists().Caption(TRoomUserLists::kUser), "用户(2)");
    EXPECT_EQ(a->Lists().Caption(TRoomUserLists::kManager), "管理(1)");
    EXPECT_TRUE(Has(va, "entry", "小明")); // a registered user comes in with the plain line

    a->SendProfileQuery(10001);
    ASSERT_TRUE(Drive([&] { return !va.profiles.empty(); }));
    EXPECT_EQ(va.profiles[0].NickName, "小明");
    EXPECT_EQ(a->Waits().Count(), 0u);

    a->SendAddressQuery(10001);
    ASSERT_TRUE(Drive([&] { return Has(va, "system", "用户10001的IP:127.0.0.1 地址:"); }));
    b->SendAddressQuery(10005); // without the right
    ASSERT_TRUE(Drive([&] { return Has(vb, "system", "您没有查看用户10005IP信息的权限!"); }));

    // The operator's restart notice reaches both.
    std::promise<std::string> said;
    server_loop->Loop().Post([&] { said.set_value(RunOperatorCommand(*app, "restart 1001 系统升级")); });
    EXPECT_EQ(said.get_future().get(), "restart notice to 2 stays");
    ASSERT_TRUE(Drive([&] { return Has(vb, "system", "由于系统升级,10分钟之后房间重启！"); }));

    b.reset(); // leaves with 20015
    ASSERT_TRUE(Drive([&] { return !a->Directory().FindUser(10001); }));
    EXPECT_TRUE(Has(va, "leave", "小明"));
    EXPECT_EQ(a->Lists().Caption(TRoomUserLists::kUser), "用户(1)");
}

TEST_F(RoomEndToEnd, KeepAliveHoldsTheStayWhileASilentOneIsDropped) {
    a = Open(va, 10005, "pass10005", "阿强");
    ASSERT_TRUE(Drive([&] { return a->EchoValue() != 0; }));
    // A second stay that never sends a keep-alive.
    const RoomEntryAnswer e = Entry(10002, "pass10002");
    EnterRoomRequest enter;
    enter.UserID = 10002;
    enter.RoomID = 1001;
    enter.RoomTicket = e.RoomTicket;
    hall.Send(app->RoomPort(1), enter);
    ASSERT_TRUE(Drive([&] { return a->Directory().FindUser(10002) != nullptr; }));

    // Three seconds of real time, twice the server's limit; the pump sends a
    // keep-alive every 1001 ticks, here about every 300 ms.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int32_t echo = a->EchoValue();
    int answers = 0;
    while (std::chrono::steady_clock::now() < until) {
        for (int i = 0; i < 1001; ++i) loop.AdvanceBy(30);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        loop.AdvanceBy(30);
        if (a->EchoValue() != echo) {
            ++answers;
            echo = a->EchoValue();
        }
    }
    EXPECT_GE(answers, 5);
    EXPECT_FALSE(a->Directory().FindUser(10002)) << "the silent stay was dropped";
    EXPECT_TRUE(Has(va, "leave", "小红"));
    EXPECT_EQ(app->Members().RoomCount(1001), 1);
    EXPECT_EQ(va.alive_lost, 0);
}

TEST_F(RoomEndToEnd, AMicTakenOverLoopbackAndAManagerTakingItAway) {
    a = Open(va, 10005, "pass10005", "阿强");
    b = Open(vb, 10001, "pass10001", "小明");
    ASSERT_TRUE(Drive([&] { return a->Directory().FindUser(10001) && b->Directory().FindUser(10005); }));
    b->Mic().ReqMic(1);
    ASSERT_TRUE(Drive([&] { return a->Mic().SlotUser(0) == 10001 && b->Mic().MySlot() == 0; }));
    EXPECT_TRUE(b->Mic().OwnSender().Running());
    EXPECT_EQ(b->Waits().Count(), 0u);
    EXPECT_TRUE(Has(va, "publicsys", "小明(10001) 由 不在麦 转为上 公麦"));
    ASSERT_EQ(va.starts.size(), 1u);
    EXPECT_EQ(va.starts[0].MediaIp, kel::test::kServerIp);
    EXPECT_EQ(va.starts[0].User.MicTimeLimit, 600000);

    a->Mic().OnAddCancelMic(10001);
    ASSERT_TRUE(Drive([&] { return b->Mic().MySlot() == -1 && a->Mic().SlotUser(0) == 0; }));
    EXPECT_TRUE(Has(va, "system", "成功抱用户下麦"));
    EXPECT_TRUE(Has(vb, "publicsys", "你 被 阿强(10005) 强制下麦"));
    EXPECT_FALSE(b->Mic().OwnSender().Running());
}

} // namespace
} // namespace kel::server::test
