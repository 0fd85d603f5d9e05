// The whole server on loopback, driven through the project's reliable
// endpoint and envelope as a client would drive it. Wherever the server
// writes a message, its bytes are compared with the layout written out by
// hand; values the server draws at random (connection pairs, tickets) are
// taken from the message before the comparison.
#include <gtest/gtest.h>

#include "../support/HandBytes.h"
#include "LoopbackClient.h"
#include "ServerApp.h"
#include "ServiceFixture.h"
#include "foundation/Md5.h"
#include "protocol/HallMessages.h"
#include "protocol/RegistrationMessages.h"
#include "protocol/RoomEntryMessages.h"
#include "protocol/RoomMessages.h"

namespace kel::server::test {
namespace {

using kel::test::Hand;
using Bytes = std::vector<uint8_t>;

int32_t I32At(const Bytes& b, size_t off) {
    return static_cast<int32_t>(b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) | (static_cast<uint32_t>(b[off + 3]) << 24));
}
int16_t I16At(const Bytes& b, size_t off) { return static_cast<int16_t>(b[off] | (b[off + 1] << 8)); }

const char kXiaoHong[] = "\xd0\xa1\xba\xec";  // 小红
const char kXiaoMing[] = "\xd0\xa1\xc3\xf7";  // 小明
const char kVipLevel[] = "\xbb\xe1\xd4\xb1";  // 会员
const char kRegisteredLevel[] = "\xd7\xa2\xb2\xe1\xd3\xc3\xbb\xa7";  // 注册用户

// The 96-byte records of two demo users in room 1001, from the table.
void HandXiaoHong(Hand& h, size_t b) {
    h.i32(b + 0, 10002).str(b + 4, kXiaoHong).i16(b + 52, 3).str(b + 56, kVipLevel).str(b + 67, kVipLevel);
    h.i32(b + 78, 0x808000).u8(b + 82, 6).i16(b + 83, -1).i32(b + 85, 0x81).i32(b + 89, 0x3f);
}
void HandXiaoMing(Hand& h, size_t b) {
    h.i32(b + 0, 10001).str(b + 4, kXiaoMing).i16(b + 52, 2).str(b + 56, kRegisteredLevel);
    h.str(b + 67, kRegisteredLevel).u8(b + 82, 8).i16(b + 83, -1).i32(b + 89, 0x2f);
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        log.SetQuiet(true);
        cfg.Database = dir.File("community.db");
        cfg.PortHttp = 0;
        cfg.WordFilter = "bad|word";
        StartServer();
    }
    void TearDown() override { StopServer(); }

    void StartServer() {
        loop = std::make_unique<LoopThread>();
        app = std::make_unique<ServerApp>(cfg, loop->Loop(), log);
        std::string error;
        ASSERT_TRUE(app->Start(&error, true)) << error;
        loop->Start();
    }
    void StopServer() {
        if (loop) loop->Stop();
        if (app) app->Stop();
        app.reset();
        loop.reset();
    }

    uint16_t Hall() const { return app->HallPort(); }
    uint16_t Room(int g) const { return app->RoomPort(g); }

    LoginAnswer LoginAs(LoopbackClient& c, int32_t user, const std::string& password) {
        LoginRequest req;
        req.UserID = user;
        req.PasswordDigest = user ? Md5Hex(password) : "";
        c.Send(Hall(), req);
        auto a = c.WaitForMessage<LoginAnswer>();
        EXPECT_TRUE(a.has_value());
        return a.value_or(LoginAnswer{});
    }

    RoomEntryAnswer EntryTo(LoopbackClient& c, int group, int32_t user, const std::string& password, int32_t room,
                            const std::string& room_password = "") {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = room;
        e.PasswordDigest = user ? Md5Hex(password) : "";
        e.RoomPassword = room_password;
        c.Send(Room(group), e);
        auto a = c.WaitForMessage<RoomEntryAnswer>();
        EXPECT_TRUE(a.has_value());
        return a.value_or(RoomEntryAnswer{});
    }

