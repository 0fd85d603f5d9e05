// The room server's mics on virtual time: public slots and the queue, the
// refusal codes, holding users on and off with the rights it takes, mic
// time running out and added, the queue order, and what leaving the room
// or entering it again does to a mic.
#include "ServiceFixture.h"

#include "protocol/MicMessages.h"
#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"
#include "protocol/RoomMessages.h"

namespace kel::server::test {
namespace {

class MicServiceTest : public ServiceFixture {
protected:
    RoomRequestHeader Stay(uint16_t port, int32_t user) {
        return EnterRoom(port, user, user == 10000 ? "admin10000" : "pass" + std::to_string(user), 1001);
    }
    void SetUp() override {
        ServiceFixture::SetUp();
        cfg.SessionTimeoutMs = 24 * 3600 * 1000;  // no stay expires while mic time runs
        a = Stay(7001, 10001);  // registered
        b = Stay(7002, 10002);  // VIP
        c = Stay(7003, 10003);  // gold
        d = Stay(7004, 10004);  // diamond
        m = Stay(7005, 10005);  // manager of the room
        out.Take();
    }
    void Ask(uint16_t port, const RoomRequestHeader& h, uint8_t state) {
        MicRequest r;
        r.Head = h;
        r.State = state;
        ToRoom(1, port, r);
    }
    template <class T>
    std::vector<T> All(const std::vector<Sent>& sent, uint16_t port) {
        std::vector<T> found;
        for (const auto& s : sent)
            if (s.Port == port)
                if (auto msg = Decode<T>(s.Plain)) found.push_back(*msg);
        return found;
    }
    size_t CountOf(const std::vector<Sent>& sent, int32_t code) {
        size_t n = 0;
        for (const auto& s : sent) n += s.Code() == code;
        return n;
    }
    MicService& mics() { return rooms[0]->Mics(); }
    // Room entry and enter of `user`; what the room sent after the enter.
    std::vector<Sent> EnterAndTake(uint16_t port, int32_t user) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = Md5Hex("pass" + std::to_string(user));
        ToRoom(1, port, e);
        auto entry = Only<RoomEntryAnswer>(out.Take(), port);
        EXPECT_TRUE(entry);
        EnterRoomRequest enter;
        enter.UserID = user;
        enter.RoomID = 1001;
        enter.RoomTicket = entry ? entry->RoomTicket : 0;
        ToRoom(1, port, enter);
        return out.Take();
    }
    void SetRoom(uint8_t auto_queue_off, int32_t minutes, int16_t no_registered = 0) {
        auto room = db->FindRoom(1001);
        ASSERT_TRUE(room);
        room->Info.AutoQueueOff = auto_queue_off;
        room->Info.AutoQueueMinutes = minutes;
        room->Info.NoRegisteredOnMic = no_registered;
        db->SaveRoom(*room);
    }
    RoomRequestHeader a, b, c, d, m;
};

TEST_F(MicServiceTest, SlotsFillThenTheQueueFormsAndMovesUp) {
    Ask(7001, a, 1);
    auto sent = out.Take();
    auto grant = Only<MicGranted>(sent, 7001);
    ASSERT_TRUE(grant);
    EXPECT_EQ(grant->Key, 10001);
    EXPECT_EQ(grant->State, 1);
    EXPECT_EQ(grant->MediaIp, 0x0100007fu);
    EXPECT_EQ(grant->MediaPort, cfg.PortMedia);
    EXPECT_EQ(CountOf(sent, 8033), 5u);  // everybody, the requester too
    auto changed = Only<MicChanged>(sent, 7003);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->UserID, 10001);
    EXPECT_EQ(changed->OperatorID, 10001);
    EXPECT_EQ(changed->NickName, "小明");
    EXPECT_EQ(changed->OldState, 0);
    EXPECT_EQ(changed->NewState, 1);
    EXPECT_EQ(changed->Slot, 0);
    EXPECT_EQ(changed->MicTimeLimit, 600000);  // the demo room's 10 minutes
    Ask(7002, b, 1);
    Ask(7003, c, 1);
    out.Take();
    EXPECT_EQ(mics().SlotHolder(1001, 2), 10003);

