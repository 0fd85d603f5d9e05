// The room's mic logic driven through the receive path and the pump on
// virtual time: the local checks of a mic request, the server's refusals
// and grant, the broadcasts that move users on and off mics, holding users,
// mic time and its countdown, and the queue order.
#include <gtest/gtest.h>

#include "RoomFixture.h"
#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"
#include "protocol/RoomMessages.h"
#include "room/MicControl.h"

namespace kel::test {
namespace {

class FakeSender : public IOwnSender {
public:
    void Start(const TOwnSenderStart& how) override {
        starts.push_back(how);
        running = true;
    }
    void Stop() override {
        ++stops;
        running = false;
    }
    bool Running() const override { return running; }
    void SendAudio(bool on) override { audio.push_back(on); }
    std::vector<TOwnSenderStart> starts;
    std::vector<bool> audio;
    int stops = 0;
    bool running = false;
};

constexpr int32_t kOther = 200;
constexpr int32_t kThird = 300;
constexpr int32_t kManager = 400;

class MicControlTest : public RoomTest {
protected:
    void EnterWith(int32_t rights, int32_t mic_rights, int16_t no_registered = 0, int32_t type = 2) {
        TRoomInit i = Init();
        i.RightLevel = rights;
        i.MicRight = mic_rights;
        i.UserType = type;
        i.Room.NoRegisteredOnMic = no_registered;
        Enter(i);
        mic().SetOwnSender(&sender);
        UserListMessage list;
        list.Code = UserListMessage::kCodePlain;
        TUserInfoUserMng me = User(kMe, "我自己");
        me.UserType = static_cast<int16_t>(type);
        TUserInfoUserMng mgr = User(kManager, "管理");
        mgr.ManagerLevel = 1;
        list.Users = {me, User(kOther, "小红"), User(kThird, "小明"), mgr};
        Send(list);
        sent->clear();
        view.lines.clear();
    }
    TMicControl& mic() { return room->Mic(); }
    template <class T>
    void Send(const T& m) {
        DeliverMsg(m);
        Pump();
    }
    template <class T>
    std::optional<T> LastSent() const {
        for (auto it = sent->rbegin(); it != sent->rend(); ++it)
            if (auto m = Decode<T>(it->Plain)) return m;
        return std::nullopt;
    }
    MicChanged Changed(int32_t who, int32_t op, uint8_t old_state, uint8_t new_state, int16_t slot) {
        MicChanged c;
        c.UserID = who;
        c.NickName = room->Directory().FindUser(who) ? room->Directory().FindUser(who)->NickName : "x";
        c.OperatorID = op;
        c.OperatorNick = room->Directory().FindUser(op) ? room->Directory().FindUser(op)->NickName : "op";
        c.OldState = old_state;
        c.NewState = new_state;
        c.Slot = slot;
        c.MediaIp = 0x0100007f;
        c.MediaPort = 20044;
        c.MicTimeLimit = -1;
        return c;
    }
    MicDown Down(int32_t who, int32_t op, int16_t slot, int16_t reason) {
        MicDown d;
        d.UserID = who;
        d.NickName = room->Directory().FindUser(who) ? room->Directory().FindUser(who)->NickName : "x";
        d.OperatorID = op;
        d.OperatorNick = room->Directory().FindUser(op) ? room->Directory().FindUser(op)->NickName : "op";
        d.Slot = slot;
        d.Reason = reason;
        return d;
    }
    std::string LastText(const std::string& what) const {
        auto l = view.Of(what);
        return l.empty() ? std::string() : l.back().Text;
    }
    std::vector<int32_t> QueueRows() {
        std::vector<int32_t> ids;
        auto& q = room->Lists().lv_MicOrder();
        for (int i = 0; i < q.RowCount(); ++i) ids.push_back(q.Row(i)->UserID);
        return ids;
    }
    FakeSender sender;
};

TEST_F(MicControlTest, LocalChecksOfAMicRequest) {
    struct Row {
        const char* name;
        uint8_t own_state;   // the own state before
        uint8_t asked;
        int32_t mic_rights;
        int16_t no_registered;
        int32_t user_type;
        int32_t sent_code;   // 0: nothing sent
        std::string text;
        int style;
    } rows[] = {
        {"leave while not on a mic", 0, 0, 0x3f, 0, 2, 0, "你没有上麦,不能下麦！", 2},
        {"leave while on a mic", 1, 0, 0x3f, 0, 2, 30021, "", 0},
        {"registered user, public mic barred", 0, 1, 0x3f, 1, 2, 0, "本房间禁止注册用户上公麦！", 1},
        {"registered user may still queue", 0, 6, 0x3f, 1, 2, 30001, "", 0},
        {"member not barred", 0, 1, 0x3f, 1, 3, 30001, "", 0},
        {"no right for the state", 0, 1, 0x20, 0, 2, 0, "您的权限不够！", 1},
        {"no state beyond 6", 0, 7, 0x7f, 0, 2, 0, "您的权限不够！", 1},
        {"private mic", 0, 2, 0x3f, 0, 2, 30001, "", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TearDown();
        SetUp();
        EnterWith(0, r.mic_rights, r.no_registered, r.user_type);
        room->SetMicState(r.own_state);
        mic().ReqMic(r.asked);
        if (r.sent_code == 0) {
            EXPECT_TRUE(sent->empty());
        } else {
            ASSERT_EQ(SentCodes(), std::vector<int32_t>{r.sent_code});
        }
        if (r.sent_code == 30001) {
            EXPECT_EQ(LastSent<MicRequest>()->State, r.asked);
            EXPECT_EQ(room->Waits().FindWait(30001, kMe), 0);
        }
        if (r.sent_code == 30021) {
            EXPECT_EQ(room->MicState(), 0);
        }
        if (!r.text.empty()) {
            ASSERT_FALSE(view.Of("system").empty());
            EXPECT_EQ(view.Of("system").back().Text, r.text);
            EXPECT_EQ(view.Of("system").back().Kind, r.style);
        }
    }
}

TEST_F(MicControlTest, PaidMicNeedsTheDialogsGiftAndCount) {
    EnterWith(0, 0x3f);
    mic().ReqMic(5);  // no dialog: nothing
    int16_t gift = 0, count = 0;
    mic().AskPaidMic = [&](int16_t& g, int16_t& c) {
        g = gift;
        c = count;
        return true;
    };
    mic().ReqMic(5);  // gift 0
    EXPECT_TRUE(sent->empty());
    gift = 12;
    count = 3;
    mic().ReqMic(5);
    auto r = LastSent<MicRequest>();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->State, 5);
    EXPECT_EQ(r->GiftID, 12);
    EXPECT_EQ(r->GiftCount, 3);
}

TEST_F(MicControlTest, RepeatedRequestKeepsOnePendingEntryAndTimesOutOnce) {
    EnterWith(0, 0x3f);
    mic().ReqMic(1);
    loop.AdvanceBy(5000);
    mic().ReqMic(1);
    EXPECT_EQ(room->Waits().Count(), 1u);
    loop.AdvanceBy(5100);
    auto sys = view.Of("system");
    ASSERT_EQ(sys.size(), 1u);
    EXPECT_NE(sys[0].Text.find("请求上麦无应答"), std::string::npos);
    EXPECT_EQ(room->Waits().Count(), 0u);
}

TEST_F(MicControlTest, RefusalsByCode) {
    EnterWith(0, 0x3f);
    struct Row {
        int32_t code;
        const char* text;  // nullptr: silent
        int style;
    } rows[] = {
        {1, "权限不够", 1},
        {2, "你已在麦序", 2},
        {6, "本房间未开启自动排麦，麦序已满，请先将麦上用户抱下或有空麦时再上麦", 2},
        {8, "麦序已满，你已在排麦列表等待", 2},
        {0, nullptr, 0},
        {9, nullptr, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.code);
        view.lines.clear();
        mic().ReqMic(1);
        MicRefused a;
        a.Key = kMe;
        a.Reason = r.code;
        Send(a);
        EXPECT_EQ(room->Waits().Count(), 0u);
        auto sys = view.Of("system");
        if (!r.text) {
            EXPECT_TRUE(sys.empty());
            continue;
        }
        ASSERT_EQ(sys.size(), 1u);
        EXPECT_EQ(sys[0].Text, r.text);
        EXPECT_EQ(sys[0].Kind, r.style);
        EXPECT_EQ(sys[0].Prefix, "【系统】:");
    }
}

TEST_F(MicControlTest, GrantStartsTheOwnSenderExceptForTheQueue) {
    EnterWith(0, 0x3f);
    mic().MediaTicket = 4242;
    mic().VideoDevice = 1;
    MicGranted g;
    g.Key = kMe;
    g.State = 6;
    mic().ReqMic(6);
    Send(g);
    EXPECT_TRUE(sender.starts.empty());
    EXPECT_EQ(room->Waits().Count(), 0u);
    g.State = 1;
    g.MediaIp = 0x0100007f;
    g.MediaPort = 20044;
    Send(g);
    ASSERT_EQ(sender.starts.size(), 1u);
    const auto& how = sender.starts[0];
    EXPECT_EQ(how.UserID, 0);
    EXPECT_EQ(how.NickName, "0");
    EXPECT_EQ(how.MediaIp, 0x0100007fu);
    EXPECT_EQ(how.MediaPort, 20044);
    EXPECT_EQ(how.MediaTicket, 4242);
    EXPECT_EQ(how.VideoDevice, 1);
    EXPECT_EQ(how.VideoMode, 1);
    EXPECT_EQ(how.FrameRate, 8);
    EXPECT_EQ(how.CompressionRate, 100);
    EXPECT_EQ(sender.audio, std::vector<bool>{false});  // own audio starts off
}

TEST_F(MicControlTest, MicChangedLinesViewsAndRecords) {
    EnterWith((1 << 10) | (1 << 16), 0x3f);
    // The own user on slot 0, old = new = 1.
    Send(Changed(kMe, kMe, 1, 1, 0));
    EXPECT_EQ(LastText("publicsys"), "你 由 不在麦 转为上 公麦");
    ASSERT_EQ(view.starts.size(), 1u);
    EXPECT_TRUE(view.starts[0].Own);
    EXPECT_FALSE(view.starts[0].MayKick);
    EXPECT_EQ(mic().MySlot(), 0);
    EXPECT_EQ(room->MicState(), 1);
    EXPECT_TRUE(room->OnMic().contains(kMe));

    // Another user held onto slot 1 by the manager: the window gets the
    // viewer's menu rights.
    Send(Changed(kOther, kManager, 0, 1, 1));
    EXPECT_EQ(LastText("publicsys"), "小红(200) 被 管理(400) 抱上公麦");
    ASSERT_EQ(view.starts.size(), 2u);
    EXPECT_FALSE(view.starts[1].Own);
    EXPECT_TRUE(view.starts[1].MayKick);
    EXPECT_FALSE(view.starts[1].MayForbidChat);
    EXPECT_TRUE(view.starts[1].MayAddTime);
    EXPECT_FALSE(view.starts[1].MayTakeOff);
    EXPECT_EQ(view.starts[1].MediaPort, 20044);
    EXPECT_EQ(mic().SlotUser(1), kOther);

    // A third user on slot 1 replaces him: the old content stops first.
    Send(Changed(kThird, kThird, 6, 1, 1));
    EXPECT_EQ(view.stops, std::vector<int>{1});
    EXPECT_EQ(LastText("publicsys"), "小明(300) 由 排麦(进入麦序) 转为上 公麦");
    EXPECT_EQ(mic().SlotUser(1), kThird);

    // Slot 3 does not exist: reported, the record stays as it was.
    const size_t before = view.starts.size();
    MicChanged bad = Changed(kManager, kManager, 0, 1, 3);
    bad.MicTimeLimit = 5000;
    Send(bad);
    EXPECT_EQ(LastText("publicsys"), "获得麦号失败，上麦失败！");
    EXPECT_EQ(view.Of("publicsys").back().Prefix, "【系统】");
    EXPECT_EQ(view.starts.size(), before);
    EXPECT_EQ(room->Directory().GetMicState(kManager), 0);
    EXPECT_EQ(room->Directory().FindUser(kManager)->MicTimeLimit, -1);

    // An unknown subject is ignored.
    const size_t lines = view.lines.size();
    Send(Changed(999, 999, 0, 1, 2));
    EXPECT_EQ(view.lines.size(), lines);
}

TEST_F(MicControlTest, QueuedUsersJoinTheQueueListInOrder) {
    EnterWith(0, 0x3f);
    MicChanged a = Changed(kThird, kThird, 0, 6, -1);
    a.MicOrder = 1;
    MicChanged b = Changed(kOther, kOther, 0, 6, -1);
    b.MicOrder = 0;
    Send(a);
    Send(b);
    EXPECT_EQ(QueueRows(), (std::vector<int32_t>{kOther, kThird}));
    EXPECT_EQ(room->Lists().Caption(TRoomUserLists::kMicOrder), "麦序(2)");
    EXPECT_TRUE(view.starts.empty());
    EXPECT_EQ(mic().QueuedUsers(), (std::vector<int32_t>{kOther, kThird}));
    // Leaving the queue: off the list, no window touched.
    Send(Down(kOther, kOther, -1, 0));
    EXPECT_EQ(QueueRows(), std::vector<int32_t>{kThird});
    EXPECT_TRUE(view.stops.empty());
    EXPECT_TRUE(view.closed_private.empty());
}

TEST_F(MicControlTest, MicDownLines) {
    EnterWith(0, 0x3f);
    struct Row {
        const char* name;
        int32_t who, op;
        int16_t reason;
        const char* text;
    } rows[] = {
        {"time is up", kOther, kOther, 1, "小红(200) 因上麦时间到下麦"},
        {"plain leave of oneself", kMe, kMe, 0, "你 下麦成功"},
        {"forced by a manager", kOther, kManager, 3, "小红(200) 被 管理(400) 强制下麦"},
        {"forced by oneself", kOther, kMe, 3, "小红(200) 被 你 强制下麦"},
        {"entered again", kOther, -2, 1, "小红(200) 因重新登陆房间 因上麦时间到下麦"},
        {"by the system", kOther, -3, 3, "小红(200) 被 系统 强制下麦"},
        {"held onto the public mic from the queue", kOther, kManager, 12, "小红(200) 被 管理(400) 抱上公麦而下排麦"},
        {"unknown reason", kOther, kOther, 77, "小红(200) 下麦成功"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Send(Down(r.who, r.op, -1, r.reason));
        EXPECT_EQ(LastText("publicsys"), r.text);
    }
    // Nicks are cleaned before they are shown.
    MicDown d = Down(kOther, kManager, -1, 3);
    d.OperatorNick = "<b>坏</b>\r\nx";
    Send(d);
    EXPECT_EQ(LastText("publicsys"), "小红(200) 被 b坏/b(400) 强制下麦");
}

TEST_F(MicControlTest, OwnMicDownStopsSenderAndWindow) {
    EnterWith(0, 0x3f);
    MicGranted g;
    g.Key = kMe;
    g.State = 1;
    Send(g);
    MicChanged c = Changed(kMe, kMe, 0, 1, 2);
    c.MicTimeLimit = 300000;
    Send(c);
    ASSERT_TRUE(sender.running);
    Send(Down(kMe, kManager, 2, 3));
    EXPECT_FALSE(sender.running);
    EXPECT_EQ(view.stops, std::vector<int>{2});
    EXPECT_EQ(mic().MySlot(), -1);
    EXPECT_EQ(mic().SlotUser(2), 0);
    EXPECT_EQ(room->MicState(), 0);
    EXPECT_FALSE(room->OnMic().contains(kMe));
    const TUserInfoUserMng* me = room->Directory().FindUser(kMe);
    EXPECT_EQ(me->MicState, 0);
    EXPECT_EQ(me->MicTimeLimit, 0);
    EXPECT_EQ(me->MicOrder, -1);
    // Not on a mic any more: "下麦" sends nothing.
    sent->clear();
    mic().ReqMic(0);
    EXPECT_TRUE(sent->empty());
}

TEST_F(MicControlTest, MicDownOutsideTheSlotsStillEmptiesTheUsersWindow) {
    EnterWith(0, 0x3f);
    Send(Changed(kOther, kOther, 0, 1, 1));
    Send(Down(kOther, kOther, 5, 0));
    EXPECT_EQ(view.stops, std::vector<int>{1});
    EXPECT_EQ(mic().SlotUser(1), 0);
}

TEST_F(MicControlTest, MicAndQueueListsSkipUnknownUsers) {
    EnterWith(0, 0x3f);
    MicStateList l;
    TMicEntry e;
    e.UserID = kOther;
    e.State = 1;
    e.Slot = 0;
    e.MicTimeUsed = 1000;
    e.MicTimeLimit = 60000;
    TMicEntry unknown = e;
    unknown.UserID = 999;
    l.Entries = {e, unknown};
    Send(l);
    EXPECT_EQ(room->OnMic(), std::set<int32_t>{kOther});
    EXPECT_EQ(room->Directory().FindUser(kOther)->MicTimeLimit, 60000);
    EXPECT_TRUE(view.starts.empty());  // 8000 starts no window

    MicQueueList q;
    q.UserIDs = {kThird, 999, kManager};
    Send(q);
    EXPECT_EQ(room->Directory().FindUser(kManager)->MicOrder, 2);
    EXPECT_EQ(QueueRows(), (std::vector<int32_t>{kThird, kManager}));
}

TEST_F(MicControlTest, HoldingUsersOnAndOff) {
    struct Row {
        const char* name;
        int32_t rights;
        int32_t target;
        int32_t sent_code;
        const char* text;
    } rows[] = {
        {"no right", 0, kOther, 0, "您的权限不够！"},
        {"oneself", 1 << 11, kMe, 0, nullptr},
        {"unknown user", 1 << 11, 999, 0, nullptr},
        {"not on a mic: hold on", 1 << 11, kOther, 30031, nullptr},
        {"on the public mic: take off", 1 << 11, kThird, 30011, nullptr},
        {"on a private mic: take off", 1 << 11, kManager, 30011, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TearDown();
        SetUp();
        EnterWith(r.rights, 0x3f);
        Send(Changed(kThird, kThird, 0, 1, 0));
        Send(Changed(kManager, kManager, 0, 2, -1));
        sent->clear();
        view.lines.clear();
        mic().OnAddCancelMic(r.target);
        if (r.sent_code == 0) {
            EXPECT_TRUE(sent->empty());
        } else {
            ASSERT_EQ(SentCodes(), std::vector<int32_t>{r.sent_code});
        }
        if (r.sent_code == 30031) {
            EXPECT_EQ(LastSent<HoldOnMicRequest>()->TargetID, r.target);
        }
        if (r.sent_code == 30011) {
            EXPECT_EQ(LastSent<HoldOffMicRequest>()->TargetID, r.target);
            EXPECT_EQ(LastSent<HoldOffMicRequest>()->NickName, "我自己");
        }
        if (r.text) {
            EXPECT_EQ(LastText("system"), r.text);
        } else {
            EXPECT_TRUE(view.Of("system").empty());
        }
    }
}

TEST_F(MicControlTest, AnswersToHoldingAndMicTime) {
    EnterWith(0, 0x3f);
    struct Row {
        std::vector<uint8_t> msg;
        const char* text;
        int style;
    };
    auto on = [](int32_t r) { HoldOnMicAnswer a; a.Result = r; return Encode(a); };
    auto off = [](int32_t r) { HoldOffMicAnswer a; a.Result = r; return Encode(a); };
    auto time = [](uint8_t r) { AddMicTimeAnswer a; a.Result = r; return Encode(a); };
    auto order = [](uint8_t r) { MicOrderAnswer a; a.Result = r; return Encode(a); };
    const Row rows[] = {
        {on(1), "您没有抱该用户上麦的权限，抱麦操作失败！", 1},
        {on(-2), "不能抱游客上麦", 2},
        {on(0), nullptr, 0},
        {off(0), "成功抱用户下麦", 2},
        {off(1), "抱用户下麦失败,只能操作比自己等级低的用户", 1},
        {off(5), nullptr, 0},
        {time(1), "被操作用户不存在！", 2},
        {time(2), "您没有添加麦时的权限，添加麦时操作失败！", 1},
        {time(3), "被操作用户不在公麦上，操作失败！", 2},
        {order(0), "调整麦序成功！", 2},
        {order(1), "您的权限不够， 调整麦序失败！", 1},
        {order(2), nullptr, 0},
    };
    for (const auto& r : rows) {
        view.lines.clear();
        Deliver(r.msg);
        Pump();
        auto sys = view.Of("system");
        if (!r.text) {
            EXPECT_TRUE(sys.empty());
            continue;
        }
        ASSERT_EQ(sys.size(), 1u) << r.text;
        EXPECT_EQ(sys[0].Text, r.text);
        EXPECT_EQ(sys[0].Kind, r.style);
    }
}

TEST_F(MicControlTest, AddingMicTime) {
    EnterWith(0, 0x3f);
    mic().OnAddMicTime(kOther);
    EXPECT_TRUE(sent->empty());
    EXPECT_EQ(LastText("system"), "您的权限不够！");
    TearDown();
    SetUp();
    EnterWith(1 << 16, 0x3f);
    mic().OnAddMicTime(kOther);
    auto r = LastSent<AddMicTimeRequest>();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->TargetID, kOther);
    MicTimeAdded a;
    a.UserID = kOther;
    a.NickName = "小红";
    a.OperatorID = kMe;
    a.OperatorNick = "我自己";
    Send(a);
    EXPECT_EQ(LastText("publicsys"), "你 给 小红(200) 增加5分钟麦时");
}

TEST_F(MicControlTest, CountdownOnTheTickAtMostEvery200ms) {
    EnterWith(0, 0x3f);
    MicChanged c = Changed(kOther, kOther, 0, 1, 0);
    c.MicTimeLimit = 300000;
    Send(c);
    Send(Changed(kThird, kThird, 0, 1, 1));  // no limit: no time shown
    view.times.clear();
    loop.AdvanceBy(10000);
    ASSERT_TRUE(view.times.contains(0));
    EXPECT_FALSE(view.times.contains(1));
    const int32_t used = room->Directory().FindUser(kOther)->MicTimeUsed;
    EXPECT_GE(used, 9800);
    EXPECT_LE(used, 10100);
    EXPECT_EQ(view.times[0], 300000 - used);
    // Runs closer together than 200 ms are skipped: 150 ms ticks give at
    // most one run per two ticks.
    const size_t runs = view.time_updates;
    loop.AdvanceBy(3000);
    EXPECT_LE(view.time_updates - runs, 10u);
    EXPECT_GE(view.time_updates - runs, 9u);
    // Past the limit the remaining time stays at 0; the server ends the mic.
    loop.AdvanceBy(300000);
    EXPECT_EQ(view.times[0], 0);
    EXPECT_EQ(mic().SlotUser(0), kOther);
}

TEST_F(MicControlTest, QueryMicMenu) {
    EnterWith(0, 0x3f);
    Send(Changed(kOther, kOther, 0, 1, 0));                 // registered, on the public mic
    Send(Changed(kManager, kManager, 0, 1, 1));             // a manager on the public mic
    MicChanged limited = Changed(kThird, kThird, 0, 2, -1);  // private mic with a limit
    limited.MicTimeLimit = 60000;
    Send(limited);
    room->Directory().FindUser(kThird)->ChatForbidden = 1;
    EXPECT_EQ(mic().QueryMicMenu(kOther), std::make_pair(true, false));
    EXPECT_EQ(mic().QueryMicMenu(kManager), std::make_pair(false, false));
    EXPECT_EQ(mic().QueryMicMenu(kThird), std::make_pair(true, true));
    EXPECT_EQ(mic().QueryMicMenu(999), std::make_pair(false, false));
}

TEST_F(MicControlTest, QueueOrderDialogAndBroadcast) {
    EnterWith(1 << 16, 0x3f);
    MicQueueList q;
    q.UserIDs = {kOther, kThird, kManager};
    Send(q);
    std::vector<int32_t> shown;
    mic().EditMicOrder = [&](std::vector<int32_t>& order) {
        shown = order;
        DropQueueRow(order, 0, 2);
        return true;
    };
    mic().OnSetMicOrder();
    EXPECT_EQ(shown, (std::vector<int32_t>{kOther, kThird, kManager}));
    auto r = LastSent<MicOrderRequest>();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->UserIDs, (std::vector<int32_t>{kThird, kManager, kOther}));

    MicQueueReordered b;
    b.OperatorID = kManager;
    b.OperatorNick = "管理";
    b.UserIDs = {kManager, 999, kOther};
    Send(b);
    EXPECT_EQ(QueueRows(), (std::vector<int32_t>{kManager, kOther}));
    EXPECT_EQ(LastText("publicsys"), "用户管理(400)调整麦序成功！");

    // Cancelled, or an empty queue confirmed: nothing is sent.
    sent->clear();
    mic().EditMicOrder = [](std::vector<int32_t>&) { return false; };
    mic().OnSetMicOrder();
    mic().SendMicOrder({});
    EXPECT_TRUE(sent->empty());
}

TEST_F(MicControlTest, QueueOrderNeedsTheRight) {
    EnterWith(0, 0x3f);
    bool asked = false;
    mic().EditMicOrder = [&](std::vector<int32_t>&) { return asked = true; };
    mic().OnSetMicOrder();
    EXPECT_FALSE(asked);
    EXPECT_EQ(LastText("system"), "您的权限不够！");
}

TEST(DropQueueRow, MovesTheDraggedRow) {
    struct Row {
        int from, onto;
        std::vector<int32_t> expected;
    } rows[] = {
        {0, 2, {2, 3, 1, 4, 5}},
        {4, 0, {5, 1, 2, 3, 4}},
        {1, -1, {1, 3, 4, 5, 2}},
        {2, 2, {1, 2, 3, 4, 5}},
        {3, 1, {1, 4, 2, 3, 5}},
        {7, 1, {1, 2, 3, 4, 5}},
    };
    for (const auto& r : rows) {
        std::vector<int32_t> v = {1, 2, 3, 4, 5};
        DropQueueRow(v, r.from, r.onto);
        EXPECT_EQ(v, r.expected) << r.from << " onto " << r.onto;
    }
}

TEST_F(MicControlTest, ClosingTheRoomLeavesTheOwnMic) {
    EnterWith(0, 0x3f);
    MicGranted g;
    g.Key = kMe;
    g.State = 1;
    Send(g);
    Send(Changed(kMe, kMe, 0, 1, 0));
    sent->clear();
    room.reset();
    EXPECT_FALSE(sender.running);
    auto codes = SentCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], 30021);
    EXPECT_EQ(codes[1], 20015);
}

} // namespace
} // namespace kel::test
