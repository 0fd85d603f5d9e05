// The room's conversation on virtual time: enter, keep-alive and its loss,
// the pump, the dispatcher's filter, the sender check, leaving.
#include <gtest/gtest.h>

#include "RoomFixture.h"
#include "protocol/HallMessages.h"
#include "protocol/RoomMessages.h"
#include "protocol/RoomUserMessages.h"

namespace kel::test {
namespace {

TEST_F(RoomTest, EnterRequestGoesFirstToThePortOfTheServerGroup) {
    Enter();
    ASSERT_EQ(sent->size(), 1u);
    const auto& s = sent->front();
    EXPECT_EQ(s.Ip, kServerIp);
    EXPECT_EQ(s.Port, kRoomPort2);
    auto e = Decode<EnterRoomRequest>(s.Plain);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->UserID, kMe);
    EXPECT_EQ(e->RoomID, kRoom);
    EXPECT_EQ(e->RoomTicket, kTicket);
    EXPECT_TRUE(endpoint->Active());
    EXPECT_EQ(room->Caption(), "(1001)测试房间");
}

TEST_F(RoomTest, ServerGroupOutsideOneToThreeRefusesTheEntry) {
    for (int16_t group : {0, 4, -1}) {
        view.refused.clear();
        EXPECT_FALSE(room->InitRoom(Init(group))) << group;
        EXPECT_FALSE(view.refused.empty());
        EXPECT_TRUE(sent->empty());
        EXPECT_FALSE(endpoint->Active());
        EXPECT_FALSE(room->PumpTimer().Enabled());
    }
}

TEST_F(RoomTest, RoomLabelCutsToTwentyCharacters) {
    auto i = Init();
    i.UserID = 123456;
    i.NickName = "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十";
    Enter(i);
    EXPECT_EQ(room->RoomLabel(), "(123456)一二三四五六七八九十一二");
}

TEST_F(RoomTest, KeepAliveEvery1001TicksCarriesTheEchoValues) {
    Enter();
    KeepAliveAnswer a;
    a.Connection = {4242, 17};
    DeliverMsg(a);
    for (int i = 0; i < 1000; ++i) Pump();
    EXPECT_EQ(SentCodes(), (std::vector<int32_t>{cmd::kEnterRoom}));
    Pump();
    ASSERT_EQ(SentCodes(), (std::vector<int32_t>{cmd::kEnterRoom, cmd::kKeepAlive}));
    auto ka = Decode<RoomKeepAlive>(sent->back().Plain);
    ASSERT_TRUE(ka);
    EXPECT_EQ(ka->Head.EchoValue, 4242);
    EXPECT_EQ(ka->Head.EchoWord, 17);
    EXPECT_EQ(ka->Head.RoomTicket, kTicket);
    for (int i = 0; i < 1001; ++i) Pump();
    EXPECT_EQ(SentCodes().size(), 3u);
}

TEST_F(RoomTest, WithoutAnswersTheWindowClosesBetween300And330Seconds) {
    Enter();
    const kel::Tick start = loop.Now();
    while (view.alive_lost == 0 && TickElapsed(loop.Now(), start) < 400000) Pump();
    ASSERT_EQ(view.alive_lost, 1);
    const uint32_t after = TickElapsed(loop.Now(), start);
    EXPECT_GT(after, 300000u);
    EXPECT_LE(after, 331000u);
    EXPECT_FALSE(room->PumpTimer().Enabled());
    // Nothing runs any more.
    for (int i = 0; i < 2000; ++i) Pump();
    EXPECT_EQ(view.alive_lost, 1);
}

TEST_F(RoomTest, AnswersKeepTheSession) {
    Enter();
    const kel::Tick start = loop.Now();
    while (TickElapsed(loop.Now(), start) < 900000) {
        Pump();
        if (sent->back().Plain.size() == RoomKeepAlive::kLength) {
            KeepAliveAnswer a;
            DeliverMsg(a);
            sent->push_back(sent->front()); // mark as answered
        }
    }
    EXPECT_EQ(view.alive_lost, 0);
}

TEST_F(RoomTest, BurstOfThousandMessagesIsWorkedOffInOrderWithinAFewTicks) {
    Enter();
    std::vector<int32_t> seen;
    room->SetHandler(cmd::kChatMessage, [&](const TChatRoom::Block& m) {
        WireReader r(m.data(), m.size());
        r.Seek(8);
        seen.push_back(r.I32());
    });
    for (int32_t i = 0; i < 1000; ++i) {
        WireWriter w;
        w.I32(cmd::kMessageSignature).I32(cmd::kChatMessage).I32(i);
        Deliver(w.Take());
    }
    for (int t = 0; t < 5 && seen.size() < 1000; ++t) Pump();
    ASSERT_EQ(seen.size(), 1000u);
    for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i);
}

