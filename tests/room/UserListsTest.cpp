// Which list a user goes into, in which order, the search, hidden users,
// the tab captions, the own record and the pop-up menu.
#include <gtest/gtest.h>

#include "RoomFixture.h"
#include "room/RoomUserLists.h"
#include "room/SubMenuItems.h"
#include "room/UserManage.h"

namespace kel::test {
namespace {

std::vector<int32_t> Ids(const TUserList& l) {
    std::vector<int32_t> ids;
    for (int i = 0; i < l.RowCount(); ++i) ids.push_back(l.Row(i)->UserID);
    return ids;
}

TEST(UserLists, WhichListsTakeAUser) {
    struct Case {
        const char* name;
        int16_t manager;
        uint8_t mic;
        uint8_t hidden;
        bool user, mgr, order, hide;
    } cases[] = {
        {"plain user", 0, 0, 0, true, false, false, false},
        {"manager", 2, 0, 0, true, true, false, false},
        {"temporary manager", 3, 0, 0, true, true, false, false},
        {"waiting for a mic", 0, 6, 0, true, false, true, false},
        {"on the public mic", 0, 1, 0, true, false, false, false},
        {"hidden", 0, 0, 1, false, false, false, true},
        {"hidden manager in the queue", 1, 6, 1, false, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TUserManage dir;
        TRoomUserLists lists(dir);
        auto u = User(42, "x");
        u.ManagerLevel = c.manager;
        u.MicState = c.mic;
        u.Hidden = c.hidden;
        dir.AddUser(u);
        EXPECT_EQ(lists.lv_User().RowCount(), c.user ? 1 : 0);
        EXPECT_EQ(lists.lv_Manager().RowCount(), c.mgr ? 1 : 0);
        EXPECT_EQ(lists.lv_MicOrder().RowCount(), c.order ? 1 : 0);
        EXPECT_EQ(lists.lv_Hide().RowCount(), c.hide ? 1 : 0);
    }
    EXPECT_FALSE(TRoomUserLists::HiddenTabVisible(0));
    EXPECT_FALSE(TRoomUserLists::HiddenTabVisible(~(1 << 9)));
    EXPECT_TRUE(TRoomUserLists::HiddenTabVisible(1 << 9));
}

TEST(UserLists, OrderByRankAndByMicOrder) {
    TUserManage dir;
    TRoomUserLists lists(dir);
    auto add = [&](int32_t id, uint8_t rank, int16_t order) {
        auto u = User(id, "u" + std::to_string(id), rank);
        u.MicState = 6;
        u.MicOrder = order;
        dir.AddUser(u);
    };
    add(1, 5, 2);
    add(2, 5, 1);
    add(3, 3, 2);   // lower rank goes above the earlier ones
    add(4, 200, 0); // ranks compare unsigned
    add(5, 5, -1);
    EXPECT_EQ(Ids(lists.lv_User()), (std::vector<int32_t>{3, 1, 2, 5, 4}));
    // Equal positions in arrival order; -1 first.
    EXPECT_EQ(Ids(lists.lv_MicOrder()), (std::vector<int32_t>{5, 4, 2, 1, 3}));
}

TEST(UserLists, SearchFiltersThreeListsAndCaptionsCount) {
    TUserManage dir;
    TRoomUserLists lists(dir);
    std::vector<std::string> changes;
    lists.OnCaptionChanged = [&](TRoomUserLists::Page, const std::string& t) { changes.push_back(t); };
    dir.AddUser(User(1120, "alpha"));
    EXPECT_EQ(changes, (std::vector<std::string>{"用户(1)"}));
    auto mgr = User(3, "Room12Admin");
    mgr.ManagerLevel = 1;
    dir.AddUser(mgr);
    auto queued = User(4, "beta");
    queued.MicState = 6;
    dir.AddUser(queued);
    auto hidden = User(5, "x12y");
    hidden.Hidden = 1;
    dir.AddUser(hidden);
    auto hidden2 = User(6, "ghost");
    hidden2.Hidden = 1;
    dir.AddUser(hidden2);

    lists.SetSearchText("  12 ");
    EXPECT_EQ(lists.SearchText(), "12");
    EXPECT_EQ(Ids(lists.lv_User()), (std::vector<int32_t>{1120, 3}));
    EXPECT_EQ(Ids(lists.lv_Manager()), (std::vector<int32_t>{3}));
    EXPECT_EQ(Ids(lists.lv_MicOrder()), (std::vector<int32_t>{4})); // never searched
    EXPECT_EQ(Ids(lists.lv_Hide()), (std::vector<int32_t>{5}));
    EXPECT_EQ(lists.Caption(TRoomUserLists::kUser), "用户(2)");
    EXPECT_EQ(lists.Caption(TRoomUserLists::kHide), "隐身(1)");

    lists.SetSearchText("ADMIN"); // nicknames compare without letter case
    EXPECT_EQ(Ids(lists.lv_User()), (std::vector<int32_t>{3}));

    lists.SetSearchText("");
    EXPECT_EQ(lists.lv_User().RowCount(), 3);
    EXPECT_EQ(lists.lv_Manager().RowCount(), 1);
    EXPECT_EQ(lists.lv_Hide().RowCount(), 2);
    EXPECT_EQ(lists.Caption(TRoomUserLists::kUser), "用户(3)");
    EXPECT_EQ(lists.Caption(TRoomUserLists::kManager), "管理(1)");
    EXPECT_EQ(lists.Caption(TRoomUserLists::kMicOrder), "麦序(1)");
    EXPECT_EQ(lists.Caption(TRoomUserLists::kHide), "隐身(2)");

    dir.RemoveUser(1120);
    dir.RemoveUser(777); // unknown: nothing
    EXPECT_EQ(lists.Caption(TRoomUserLists::kUser), "用户(2)");
}

TEST(UserLists, UserNumberZeroIsNeverRetested) {
    TUserManage dir;
    TRoomUserLists lists(dir);
    dir.AddUser(User(0, "zero"));
    lists.SetSearchText("nomatch");
    EXPECT_EQ(Ids(lists.lv_User()), (std::vector<int32_t>{0}));
}

TEST(UserLists, DirectoryKeepsTheFirstRecordAndAnswersQuestions) {
    TUserManage dir;
    auto g = User(1, "guest");
    g.UserType = 1;
    EXPECT_NE(dir.AddUser(g), nullptr);
    g.NickName = "changed";
    EXPECT_EQ(dir.AddUser(g), nullptr);
    EXPECT_EQ(dir.FindUser(1)->NickName, "guest");
    EXPECT_TRUE(dir.IsGuest(1));
    EXPECT_FALSE(dir.IsRegistered(1));
    auto m = User(2, "registered manager");
    m.ManagerLevel = 1;
    dir.AddUser(m);
    EXPECT_FALSE(dir.IsRegistered(2));
    auto top = User(3, "top", 0);
    top.MicState = 1;
    dir.AddUser(top);
    EXPECT_EQ(dir.GetMicState(3), 1);
    EXPECT_EQ(dir.GetMicState(99), 0);
    // A list attached later is offered every known user.
    TUserList late;
    dir.AttachView(&late);
    EXPECT_FALSE(dir.AttachView(&late));
    EXPECT_EQ(late.RowCount(), 3);
    EXPECT_TRUE(dir.RemoveUser(1));
    EXPECT_EQ(late.RowCount(), 2);
    dir.DetachView(&late);
}

TEST(SubMenu, ItemsFollowTheRightsAndTheTarget) {
    const std::pair<SubMenuEnum, int> gated[] = {
        {SubMenuEnum::AddCancelMic, 11},        {SubMenuEnum::AddTempManager, 3},
        {SubMenuEnum::AddManager, 4},           {SubMenuEnum::smeDropUser, 10},
        {SubMenuEnum::ForbidChatMenu, 12},      {SubMenuEnum::DropUserAndBlackUser, 8},
        {SubMenuEnum::DropUserAndBlackIP, 8},   {SubMenuEnum::smeSetMicOrder, 16},
        {SubMenuEnum::DispIP, 15},
    };
    const auto none = MakeSubMenuState(0, false, 0, false);
    for (auto [item, bit] : gated) {
        EXPECT_FALSE(none.IsVisible(item)) << bit;
        EXPECT_TRUE(MakeSubMenuState(1 << bit, false, 0, false).IsVisible(item)) << bit;
    }
    for (auto item : {SubMenuEnum::selectUse, SubMenuEnum::dispInfo, SubMenuEnum::DisableChat, SubMenuEnum::smeReqVideo})
        EXPECT_TRUE(none.IsVisible(item));
    EXPECT_FALSE(none.IsVisible(SubMenuEnum::AddFreind)); // not in the menu
    for (uint8_t mic = 0; mic <= 6; ++mic)
        EXPECT_EQ(MakeSubMenuState(-1, false, mic, false).Caption(SubMenuEnum::AddCancelMic),
                  mic >= 1 && mic <= 5 ? "强制用户下麦" : "邀请用户上麦");
    EXPECT_EQ(MakeSubMenuState(0, true, 0, true).Caption(SubMenuEnum::DisableChat), "取消文字屏蔽");
    EXPECT_EQ(MakeSubMenuState(0, true, 0, true).Caption(SubMenuEnum::ForbidChatMenu), "解除禁言");
}

class RoomMenuTest : public RoomTest {};

TEST_F(RoomMenuTest, PopUpRoutingAndTheOwnRecord) {
    auto i = Init();
    i.RightLevel = 1 << 3; // temporary managers only
    Enter(i);
    room->Directory().AddUser(User(kMe, "me"));
    auto guest = User(7, "guest");
    guest.UserType = 1;
    room->Directory().AddUser(guest);
    room->Directory().AddUser(User(8, "member"));
    TSubMenuState st;
    EXPECT_FALSE(room->MenuFor(kMe, st)); // no menu on one's own row
    EXPECT_FALSE(room->MenuFor(99, st));
    ASSERT_TRUE(room->MenuFor(8, st));
    EXPECT_TRUE(st.IsVisible(SubMenuEnum::AddTempManager));

    std::vector<std::pair<int32_t, SubMenuEnum>> actions;
    room->OnMenuAction = [&](int32_t id, SubMenuEnum e) { actions.push_back({id, e}); };
    room->OnPopEnvent(7, SubMenuEnum::AddTempManager);
    room->OnPopEnvent(8, SubMenuEnum::AddManager);
    room->OnPopEnvent(8, SubMenuEnum::AddTempManager);
    room->OnPopEnvent(8, SubMenuEnum::selectUse);
    room->OnPopEnvent(99, SubMenuEnum::selectUse); // gone: nothing
    room->OnPopEnvent(8, SubMenuEnum::DisableChat);
    EXPECT_TRUE(room->BlockedChat().contains(8));
    room->OnPopEnvent(8, SubMenuEnum::DisableChat);
    EXPECT_FALSE(room->BlockedChat().contains(8));
    auto sys = view.Of("system");
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys[0].Text, "游客不能被加临管！");
    EXPECT_EQ(sys[1].Text, "您没有添加管理员的权限！");
    EXPECT_EQ(sys[0].Prefix, "【系统】：");
    EXPECT_EQ(sys[0].Kind, 1);
    EXPECT_EQ(actions, (std::vector<std::pair<int32_t, SubMenuEnum>>{{8, SubMenuEnum::AddTempManager},
                                                                    {8, SubMenuEnum::selectUse}}));

    auto own = User(kMe, "me");
    own.UserType = 5;
    own.ManagerLevel = 3;
    own.RightLevel = 0x7FFF;
    own.MicRight = 3;
    own.MicState = 6;
    EXPECT_TRUE(room->ModifyUserInfo(own));
    EXPECT_EQ(room->UserType(), 5);
    EXPECT_EQ(room->ManagerLevel(), 3);
    EXPECT_EQ(room->RightLevel(), 0x7FFF);
    EXPECT_EQ(room->MicRight(), 3);
    EXPECT_EQ(room->MicState(), 6);
    ASSERT_EQ(view.own_changes.size(), 1u);
    EXPECT_FALSE(room->ModifyUserInfo(User(8, "member")));
    EXPECT_EQ(room->RightLevel(), 0x7FFF);
    EXPECT_EQ(view.own_changes.size(), 1u);
}

} // namespace
} // namespace kel::test
