// The room's user messages, the welcome texts and the entry notices, driven
// through the receive path and the pump.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RoomFixture.h"
#include "config/Gift.h"
#include "config/TypeCFG.h"
#include "protocol/HallMessages.h"
#include "protocol/RoomMessages.h"
#include "protocol/RoomUserMessages.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

class FakeLocator : public IIpLocator {
public:
    void Locate(const std::string& dotted, std::function<void(const std::string&)> done) override {
        asked.push_back(dotted);
        pending.push_back(std::move(done));
    }
    std::vector<std::string> asked;
    std::vector<std::function<void(const std::string&)>> pending;
};

class RoomUsersTest : public RoomTest {
protected:
    void ConfigureContext(TRoomContext& ctx) override {
        std::filesystem::create_directories(dir.Path() / "Picture" / "Rate");
        std::ofstream(dir.Path() / "UserLevel.ini")
            << "[UserInRoom]\nVIP会员=<b>%s欢迎VIP %s %s(%d)</b>\n../evil=<i>%s %s %s(%d)</i>\n";
        std::ofstream(dir.Path() / "Picture" / "Rate" / "VIP会员.gif") << "GIF89a";
        levels = std::make_unique<TkelTypeCFG>((dir.Path() / "UserLevel.ini").string());
        ctx.Levels = levels.get();
        ctx.AppPath = dir.Path().string() + "/";
        ctx.Locator = &locator;
    }
    template <class T>
    void Send(const T& m) {
        DeliverMsg(m);
        Pump();
    }
    std::vector<int32_t> Ids(TUserList& l) {
        std::vector<int32_t> ids;
        for (int i = 0; i < l.RowCount(); ++i) ids.push_back(l.Row(i)->UserID);
        return ids;
    }

    TempDir dir;
    std::unique_ptr<TkelTypeCFG> levels;
    FakeLocator locator;
};