    // Entry and enter; returns the header of this stay's requests.
    RoomRequestHeader Enter(LoopbackClient& c, int group, int32_t user, const std::string& password, int32_t room) {
        RoomEntryAnswer a = EntryTo(c, group, user, password, room);
        EXPECT_EQ(a.ErrorText, "");
        EnterRoomRequest enter;
        enter.UserID = a.UserID;
        enter.RoomID = room;
        enter.RoomTicket = a.RoomTicket;
        enter.MachineId = "0A1B2C3D4E5F";
        c.Send(Room(group), enter);
        return RoomRequestHeader{a.UserID, room, a.RoomTicket, 0, 0};
    }

    TempDir dir;
    ServerLog log;
    ServerConfig cfg;
    std::unique_ptr<LoopThread> loop;
    std::unique_ptr<ServerApp> app;
};

TEST_F(EndToEnd, ProbeAndLogin) {
    LoopbackClient c;
    HallProbeRequest probe;
    c.Send(Hall(), probe);
    auto answer = c.WaitFor(10009);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, Hand(28).head(10009).u32(22, 0x0100007f).i16(26, static_cast<int16_t>(c.Port())).bytes());

    LoginRequest login;
    login.UserID = 10002;
    login.LoginKey = 99;
    login.PasswordDigest = Md5Hex("pass10002");
    c.Send(Hall(), login);
    auto ok = c.WaitFor(11001);
    ASSERT_TRUE(ok);
    ASSERT_EQ(ok->size(), 359u);
    std::string web = "http://127.0.0.1:0";
    Hand expected = Hand(359).head(11001).i32(8, 10002).i32(63, I32At(*ok, 63)).i16(67, I16At(*ok, 67));
    expected.i32(77, I32At(*ok, 77)).str(81, web + "/hall.htm").str(182, web + "/roomimg/").str(283, kXiaoHong);
    expected.i32(322, 5000).i16(326, 3).i16(328, 0).i32(341, 1).i16(345, 8).raw(351, "bad|word");
    EXPECT_EQ(*ok, expected.bytes());
    EXPECT_NE(I32At(*ok, 63), 0) << "a connection pair is handed out";

    struct Refusal {
        int32_t user;
        const char* password;
        const char* gbk_error;
    };
    const Refusal refusals[] = {
        {10002, "wrong", "\xc3\xdc\xc2\xeb\xb4\xed\xce\xf3"},           // 密码错误
        {55555, "pass55555", "\xd3\xc3\xbb\xa7\xb2\xbb\xb4\xe6\xd4\xda"},  // 用户不存在
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.user);
        login.UserID = r.user;
        login.PasswordDigest = Md5Hex(r.password);
        c.Send(Hall(), login);
        auto no = c.WaitFor(11001);
        ASSERT_TRUE(no);
        EXPECT_EQ(*no, Hand(351).head(11001).i32(8, r.user).str(12, r.gbk_error).bytes());
    }

    LoginAnswer guest = LoginAs(c, 0, "");
    EXPECT_EQ(guest.ErrorText, "");
    EXPECT_EQ(guest.UserID, 0);
    EXPECT_EQ(guest.UserType, 1);
    EXPECT_EQ(guest.NickName, "游客");
    EXPECT_NE(guest.Connection.A, 0);
}

TEST_F(EndToEnd, KeepAliveAndSecondLoginElsewhere) {
    LoopbackClient first, second;
    LoginAnswer a = LoginAs(first, 10003, "pass10003");
    ASSERT_EQ(a.ErrorText, "");

    HallKeepAlive k;
    k.UserID = 10003;
    k.Connection = a.Connection;
    first.Send(Hall(), k);
    auto ka = first.WaitFor(10022);
    ASSERT_TRUE(ka);
    ConnectionPair fresh{I32At(*ka, 20), I16At(*ka, 24)};
    EXPECT_EQ(*ka, Hand(32).head(10022).i32(20, fresh.A).i16(24, fresh.B).bytes());
    EXPECT_NE(fresh, a.Connection);

    ASSERT_EQ(LoginAs(second, 10003, "pass10003").ErrorText, "");
    auto elsewhere = first.WaitFor(11003);
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(*elsewhere, Hand(12).head(11003).i32(8, 10003).bytes());

    // The earlier session is gone: its room query is answered "not logged in".
    RoomQuery q;
    q.UserID = 10003;
    q.Connection = fresh;
    q.RoomID = 1001;
    first.Send(Hall(), q);
    auto gone = first.WaitForMessage<RoomQueryAnswer>();
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->Status, 3);
    EXPECT_TRUE(second.Pending().empty()) << "the new session is not told anything";
}

