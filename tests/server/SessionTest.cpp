// Session life on virtual time: hall logins and room stays that go silent
// are removed after the configured limit, keep-alives hold them, guests in
// the hall (who send no keep-alives) are never timed out, and a granted
// room entry that is never used runs out.
#include "ServiceFixture.h"

#include "foundation/Md5.h"
#include "protocol/RoomEntryMessages.h"

namespace kel::server::test {
namespace {

class SessionTest : public ServiceFixture {
protected:
    int32_t QueryStatus(uint16_t port, int32_t user, ConnectionPair conn, int32_t room) {
        RoomQuery q;
        q.UserID = user;
        q.Connection = conn;
        q.RoomID = room;
        ToHall(port, q);
        auto a = Only<RoomQueryAnswer>(out.Take(), port);
        return a ? a->Status : -1;
    }
};

TEST_F(SessionTest, SilentHallLoginIsRemovedAndKeepAlivesHoldIt) {
    LoginAnswer quiet = Login(5001, 10001, Md5Hex("pass10001"));
    LoginAnswer busy = Login(5002, 10002, Md5Hex("pass10002"));
    LoginAnswer guest = Login(5003, 0, "");
    ASSERT_TRUE(quiet.ErrorText.empty() && busy.ErrorText.empty() && guest.ErrorText.empty());

    ConnectionPair busy_conn = busy.Connection;
    for (int i = 0; i < 12; ++i) {  // ten minutes of keep-alives every 30 s
        loop.AdvanceBy(30000);
        HallKeepAlive k;
        k.UserID = 10002;
        k.Connection = busy_conn;
        ToHall(5002, k);
        auto a = Only<KeepAliveAnswer>(out.Take(), 5002);
        ASSERT_TRUE(a) << "keep-alive " << i;
        EXPECT_NE(a->Connection, busy_conn) << "the pair is fresh each time";
        busy_conn = a->Connection;
    }
    loop.AdvanceBy(cfg.SessionCheckMs);

    EXPECT_EQ(QueryStatus(5001, 10001, quiet.Connection, 1001), 3) << "the silent login is gone";
    EXPECT_EQ(QueryStatus(5002, 10002, busy_conn, 1001), 0);
    EXPECT_EQ(QueryStatus(5003, 0, guest.Connection, 1001), 0) << "guests are never timed out";

    HallKeepAlive late;
    late.UserID = 10001;
    late.Connection = quiet.Connection;
    ToHall(5001, late);
    EXPECT_TRUE(out.Take().empty()) << "a keep-alive of a removed session is dropped";
}

TEST_F(SessionTest, SilentRoomStayIsRemovedAsIfItHadLeft) {
    RoomRequestHeader quiet = EnterRoom(6001, 10001, "pass10001", 1001);  // registered: plain notices
    RoomRequestHeader vip = EnterRoom(6002, 10002, "pass10002", 1001);   // member: announced
    RoomRequestHeader busy = EnterRoom(6003, 10003, "pass10003", 1001);
    out.Take();

    Tick entered = loop.Now();
    while (TickElapsed(loop.Now(), entered) < cfg.SessionTimeoutMs + 2 * cfg.SessionCheckMs) {
        loop.AdvanceBy(30000);
        RoomKeepAlive k;
        k.Head = busy;
        ToRoom(1, 6003, k);
    }
    auto sent = out.Take();
    auto plain = Only<UserLeftPlain>(sent, 6003);
    auto full = Only<UserLeftNotice>(sent, 6003);
    ASSERT_TRUE(plain && full);
    EXPECT_EQ(plain->UserID, quiet.UserID);
    EXPECT_EQ(plain->NickName, "小明");
    EXPECT_EQ(full->UserID, vip.UserID);
    EXPECT_EQ(rooms[0]->MemberCount(1001), 1);
    EXPECT_EQ(community.RoomCount(1001), 1);

    RoomKeepAlive stale;
    stale.Head = quiet;
    ToRoom(1, 6001, stale);
    EXPECT_TRUE(out.Take().empty());
}

TEST_F(SessionTest, UnusedRoomTicketRunsOut) {
    RoomEntryRequest e;
    e.UserID = 10001;
    e.RoomID = 1001;
    e.PasswordDigest = Md5Hex("pass10001");
    ToRoom(1, 7001, e);
    auto a = Only<RoomEntryAnswer>(out.Take(), 7001);
    ASSERT_TRUE(a && a->ErrorText.empty());

    loop.AdvanceBy(cfg.SessionTimeoutMs + cfg.SessionCheckMs);
    EnterRoomRequest enter;
    enter.UserID = 10001;
    enter.RoomID = 1001;
    enter.RoomTicket = a->RoomTicket;
    ToRoom(1, 7001, enter);
    EXPECT_TRUE(out.Take().empty());
    EXPECT_EQ(drops.Count(), 1u);
}

TEST_F(SessionTest, FloodOfEntryRequestsIsBounded) {
    RoomEntryRequest e;
    e.RoomID = 1001;  // guests may enter: each grant takes a guest number
    for (size_t i = 0; i < RoomService::kMaxWaiting; ++i) ToRoom(1, 7001, e);
    auto granted = out.Take();
    ASSERT_EQ(granted.size(), RoomService::kMaxWaiting);
    EXPECT_EQ(Decode<RoomEntryAnswer>(granted.back().Plain)->ErrorText, "");
    ToRoom(1, 7001, e);
    auto refused = Only<RoomEntryAnswer>(out.Take(), 7001);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->ErrorText, "房间人数已满");
    EXPECT_EQ(refused->RoomTicket, 0);

    loop.AdvanceBy(cfg.SessionTimeoutMs + cfg.SessionCheckMs);
    ToRoom(1, 7001, e);
    auto again = Only<RoomEntryAnswer>(out.Take(), 7001);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->ErrorText, "") << "the unused grants ran out";
}

} // namespace
} // namespace kel::server::test

namespace kel::server::test {
namespace {

TEST(DropLogTest, LogsOncePerSourceAndMinute) {
    ServerLog log;
    log.SetQuiet(true);
    DropLog drops(log);
    const uint32_t a = 0x0100007f, b = 0x0200007f;
    Tick t = 5000;
    drops.Dropped(a, 1000, t, "x");
    drops.Dropped(a, 1000, t + 100, "x");
    drops.Dropped(a, 1001, t + 200, "x");   // another port is another source
    drops.Dropped(b, 1000, t + 300, "x");
    drops.Dropped(a, 1000, t + 59999, "x");
    EXPECT_EQ(log.Recent().size(), 3u);
    drops.Dropped(a, 1000, t + 60000, "x");
    drops.Dropped(a, 1000, 0xFFFFFFF0u, "x");  // far later, across the tick's wrap below
    drops.Dropped(a, 1000, 0xFFFFFFF0u + 30000, "x");
    EXPECT_EQ(log.Recent().size(), 5u);
    EXPECT_EQ(drops.Count(), 8u);
    EXPECT_NE(log.Recent()[0].find("dropped from 127.0.0.1:1000: x"), std::string::npos);
}

} // namespace
} // namespace kel::server::test
