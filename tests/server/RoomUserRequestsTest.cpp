// The room server's answers about single users and its own notices.
#include <gtest/gtest.h>

#include "ServiceFixture.h"
#include "foundation/Md5.h"
#include "protocol/RoomEntryMessages.h"
#include "protocol/RoomMessages.h"
#include "protocol/RoomUserMessages.h"

namespace kel::server::test {
namespace {

class RoomUserRequestsTest : public ServiceFixture {
protected:
    RoomRequestHeader Stay(uint16_t port, int32_t user, const std::string& password) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = 1001;
        e.PasswordDigest = user ? Md5Hex(password) : "";
        ToRoom(1, port, e);
        auto a = Only<RoomEntryAnswer>(out.Take(), port);
        EXPECT_TRUE(a && a->ErrorText.empty());
        RoomRequestHeader h{a ? a->UserID : 0, 1001, a ? a->RoomTicket : 0, 0, 0};
        EnterRoomRequest enter;
        enter.UserID = h.UserID;
        enter.RoomID = 1001;
        enter.RoomTicket = h.RoomTicket;
        ToRoom(1, port, enter);
        out.Take();
        return h;
    }
};

TEST_F(RoomUserRequestsTest, UserRecordsCarryRightsAndLevelNames) {
    Stay(7001, 10001, "pass10001");
    RoomEntryRequest e;
    e.UserID = 10005;
    e.RoomID = 1001;
    e.PasswordDigest = Md5Hex("pass10005");
    ToRoom(1, 7005, e);
    auto a = Only<RoomEntryAnswer>(out.Take(), 7005);
    ASSERT_TRUE(a);
    EnterRoomRequest enter;
    enter.UserID = 10005;
    enter.RoomID = 1001;
    enter.RoomTicket = a->RoomTicket;
    ToRoom(1, 7005, enter);
    auto sent = out.Take();
    auto list = Only<UserListMessage>(sent, 7005);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Users.size(), 2u);
    EXPECT_EQ(list->Users[0].LevelName, "注册用户");
    EXPECT_EQ(list->Users[1].LevelName, "管理员");
    EXPECT_EQ(list->Users[1].ManagerLevel, 1);
    EXPECT_TRUE(list->Users[1].RightLevel & (1 << 15));
    EXPECT_FALSE(list->Users[0].RightLevel & (1 << 15));
}

TEST_F(RoomUserRequestsTest, ProfilesOfMembersAndGuests) {
    RoomRequestHeader me = Stay(7001, 10001, "pass10001");
    RoomRequestHeader guest = Stay(7002, 0, "");
    ProfileQuery q;
    q.Head = me;
    q.AskedID = 10002;
    ToRoom(1, 7001, q);
    auto p = Only<ProfileAnswer>(out.Take(), 7001);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Profile.UserID, 10002);
    EXPECT_EQ(p->Profile.NickName, "小红");
    EXPECT_EQ(p->Profile.ContactHidden, 0);
    q.AskedID = guest.UserID;
    ToRoom(1, 7001, q);
    p = Only<ProfileAnswer>(out.Take(), 7001);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Profile.ContactHidden, 1);
    EXPECT_EQ(p->Profile.LevelText, "游客");
    // A query with a wrong ticket is not answered.
    q.Head.RoomTicket ^= 1;
    ToRoom(1, 7001, q);
    EXPECT_TRUE(out.Take().empty());
}

TEST_F(RoomUserRequestsTest, AddressQueryNeedsTheRightAndAPresentUser) {
    RoomRequestHeader plain = Stay(7001, 10001, "pass10001");
    RoomRequestHeader mgr = Stay(7005, 10005, "pass10005");
    struct Case {
        RoomRequestHeader asker;
        uint16_t port;
        int32_t asked;
        int32_t status;
    } cases[] = {
        {plain, 7001, 10005, AddressAnswer::kNoRight},
        {mgr, 7005, 10001, AddressAnswer::kFound},
        {mgr, 7005, 10004, AddressAnswer::kUserGone},
    };
    for (const auto& c : cases) {
        AddressQuery q;
        q.UserID = c.asker.UserID;
        q.RoomID = 1001;
        q.RoomTicket = c.asker.RoomTicket;
        q.AskedID = c.asked;
        ToRoom(1, c.port, q);
        auto a = Only<AddressAnswer>(out.Take(), c.port);
        ASSERT_TRUE(a) << c.asked;
        EXPECT_EQ(a->UserID, c.asked);
        EXPECT_EQ(a->Status, c.status) << c.asked;
        EXPECT_EQ(a->Ip, c.status == AddressAnswer::kFound ? Loopback() : 0u);
    }
}

TEST_F(RoomUserRequestsTest, ManagerListForThoseWhoManageManagers) {
    RoomRequestHeader owner = Stay(7000, 10000, "admin10000");
    RoomRequestHeader mgr = Stay(7005, 10005, "pass10005");
    ManagerListQuery q;
    q.Head = owner;
    ToRoom(1, 7000, q);
    auto l = Only<ManagerList>(out.Take(), 7000);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Managers, (std::vector<ManagerList::Entry>{{10005, "阿强"}}));
    q.Head = mgr; // a manager may not manage managers
    ToRoom(1, 7005, q);
    EXPECT_TRUE(out.Take().empty());
}

TEST_F(RoomUserRequestsTest, RestartAndBalanceNotices) {
    Stay(7001, 10001, "pass10001");
    Stay(7002, 10002, "pass10002");
    EXPECT_EQ(rooms[0]->AnnounceRestart(1001, "升级"), 2);
    auto sent = out.Take();
    auto r = Only<RoomRestartNotice>(sent, 7002);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Reason, "升级");
    EXPECT_TRUE(Only<RoomRestartNotice>(sent, 7001));
    EXPECT_EQ(rooms[0]->AnnounceRestart(1002, ""), 0);
    EXPECT_EQ(rooms[0]->BalanceChanged(10002, 777), 1);
    auto b = Only<BalanceChanged>(out.Take(), 7002);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Coins, 777);
}

} // namespace
} // namespace kel::server::test