TEST_F(EndToEnd, RoomQueryStatuses) {
    LoopbackClient member, guest;
    LoginAnswer m = LoginAs(member, 10002, "pass10002");
    LoginAnswer g = LoginAs(guest, 0, "");
    struct Case {
        const char* name;
        LoopbackClient* client;
        int32_t user;
        ConnectionPair conn;
        int32_t room;
        int32_t status;
        int32_t group;
    };
    const Case cases[] = {
        {"open room of group 1", &member, 10002, m.Connection, 1001, 0, 1},
        {"password room of group 2", &member, 10002, m.Connection, 2001, 0, 2},
        {"room of group 3", &member, 10002, m.Connection, 3001, 0, 3},
        {"no such room", &member, 10002, m.Connection, 4242, 1, 0},
        {"closed room", &member, 10002, m.Connection, 3003, 2, 0},
        {"wrong connection pair", &member, 10002, {m.Connection.A + 1, m.Connection.B}, 1001, 3, 0},
        {"number of another session", &member, 10001, m.Connection, 1001, 3, 0},
        {"guest in a popular room", &guest, 0, g.Connection, 3002, 0, 3},
        {"guest elsewhere", &guest, 0, g.Connection, 2002, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RoomQuery q;
        q.UserID = c.user;
        q.Connection = c.conn;
        q.RoomID = c.room;
        c.client->Send(Hall(), q);
        auto a = c.client->WaitFor(20008);
        ASSERT_TRUE(a);
        EXPECT_EQ(*a, Hand(24).head(20008).i32(12, c.status).i32(16, c.room).i32(20, c.group).bytes());
    }
}

TEST_F(EndToEnd, RoomEntryRefusalsAndGrant) {
    LoopbackClient c;
    RoomEntryAnswer no_pw = EntryTo(c, 2, 10002, "pass10002", 2001);
    EXPECT_EQ(no_pw.ErrorText, "房间密码错误");
    EXPECT_EQ(no_pw.RoomTicket, 0);
    EXPECT_EQ(EntryTo(c, 2, 10002, "pass10002", 2001, "4321").ErrorText, "房间密码错误");
    RoomEntryAnswer low = EntryTo(c, 1, 10001, "pass10001", 1002);
    EXPECT_EQ(low.ErrorText, "您的等级不够进入该房间");
    EXPECT_EQ(low.UpgradeRoomID, 1002);
    EXPECT_EQ(EntryTo(c, 1, 10002, "wrong", 1001).ErrorText, "用户验证失败，请重新登录");
    EXPECT_EQ(EntryTo(c, 1, 10002, "pass10002", 2001).ErrorText, "房间不存在") << "room of another group";
    EXPECT_EQ(EntryTo(c, 2, 10005, "pass10005", 2001).ErrorText, "") << "a manager needs no password";

    RoomEntryRequest e;
    e.UserID = 10002;
    e.RoomID = 2001;
    e.PasswordDigest = Md5Hex("pass10002");
    e.RoomPassword = "1234";
    c.Send(Room(2), e);
    auto granted = c.WaitFor(20011);
    ASSERT_TRUE(granted);
    ASSERT_EQ(granted->size(), 1535u);
    EXPECT_EQ(I32At(*granted, 8), 10002);
    EXPECT_NE(I32At(*granted, 16), 0) << "room ticket";
    EXPECT_EQ((*granted)[20], 0) << "no error text";
    EXPECT_EQ(I16At(*granted, 63), 3);
    EXPECT_EQ(I16At(*granted, 65), 0);
    EXPECT_EQ(I32At(*granted, 67), 0x3f);
    EXPECT_EQ(I32At(*granted, 71), 0x81);
    EXPECT_EQ(I32At(*granted, 75 + 0), 2001);
    EXPECT_EQ(Bytes(granted->begin() + 75 + 4, granted->begin() + 75 + 13),
              Hand(9).str(0, "\xd2\xf4\xc0\xd6\xd6\xae\xc9\xf9").bytes());  // 音乐之声
    EXPECT_EQ((*granted)[75 + 73], 1) << "needs a password";
    EXPECT_EQ((*granted)[75 + 74], 0) << "the password itself is only for those who may change it";
    EXPECT_EQ(I16At(*granted, 75 + 95), 2);

    // Guests get a number of their own in a popular room.
    RoomEntryAnswer g1 = EntryTo(c, 1, 0, "", 1001);
    RoomEntryAnswer g2 = EntryTo(c, 1, 0, "", 1001);
    EXPECT_EQ(g1.ErrorText, "");
    EXPECT_GE(g1.UserID, Community::kGuestFirst);
    EXPECT_NE(g1.UserID, g2.UserID);
    EXPECT_EQ(g1.UserType, 1);
    EXPECT_EQ(EntryTo(c, 1, 0, "", 1002).ErrorText, "您的号码只能进人气房间！");
}

TEST_F(EndToEnd, EnterAndLeaveAreAnnouncedToTheOthers) {
    LoopbackClient hong, ming;
    RoomRequestHeader h = Enter(hong, 1, 10002, "pass10002", 1001);

    auto welcome = hong.WaitFor(20111);
    ASSERT_TRUE(welcome);
    ConnectionPair echo{I32At(*welcome, 20), I16At(*welcome, 24)};
    EXPECT_EQ(*welcome, Hand(186).head(20111).i32(20, echo.A).i16(24, echo.B).i32(26, 0).bytes());
    auto list = hong.WaitFor(20121);
    ASSERT_TRUE(list);
    Hand own(24 + 96);
    own.head(20121).i32(20, 1);
    HandXiaoHong(own, 24);
    EXPECT_EQ(*list, own.bytes()) << "the list holds the new member itself";
    auto mic_states = hong.WaitFor(20122);
    ASSERT_TRUE(mic_states);
    EXPECT_EQ(*mic_states, Hand(24).head(20122).bytes());
    auto mics = hong.WaitFor(8000);
    ASSERT_TRUE(mics);
    EXPECT_EQ(*mics, Hand(20).head(8000).bytes());
    auto queue = hong.WaitFor(8011);
    ASSERT_TRUE(queue);
    EXPECT_EQ(*queue, Hand(20).head(8011).bytes());

    // A registered user comes in: announced plainly, and shown the list of both.
    RoomRequestHeader m = Enter(ming, 1, 10001, "pass10001", 1001);
    auto plain_in = hong.WaitFor(20016);
    ASSERT_TRUE(plain_in);
    Hand entered(120);
    entered.head(20016).i32(116, 10001);
    HandXiaoMing(entered, 20);
    EXPECT_EQ(*plain_in, entered.bytes());
    auto both = ming.WaitFor(20121);
    ASSERT_TRUE(both);
    Hand two(24 + 2 * 96);
    two.head(20121).i32(20, 2);
    HandXiaoHong(two, 24);
    HandXiaoMing(two, 120);
    EXPECT_EQ(*both, two.bytes());

    // Keep-alive of a stay.
    RoomKeepAlive k;
    k.Head = m;
    ming.Send(Room(1), k);
    auto ka = ming.WaitFor(10022);
    ASSERT_TRUE(ka);
    EXPECT_EQ(*ka, Hand(32).head(10022).i32(20, I32At(*ka, 20)).i16(24, I16At(*ka, 24)).bytes());

    LeaveRoomRequest leave;
    leave.Head = m;
    ming.Send(Room(1), leave);
    auto plain_out = hong.WaitFor(20017);
    ASSERT_TRUE(plain_out);
    EXPECT_EQ(*plain_out, Hand(53).head(20017).i32(16, 10001).str(22, kXiaoMing).bytes());

    // A member comes in and leaves: the announcing pair 8041 / 8016.
    LoopbackClient gold;
    RoomRequestHeader g = Enter(gold, 1, 10003, "pass10003", 1001);
    auto announced = hong.WaitFor(8041);
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->size(), 116u);
    EXPECT_EQ(I32At(*announced, 8), 10003);
    EXPECT_EQ(I32At(*announced, 20), 10003);
    EXPECT_EQ(I16At(*announced, 20 + 52), 4);
    leave.Head = g;
    gold.Send(Room(1), leave);
    auto out = hong.WaitFor(8016);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, Hand(51).head(8016).i32(8, 10003).str(20, "\xbd\xf0\xbf\xa8\xbb\xe1\xd4\xb1").bytes());  // 金卡会员
    EXPECT_EQ(app->Members().RoomCount(1001), 1);
    (void)h;
}