    Ask(7004, d, 1);
    sent = out.Take();
    auto refused = Only<MicRefused>(sent, 7004);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Reason, 8);
    auto queued = Only<MicChanged>(sent, 7001);
    ASSERT_TRUE(queued);
    EXPECT_EQ(queued->NewState, 6);
    EXPECT_EQ(queued->MicOrder, 0);
    EXPECT_EQ(mics().Queue(1001), std::vector<int32_t>{10004});

    // Slot 1 frees: the first in the queue takes it.
    LeaveMicRequest leave;
    leave.Head = b;
    ToRoom(1, 7002, leave);
    sent = out.Take();
    auto down = Only<MicDown>(sent, 7005);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->UserID, 10002);
    EXPECT_EQ(down->OperatorID, 10002);
    EXPECT_EQ(down->Slot, 1);
    EXPECT_EQ(down->Reason, 0);
    auto up = Only<MicChanged>(sent, 7005);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->UserID, 10004);
    EXPECT_EQ(up->OldState, 6);
    EXPECT_EQ(up->Slot, 1);
    EXPECT_TRUE(Only<MicGranted>(sent, 7004));
    EXPECT_TRUE(mics().Queue(1001).empty());
}

TEST_F(MicServiceTest, RefusalCodes) {
    SetRoom(1, 10);  // the queue stays a queue
    Ask(7001, a, 1);
    Ask(7002, b, 6);
    Ask(7003, c, 2);
    out.Take();
    struct Row {
        const char* name;
        uint16_t port;
        RoomRequestHeader* head;
        uint8_t state;
        int32_t reason;
    } rows[] = {
        {"public mic again", 7001, &a, 1, 7},
        {"queued again", 7002, &b, 6, 2},
        {"the same private mic again", 7003, &c, 2, 5},
        {"registered user, paid private mic", 7001, &a, 5, 1},
        {"no such state", 7004, &d, 9, 1},
    };
    for (const auto& r : rows) {
        Ask(r.port, *r.head, r.state);
        auto sent = out.Take();
        auto refused = Only<MicRefused>(sent, r.port);
        ASSERT_TRUE(refused) << r.name;
        EXPECT_EQ(refused->Reason, r.reason) << r.name;
        EXPECT_EQ(CountOf(sent, 8033), 0u) << r.name;
    }
    // A guest may queue only.
    auto g = EnterRoom(7009, 0, "", 1001);
    out.Take();
    Ask(7009, g, 1);
    auto refused = Only<MicRefused>(out.Take(), 7009);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Reason, 1);
}

TEST_F(MicServiceTest, RoomSettingsBarRegisteredUsersAndTheAutomaticQueue) {
    SetRoom(1, 10, 1);
    Ask(7001, a, 1);
    EXPECT_EQ(Only<MicRefused>(out.Take(), 7001)->Reason, 1);
    Ask(7002, b, 1);
    Ask(7003, c, 1);
    Ask(7005, m, 1);
    out.Take();
    Ask(7004, d, 1);
    auto sent = out.Take();
    EXPECT_EQ(Only<MicRefused>(sent, 7004)->Reason, 6);
    EXPECT_EQ(CountOf(sent, 8033), 0u);
    // The manager on a mic has no time limit.
    EXPECT_EQ(mics().SlotHolder(1001, 2), 10005);
}

TEST_F(MicServiceTest, SwitchingStatesSaysWhyTheOldOneEnded) {
    Ask(7002, b, 1);
    out.Take();
    Ask(7002, b, 2);  // public -> private
    auto sent = out.Take();
    auto down = Only<MicDown>(sent, 7001);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->Reason, 9);
    EXPECT_EQ(down->Slot, 0);
    auto now = Only<MicChanged>(sent, 7001);
    ASSERT_TRUE(now);
    EXPECT_EQ(now->NewState, 2);
    EXPECT_EQ(now->Slot, -1);
    EXPECT_EQ(Only<MicGranted>(sent, 7002)->State, 2);
    EXPECT_EQ(mics().SlotHolder(1001, 0), 0);

    Ask(7002, b, 4);  // private -> private: no 9014
    sent = out.Take();
    EXPECT_EQ(CountOf(sent, 9014), 0u);
    EXPECT_EQ(Only<MicChanged>(sent, 7001)->NewState, 4);
}