TEST_F(RoomUsersTest, EnterAnswerWelcomeTextsWaitNoticeAndLuxuryGifts) {
    struct Case {
        const char* name;
        std::array<std::string, 3> welcome;
        std::string style;
        int32_t user_type, manager_level, wait;
        std::vector<std::string> private_html;
        bool wait_notice;
    } cases[] = {
        {"blank texts are not shown", {"   ", "", "\t"}, "color:red", 2, 0, 0, {}, false},
        {"up to the first line break, tags removed",
         {"<b>欢迎</b>光临\r\n第二行", "", ""}, " color:red ", 1, 0, 30,
         {"<FONT STYLE=\"color:red\">☆房间提示☆:欢迎光临</FONT><BR>"}, false},
        {"markup left over and a hostile style are defused",
         {"a < b & c", "", "x"}, "color:red\"><script>", 2, 1, 30,
         {"<FONT STYLE=\"color:redscript\">☆房间提示☆:a &lt; b &amp; c</FONT><BR>",
          "<FONT STYLE=\"color:redscript\">☆房间提示☆:x</FONT><BR>"}, false},
        {"registered user waits", {"", "", ""}, "", 2, 0, 30, {}, true},
        {"no wait in the room", {"", "", ""}, "", 2, 0, 0, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        auto i = Init();
        i.UserType = c.user_type;
        i.ManagerLevel = c.manager_level;
        i.Room.WelcomeTexts = c.welcome;
        i.Room.WelcomeStyle = c.style;
        i.Room.RegisteredChatWaitS = c.wait;
        i.Room.Description = "<b>描述</b>第一行\r\n第二行";
        Enter(i);
        EnterRoomAnswer a;
        a.Echo = {11, 22};
        Send(a);
        std::vector<std::string> html;
        for (const auto& l : view.Of("private")) html.push_back(l.Text);
        EXPECT_EQ(html, c.private_html);
        auto sys = view.Of("system");
        EXPECT_EQ(sys.size(), c.wait_notice ? 1u : 0u);
        if (c.wait_notice && !sys.empty()) {
            EXPECT_EQ(sys[0].Text, "您是注册用户，您进房间30秒后才能发公聊信息，公聊的间隔时间是30秒！");
            EXPECT_EQ(sys[0].Kind, 2);
        }
        EXPECT_EQ(room->EchoValue(), 11);
        EXPECT_EQ(room->EchoWord(), 22);
        EXPECT_EQ(view.description, "描述第一行");
        TearDown();
        view = RecordingView();
    }
}

TEST_F(RoomUsersTest, LuxuryRecordsOfKind7AreLeftOut) {
    Enter();
    EnterRoomAnswer a;
    for (int k : {1, 7, 3, 7, 5}) {
        TGiftEvent g;
        g.Kind = static_cast<int16_t>(k);
        g.Count = k;
        a.LuxuryGifts.push_back(g);
    }
    Send(a);
    Send(a);
    std::vector<int32_t> counts;
    for (const auto& g : room->LuxuryGifts()) counts.push_back(g.Count);
    EXPECT_EQ(counts, (std::vector<int32_t>{1, 3, 5, 1, 3, 5}));
}

TEST_F(RoomUsersTest, EntryAnnouncementsAndTheOwnWelcome) {
    Enter();
    // 8041 naming oneself adds nobody.
    UserEnteredNotice self;
    self.UserID = kMe;
    self.User = User(kMe, "我自己");
    Send(self);
    EXPECT_EQ(room->Directory().Count(), 0u);

    // A known level: the level's template with icon, escaped title and nick.
    UserEnteredNotice vip;
    vip.UserID = 7;
    vip.User = User(7, "<b>坏</b>\r\n人");
    vip.User.LevelName = "VIP会员";
    vip.User.TitleText = "a&b";
    Send(vip);
    auto pub = view.Of("public");
    ASSERT_EQ(pub.size(), 1u);
    const std::string icon = "<img src=\"" + dir.Path().string() + "/Picture/Rate/VIP会员.gif\">";
    EXPECT_EQ(pub[0].Text, "<b>" + icon + "欢迎VIP a&amp;b b坏/b(7)</b><BR>");
    EXPECT_EQ(room->Directory().FindUser(7)->NickName, "b坏/b");

    // An unknown level: the plain entry line. A second add changes nothing.
    UserEnteredNotice plain;
    plain.UserID = 8;
    plain.User = User(8, "eight");
    plain.User.LevelName = "无此等级";
    Send(plain);
    Send(plain);
    EXPECT_EQ(view.Of("entry").size(), 1u);

    // A level name that is not a plain name is never used as a file name.
    UserEnteredNotice evil;
    evil.UserID = 9;
    evil.User = User(9, "nine");
    evil.User.LevelName = "../evil";
    Send(evil);
    pub = view.Of("public");
    ASSERT_EQ(pub.size(), 2u);
    EXPECT_EQ(pub[1].Text, "<i>  nine(9)</i><BR>");

    // 20121 naming oneself adds the own record and shows the own welcome.
    UserListMessage list;
    auto me = User(kMe, "我自己");
    me.LevelName = "VIP会员";
    me.TitleText = "贵宾";
    auto temp = User(10, "ten");
    temp.ManagerLevel = 3;
    temp.LevelName = "VIP会员";
    list.Users = {me, temp};
    Send(list);
    ASSERT_TRUE(room->Directory().FindUser(kMe));
    auto sys = view.Of("system");
    ASSERT_EQ(sys.size(), 1u);
    EXPECT_EQ(sys[0].Text, "您是贵宾, 欢迎进入本房间！");
    EXPECT_EQ(sys[0].Kind, 0);
    EXPECT_EQ(view.Of("public").back().Text,
              "<FONT STYLE=\"font: 10pt 黑体; color:red\"><b>【提示】: " + icon + "  ten(10) 进入房间<b></FONT><BR>");
    EXPECT_TRUE(room->TempManagers().contains(10));

    // 20123 lists without notices.
    UserListMessage quiet;
    quiet.Code = UserListMessage::kCodePlain;
    quiet.Users = {User(11, "eleven")};
    const size_t before = view.lines.size();
    Send(quiet);
    EXPECT_TRUE(room->Directory().FindUser(11));
    EXPECT_EQ(view.lines.size(), before);
}

TEST_F(RoomUsersTest, LeavingFullAndPlain) {
    Enter();
    UserListMessage list;
    list.Code = UserListMessage::kCodePlain;
    list.Users = {User(1, "one"), User(2, "two"), User(3, "three")};
    Send(list);
    room->BlockedChat().insert(1);
    room->TempManagers().insert(1);

    UserLeftNotice full;
    full.UserID = 1;
    full.NickName = "one";
    Send(full);
    UserLeftPlain plain;
    plain.UserID = 2;
    plain.NickName = "two";
    Send(plain);
    UserLeftNotice unknown;
    unknown.UserID = 99;
    Send(unknown);

    EXPECT_EQ(Ids(room->Lists().lv_User()), (std::vector<int32_t>{3}));
    EXPECT_FALSE(room->BlockedChat().contains(1));
    EXPECT_FALSE(room->TempManagers().contains(1));
    EXPECT_EQ(view.Of("leave").size(), 2u);
    EXPECT_EQ(view.left, (std::vector<std::pair<int32_t, bool>>{{1, true}, {2, false}}));
    EXPECT_EQ(room->Lists().Caption(TRoomUserLists::kUser), "用户(1)");

    // 20016 adds with the plain entry line, not for oneself.
    UserEnteredPlain in;
    in.User = User(4, "four");
    in.UserID = 4;
    Send(in);
    in.User = User(kMe, "me");
    in.UserID = kMe;
    Send(in);
    EXPECT_EQ(Ids(room->Lists().lv_User()), (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(view.Of("entry").size(), 1u);
}

TEST_F(RoomUsersTest, MicStatesStartViewsOnlyForThePublicMics) {
    Enter();
    UserListMessage list;
    list.Code = UserListMessage::kCodePlain;
    list.Users = {User(1, "one"), User(2, "two"), User(3, "three")};
    Send(list);
    UserMicStates ms;
    auto entry = [](int32_t id, int16_t slot, uint8_t state) {
        TMicEntry e;
        e.UserID = id;
        e.Slot = slot;
        e.State = state;
        e.MicTimeLimit = 60000;
        return e;
    };
    ms.Entries = {entry(1, 0, 1), entry(2, 3, 1), entry(3, -1, 6), entry(42, 1, 1)};
    Send(ms);
    EXPECT_EQ(view.views, (std::vector<std::pair<int, int32_t>>{{0, 1}}));
    EXPECT_EQ(room->OnMic(), (std::set<int32_t>{1, 2, 3}));
    EXPECT_EQ(room->Directory().GetMicState(1), 1);
    EXPECT_EQ(room->Directory().FindUser(1)->MicTimeLimit, 60000);
    EXPECT_EQ(Ids(room->Lists().lv_MicOrder()), (std::vector<int32_t>{3}));
}

TEST_F(RoomUsersTest, ProfileQueryAndAnswer) {
    Enter();
    room->Directory().AddUser(User(5, "five"));
    room->OnPopEnvent(5, SubMenuEnum::dispInfo);
    auto q = Decode<ProfileQuery>(sent->back().Plain);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->AskedID, 5);
    EXPECT_EQ(room->Waits().FindWait(cmd::kUserProfileQuery, 5), 0);
    ProfileAnswer a;
    a.Profile.UserID = 5;
    a.Profile.NickName = "<i>five</i>";
    a.Profile.Note = "hello";
    Send(a);
    ASSERT_EQ(view.profiles.size(), 1u);
    EXPECT_EQ(view.profiles[0].NickName, "ifive/i");
    EXPECT_EQ(room->Waits().FindWait(cmd::kUserProfileQuery, 5), -1);
}

TEST_F(RoomUsersTest, AddressAnswersByResult) {
    Enter();
    room->Directory().AddUser(User(5, "five"));
    room->OnPopEnvent(5, SubMenuEnum::DispIP);
    auto q = Decode<AddressQuery>(sent->back().Plain);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->UserID, kMe);
    EXPECT_EQ(q->AskedID, 5);
    EXPECT_EQ(q->RoomTicket, kTicket);
    struct Case {
        int32_t status;
        std::string text;
    } cases[] = {
        {-1, "用户5已退出房间或不存在!"},
        {1, "查看用户5IP信息失败!"},
        {2, "您没有查看用户5IP信息的权限!"},
        {7, ""},
    };
    for (const auto& c : cases) {
        AddressAnswer a;
        a.UserID = 5;
        a.Status = c.status;
        Send(a);
        auto sys = view.Of("system");
        ASSERT_FALSE(sys.empty());
        EXPECT_EQ(sys.back().Text, c.text);
        EXPECT_EQ(sys.back().Prefix, "查看IP:");
        EXPECT_EQ(sys.back().Kind, 3);
    }
    EXPECT_TRUE(locator.asked.empty());
    // Found: the location is looked up without blocking, and shown when it comes.
    AddressAnswer found;
    found.UserID = 5;
    found.Ip = 0x0A01A8C0; // 192.168.1.10
    found.Status = 0;
    const size_t before = view.lines.size();
    Send(found);
    EXPECT_EQ(view.lines.size(), before);
    ASSERT_EQ(locator.asked, (std::vector<std::string>{"192.168.1.10"}));
    locator.pending[0]("本机");
    EXPECT_EQ(view.Of("system").back().Text, "用户5的IP:192.168.1.10 地址:本机");
    // An answer that comes after the room closed goes nowhere.
    Send(found);
    room.reset();
    locator.pending[1]("late");
}

TEST_F(RoomUsersTest, RestartBalanceAndManagerList) {
    auto i = Init();
    i.RightLevel = 1 << 4;
    Enter(i);
    RoomRestartNotice r;
    r.Reason = "  升级  ";
    Send(r);
    r.Reason = "";
    Send(r);
    auto sys = view.Of("system");
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys[0].Text, "由于升级,10分钟之后房间重启！");
    EXPECT_EQ(sys[1].Text, "10分钟之后房间重启！");
    EXPECT_EQ(sys[0].Prefix, "【系统】：");
    BalanceChanged b;
    b.Coins = 1234;
    Send(b);
    EXPECT_EQ(view.coins, 1234);
    ManagerList m;
    m.Managers = {{7, "<b>seven"}, {8, "eight"}};
    Send(m);
    EXPECT_EQ(view.managers, (std::vector<std::string>{"7 bseven", "8 eight"}));
}