TEST_F(RoomTest, PumpStopsWorkingWhenTheTickBudgetIsUsed) {
    Enter();
    kel::Tick budget = 0;
    room->BudgetClock = [&] { return budget; };
    int handled = 0;
    room->SetHandler(cmd::kChatMessage, [&](const TChatRoom::Block&) {
        ++handled;
        budget += 7; // each message "takes" 7 ms
    });
    for (int i = 0; i < 10; ++i) {
        WireWriter w;
        w.I32(cmd::kMessageSignature).I32(cmd::kChatMessage);
        Deliver(w.Take());
    }
    Pump();
    EXPECT_EQ(handled, 3);
    Pump();
    EXPECT_EQ(handled, 6);
}

TEST_F(RoomTest, OnlyRoomCodesFromZeroToBelow100000ReachAHandler) {
    Enter();
    std::vector<int32_t> reached;
    // Fill every slot, and try to fill codes that are not room codes.
    for (const auto& s : TChatRoom::Slots())
        room->SetHandler(s.Code, [&reached, c = s.Code](const TChatRoom::Block&) { reached.push_back(c); });
    EXPECT_FALSE(room->SetHandler(12345, [](const TChatRoom::Block&) {}));
    struct Case {
        int32_t code;
        bool reaches;
    } cases[] = {{-1, false}, {0, false}, {99999, false}, {100000, false}, {9013, true}};
    for (const auto& c : cases) {
        reached.clear();
        WireWriter w;
        w.I32(cmd::kMessageSignature).I32(c.code);
        Deliver(w.Take());
        Pump();
        EXPECT_EQ(!reached.empty(), c.reaches) << c.code;
    }
    // A code in range without a handler is queued and ignored.
    WireWriter w;
    w.I32(cmd::kMessageSignature).I32(99999);
    EXPECT_FALSE(room->DispatchMessage(w.Take()));
}

TEST_F(RoomTest, MessagesFromAnyoneButTheRoomServerAreDropped) {
    Enter();
    KeepAliveAnswer a;
    a.Connection = {9, 9};
    Deliver(Encode(a), kServerIp, 20011);      // another port
    Deliver(Encode(a), 0x0200007F, kRoomPort2); // another address
    EXPECT_EQ(room->Inbound().Size(), 0u);
    Deliver(Encode(a));
    EXPECT_EQ(room->Inbound().Size(), 1u);
    Pump();
    EXPECT_EQ(room->EchoValue(), 9);
}

TEST_F(RoomTest, LeavingSendsTheLeaveRequestAndClosesOnceAcknowledged) {
    Enter();
    *pending = 1;
    FakeEndpoint* ep = endpoint;
    WireWriter w;
    w.I32(cmd::kMessageSignature).I32(cmd::kChatMessage);
    Deliver(w.Take()); // queued, never dispatched
    room.reset();
    ASSERT_EQ(SentCodes().back(), cmd::kLeaveRoom);
    auto l = Decode<LeaveRoomRequest>(sent->back().Plain);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Head.UserID, kMe);
    EXPECT_EQ(LingeringEndpoints(), 1);
    loop.AdvanceBy(200);
    EXPECT_TRUE(ep->Active()); // still waiting for the acknowledgement
    *pending = 0;
    loop.AdvanceBy(40);
    EXPECT_EQ(LingeringEndpoints(), 0);
}

TEST_F(RoomTest, LeaveRequestGetsAboutASecondAtMost) {
    Enter();
    *pending = 3; // never acknowledged
    room.reset();
    loop.AdvanceBy(900);
    EXPECT_EQ(LingeringEndpoints(), 1);
    loop.AdvanceBy(200);
    EXPECT_EQ(LingeringEndpoints(), 0);
}

TEST_F(RoomTest, GiftPacingRunsOncePerPeriod) {
    auto i = Init();
    i.Room.GiftPacingMs = 300;
    Enter(i);
    int steps = 0;
    room->OnGiftPacingStep = [&] { ++steps; };
    for (int t = 0; t < 100; ++t) Pump(); // 3000 ms
    EXPECT_EQ(steps, 10);
}

TEST_F(RoomTest, RequestTimeoutsAreReportedByThePump) {
    Enter();
    room->Directory().AddUser(User(5, "five"));
    room->SendProfileQuery(5);
    loop.AdvanceBy(10050);
    auto sys = view.Of("system");
    ASSERT_EQ(sys.size(), 1u);
    EXPECT_EQ(sys[0].Text, "网络超时!查看用户(5)信息失败!请稍候再试!");
    EXPECT_EQ(sys[0].Kind, 2);
}

} // namespace
} // namespace kel::test