TEST_F(MicServiceTest, HoldingOnAndOffNeedsTheRight) {
    Ask(7002, b, 1);
    out.Take();
    // A registered user may not take others off.
    HoldOffMicRequest off;
    off.Head = a;
    off.TargetID = 10002;
    ToRoom(1, 7001, off);
    auto sent = out.Take();
    EXPECT_EQ(Only<HoldOffMicAnswer>(sent, 7001)->Result, 1);
    EXPECT_EQ(CountOf(sent, 9014), 0u);
    EXPECT_EQ(mics().SlotHolder(1001, 0), 10002);

    HoldOnMicRequest on;
    on.Head = a;
    on.TargetID = 10003;
    ToRoom(1, 7001, on);
    sent = out.Take();
    EXPECT_EQ(Only<HoldOnMicAnswer>(sent, 7001)->Result, 1);
    EXPECT_EQ(CountOf(sent, 8033), 0u);

    // The manager takes the VIP off and holds the gold member on.
    off.Head = m;
    ToRoom(1, 7005, off);
    sent = out.Take();
    EXPECT_EQ(Only<HoldOffMicAnswer>(sent, 7005)->Result, 0);
    auto down = Only<MicDown>(sent, 7002);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->OperatorID, 10005);
    EXPECT_EQ(down->OperatorNick, "阿强");
    EXPECT_EQ(down->Reason, 3);

    on.Head = m;
    ToRoom(1, 7005, on);
    sent = out.Take();
    EXPECT_EQ(Only<HoldOnMicAnswer>(sent, 7005)->Result, 0);
    auto held = Only<MicChanged>(sent, 7001);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->UserID, 10003);
    EXPECT_EQ(held->OperatorID, 10005);
    EXPECT_EQ(held->Slot, 0);
    EXPECT_TRUE(Only<MicGranted>(sent, 7003));  // the held user's sender starts

    struct Row {
        const char* name;
        int32_t target;
        int32_t result;
    } rows[] = {
        {"already on the public mic", 10003, 5},
        {"not in the room", 10007, 4},
    };
    for (const auto& r : rows) {
        on.TargetID = r.target;
        ToRoom(1, 7005, on);
        EXPECT_EQ(Only<HoldOnMicAnswer>(out.Take(), 7005)->Result, r.result) << r.name;
    }
    auto g = EnterRoom(7009, 0, "", 1001);
    out.Take();
    on.TargetID = g.UserID;
    ToRoom(1, 7005, on);
    EXPECT_EQ(Only<HoldOnMicAnswer>(out.Take(), 7005)->Result, -2);
    // The staff member is above the manager.
    auto s = EnterRoom(7010, 10000, "admin10000", 1001);
    Ask(7010, s, 1);
    out.Take();
    off.TargetID = 10000;
    ToRoom(1, 7005, off);
    EXPECT_EQ(Only<HoldOffMicAnswer>(out.Take(), 7005)->Result, 1);
    on.TargetID = 10001;
    Ask(7002, b, 1);  // the last slot
    out.Take();
    ToRoom(1, 7005, on);
    EXPECT_EQ(Only<HoldOnMicAnswer>(out.Take(), 7005)->Result, 3);
}

TEST_F(MicServiceTest, TimeRunsOutAndCanBeAdded) {
    Ask(7001, a, 1);
    Ask(7002, b, 1);
    out.Take();
    loop.AdvanceBy(5 * 60000);
    // The manager adds five minutes to the VIP.
    AddMicTimeRequest add;
    add.Head = m;
    add.TargetID = 10002;
    ToRoom(1, 7005, add);
    auto sent = out.Take();
    auto added = Only<MicTimeAdded>(sent, 7001);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->UserID, 10002);
    EXPECT_EQ(added->OperatorID, 10005);
    auto list = Only<MicStateList>(sent, 7001);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Entries.size(), 2u);
    for (const auto& e : list->Entries)
        EXPECT_EQ(e.MicTimeLimit, e.UserID == 10002 ? 900000 : 600000);

    loop.AdvanceBy(5 * 60000 + 1000);
    sent = out.Take();
    auto down = Only<MicDown>(sent, 7003);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->UserID, 10001);
    EXPECT_EQ(down->OperatorID, MicDown::kSystem);
    EXPECT_EQ(down->Reason, 1);
    EXPECT_EQ(mics().SlotHolder(1001, 1), 10002);
    loop.AdvanceBy(5 * 60000);
    EXPECT_EQ(Only<MicDown>(out.Take(), 7003)->UserID, 10002);
    EXPECT_EQ(mics().SlotHolder(1001, 1), 0);

    struct Row {
        RoomRequestHeader* from;
        uint16_t port;
        int32_t target;
        uint8_t result;
    } rows[] = {{&a, 7001, 10002, 2}, {&m, 7005, 10007, 1}, {&m, 7005, 10002, 3}};
    for (const auto& r : rows) {
        add.Head = *r.from;
        add.TargetID = r.target;
        ToRoom(1, r.port, add);
        sent = out.Take();
        auto refused = Only<AddMicTimeAnswer>(sent, r.port);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->Result, r.result);
        EXPECT_EQ(CountOf(sent, 8034), 0u);
    }
}