// Every message this window reads, cut short at every length: dropped, and
// never read past its end (the sanitizer build checks the reads).
TEST_F(RoomUsersTest, TruncatedCopiesOfEveryMessageAreDropped) {
    Enter();
    auto u = User(3, "three");
    UserListMessage list;
    list.Users = {u, User(4, "four")};
    UserEnteredNotice entered;
    entered.UserID = 3;
    entered.User = u;
    UserEnteredPlain plain_in;
    plain_in.User = u;
    plain_in.UserID = 3;
    UserLeftNotice left;
    left.UserID = 3;
    UserLeftPlain plain_left;
    plain_left.UserID = 3;
    UserMicStates mic;
    mic.Entries.resize(2);
    mic.Entries[0].UserID = 3;
    mic.Entries[0].Slot = 0;
    EnterRoomAnswer enter;
    enter.LuxuryGifts.resize(2);
    KeepAliveAnswer ka;
    ka.Connection = {5, 5};
    ProfileAnswer profile;
    profile.Profile.UserID = 3;
    AddressAnswer addr;
    addr.UserID = 3;
    addr.Status = 1;
    ManagerList managers;
    managers.Managers = {{1, "a"}, {2, "b"}};
    RoomRestartNotice restart;
    restart.Reason = "原因";
    BalanceChanged balance;
    balance.Coins = 5;
    // The restart notice is whole once its text is (16 + 1 + 4 GBK bytes),
    // the keep-alive answer once its pair is (26 bytes).
    const std::vector<std::pair<std::vector<uint8_t>, size_t>> messages = {
        {Encode(list), 0}, {Encode(entered), 0}, {Encode(plain_in), 0}, {Encode(left), 0},
        {Encode(plain_left), 0}, {Encode(mic), 0}, {Encode(enter), 0}, {Encode(ka), 26},
        {Encode(profile), 0}, {Encode(addr), 0}, {Encode(managers), 0}, {Encode(restart), 21},
        {Encode(balance), 0}};
    for (const auto& [full, whole_at] : messages) {
        const size_t end = whole_at ? whole_at : full.size();
        for (size_t len = 0; len < end; ++len) {
            // A copy on the heap of exactly this length, as the queue keeps it.
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
            room->DispatchMessage(cut);
        }
    }
    EXPECT_EQ(room->Directory().Count(), 0u);
    EXPECT_TRUE(view.Of("public").empty());
    EXPECT_TRUE(view.Of("entry").empty());
    EXPECT_TRUE(view.profiles.empty());
    EXPECT_TRUE(view.managers.empty());
    EXPECT_EQ(view.coins, -1);
    EXPECT_EQ(room->EchoValue(), 0);
    for (const auto& l : view.Of("system")) EXPECT_EQ(l.Text.find("原因"), std::string::npos) << l.Text;

    // Counts that promise more records than the message holds.
    WireWriter w;
    w.I32(cmd::kMessageSignature).I32(cmd::kUserListWithNotices).PadTo(20).I32(1000000);
    User(3, "x").Write(w);
    room->DispatchMessage(w.Take());
    WireWriter neg;
    neg.I32(cmd::kMessageSignature).I32(cmd::kUserListMicStates).PadTo(20).I32(-5);
    room->DispatchMessage(neg.Take());
    EXPECT_EQ(room->Directory().Count(), 0u);
}

} // namespace
} // namespace kel::test