TEST_F(EndToEnd, RegistrationThenLoginAndRestartKeepsIt) {
    LoopbackClient c;
    RegisterRequest r;
    r.Record.NickName = "新朋友";
    r.Record.PasswordDigest = Md5Hex("mypassword");
    r.Record.Age = 30;
    c.Send(Hall(), r);
    auto answer = c.WaitFor(10002);
    ASSERT_TRUE(answer);
    const int32_t number = I32At(*answer, 20);
    EXPECT_EQ(*answer, Hand(573).head(10002).i32(20, number).i16(571, 0).bytes());
    EXPECT_EQ(number, 10008);

    LoginAnswer a = LoginAs(c, number, "mypassword");
    EXPECT_EQ(a.ErrorText, "");
    EXPECT_EQ(a.NickName, "新朋友");
    EXPECT_EQ(a.UserType, 2);
    ASSERT_EQ(app->Db().AddCoins(number, 300), 300);

    StopServer();
    StartServer();
    LoopbackClient again;
    LoginAnswer b = LoginAs(again, number, "mypassword");
    EXPECT_EQ(b.ErrorText, "");
    EXPECT_EQ(b.Coins, 300);
}

TEST_F(EndToEnd, BadInputIsDroppedAndTheServerCarriesOn) {
    LoopbackClient c;
    const uint64_t before = app->Drops().Count();
    c.SendGarbage(Hall(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});         // not an envelope
    c.SendRaw(Hall(), Hand(20).head(11000).bytes());                           // login cut short
    c.SendRaw(Hall(), Hand(24).head(20121).i32(20, 1000000).bytes());          // not a hall code
    c.SendRaw(Room(1), Hand(40).head(20013).i32(8, 10002).i32(12, 1001).bytes());  // no ticket
    RoomKeepAlive forged;
    forged.Head = {10002, 1001, 12345, 0, 0};
    c.Send(Room(1), forged);
    c.SendRaw(Room(1), Hand(8).head(20015).bytes());

    HallProbeRequest probe;
    c.Send(Hall(), probe);
    ASSERT_TRUE(c.WaitFor(10009));
    RoomEntryAnswer still = EntryTo(c, 1, 10002, "pass10002", 1001);
    EXPECT_EQ(still.ErrorText, "");
    EXPECT_EQ(app->Drops().Count() - before, 6u);
    EXPECT_TRUE(c.Pending().empty()) << "nothing answers bad input";
}

TEST_F(EndToEnd, SecondServerOnTheSamePortsRefusesToStart) {
    ServerConfig same = app->Config();
    same.Database = dir.File("second.db");
    PollLoop other_loop;
    ServerApp second(same, other_loop, log);
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("ports in use"), std::string::npos) << error;
    EXPECT_NE(error.find(std::to_string(Hall())), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(same.Database)) << "nothing is created before the ports are known free";

    // The first server is unaffected.
    LoopbackClient c;
    HallProbeRequest probe;
    c.Send(Hall(), probe);
    EXPECT_TRUE(c.WaitFor(10009));
}

} // namespace
} // namespace kel::server::test