TEST_F(MicServiceTest, QueueOrder) {
    // With free slots the automatic queue seats a queued user at once.
    Ask(7001, a, 6);
    EXPECT_EQ(mics().SlotHolder(1001, 0), 10001);
    Ask(7002, b, 1);
    Ask(7003, c, 1);
    auto g = EnterRoom(7009, 0, "", 1001);
    Ask(7004, d, 6);
    Ask(7005, m, 6);
    Ask(7009, g, 6);
    out.Take();
    ASSERT_EQ(mics().Queue(1001), (std::vector<int32_t>{10004, 10005, g.UserID}));
    MicOrderRequest order;
    order.Head = a;
    order.UserIDs = {g.UserID, 10004};
    ToRoom(1, 7001, order);
    EXPECT_EQ(Only<MicOrderAnswer>(out.Take(), 7001)->Result, 1);
    order.Head = m;
    order.UserIDs = {g.UserID, 10001, 10004, g.UserID};  // 10001 is not queued
    ToRoom(1, 7005, order);
    auto sent = out.Take();
    EXPECT_EQ(Only<MicOrderAnswer>(sent, 7005)->Result, 0);
    auto n = Only<MicQueueReordered>(sent, 7002);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->OperatorID, 10005);
    EXPECT_EQ(n->UserIDs, (std::vector<int32_t>{g.UserID, 10004, 10005}));
    EXPECT_EQ(mics().Queue(1001), n->UserIDs);
    // The new order decides who moves up.
    LeaveMicRequest leave;
    leave.Head = b;
    ToRoom(1, 7002, leave);
    out.Take();
    EXPECT_EQ(mics().SlotHolder(1001, 1), g.UserID);
}

TEST_F(MicServiceTest, LeavingTheRoomFreesTheMicAndNewcomersSeeTheState) {
    Ask(7001, a, 1);
    Ask(7002, b, 1);
    Ask(7003, c, 1);
    Ask(7004, d, 6);
    out.Take();
    LeaveRoomRequest leave;
    leave.Head = a;
    ToRoom(1, 7001, leave);
    auto sent = out.Take();
    auto down = Only<MicDown>(sent, 7002);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->UserID, 10001);
    EXPECT_EQ(mics().SlotHolder(1001, 0), 10004);

    sent = EnterAndTake(7007, 10007);
    auto states = Only<UserMicStates>(sent, 7007);
    ASSERT_TRUE(states);
    std::map<int32_t, int16_t> slots;
    for (const auto& x : states->Entries) slots[x.UserID] = x.Slot;
    EXPECT_EQ(slots, (std::map<int32_t, int16_t>{{10002, 1}, {10003, 2}, {10004, 0}}));
    EXPECT_TRUE(Only<MicStateList>(sent, 7007));
    EXPECT_TRUE(Only<MicQueueList>(sent, 7007)->UserIDs.empty());
}

TEST_F(MicServiceTest, ASecondWindowEndsTheMicOfTheFirst) {
    Ask(7002, b, 1);
    out.Take();
    auto sent = EnterAndTake(7012, 10002);
    std::vector<MicDown> downs = All<MicDown>(sent, 7001);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].OperatorID, MicDown::kReentered);
    EXPECT_EQ(mics().SlotHolder(1001, 0), 0);
}

} // namespace
} // namespace kel::server::test
