#include "shell/HallSession.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "HallFakes.h"
#include "config/ChatCFG.h"
#include "platform/ManualLoop.h"
#include "foundation/Gbk.h"
#include "support/HandBytes.h"

using namespace kel;
using kel::test::FakeHallView;
using kel::test::Hand;
using kel::test::Sent;

namespace {

constexpr uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
}
const uint32_t kA = Ip(10, 0, 0, 1), kB = Ip(10, 0, 0, 2);

// A hall on virtual time with two listed servers.
struct Hall {
    ManualLoop loop;
    FakeHallView view;
    TOwnUser own;
    std::vector<Sent> sent;
    THallSession session;

    explicit Hall(int32_t user = 12, std::vector<uint32_t> servers = {kA, kB})
        : session(loop, view, own, Settings(std::move(servers)),
                  [this](uint32_t ip, uint16_t port, const std::vector<uint8_t>& p) { sent.push_back({ip, port, p}); }) {
        own.UserID = user;
        own.PasswordDigest = user ? "0123456789abcdef0123456789abcdef" : "";
        session.Start();
    }
    static THallSettings Settings(std::vector<uint32_t> servers) {
        THallSettings s;
        s.servers = std::move(servers);
        s.port_hall = 23456;
        s.room_ports = {20011, 20022, 20033};
        s.hall_url_id = 3;
        return s;
    }
    // A message from `ip` handled by the 100 ms pump.
    void Answer(const std::vector<uint8_t>& m, uint32_t ip = kA, uint16_t port = 23456) {
        session.Deliver(ip, port, m);
        loop.AdvanceBy(100);
    }
    std::vector<Sent> Take(int32_t code) {
        std::vector<Sent> out;
        for (auto& s : sent)
            if (s.code() == code) out.push_back(s);
        return out;
    }
    // Probe answered by server A and a login answer without error.
    void LogIn(int32_t rights = 0) {
        loop.AdvanceBy(3000);
        Answer(Hand(28).head(10009), kA);
        Answer(LoginOk(own.UserID, rights));
    }
    static std::vector<uint8_t> LoginOk(int32_t user, int32_t rights, std::string_view error = {}) {
        return Hand(351 + 3)
            .head(11001)
            .i32(8, user)
            .str(12, Utf8ToGbk(error))
            .i32(63, 777)
            .i16(67, 9)
            .i32(77, 4242)
            .str(81, " http://127.0.0.1:8080/hall.htm ")
            .str(182, " http://img/ ")
            .str(283, "<b>Ann</b>")
            .i32(318, 50)
            .i32(322, 60)
            .i16(326, 2)
            .i16(328, 0)
            .i32(341, rights)
            .i16(345, 3)
            .raw(351, "abc");
    }
};

std::vector<uint8_t> QueryAnswer(int32_t status, int32_t room, int32_t group) {
    return Hand(24).head(20008).i32(12, status).i32(16, room).i32(20, group);
}

std::vector<uint8_t> EntryAnswer(int32_t room, std::string_view error = {}, int32_t upgrade_room = 0) {
    return Hand(1535).head(20011).i32(8, 12).i32(12, upgrade_room).i32(16, 5555).str(20, Utf8ToGbk(error)).i32(75, room);
}

} // namespace

TEST(HallSession, FirstProbeAnswerWinsAndTheLaterOneIsIgnored) {
    Hall h;
    h.loop.AdvanceBy(2999);
    EXPECT_TRUE(h.sent.empty());
    h.loop.AdvanceBy(1);
    auto probes = h.Take(10008);
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_EQ(probes[0].ip, kA);
    EXPECT_EQ(probes[1].ip, kB);
    EXPECT_EQ(probes[0].plain, Hand(75).head(10008).i32(12, 12).bytes());

    // B answers first, A later: the login goes to B once.
    h.session.Deliver(kB, 23456, Hand(28).head(10009));
    h.session.Deliver(kA, 23456, Hand(28).head(10009));
    h.loop.AdvanceBy(200);
    auto logins = h.Take(11000);
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].ip, kB);
    EXPECT_EQ(logins[0].port, 23456);
    EXPECT_TRUE(h.session.Connected());
    EXPECT_EQ(h.session.HallServer(), kB);
    EXPECT_EQ(std::string(logins[0].plain.begin() + 39, logins[0].plain.begin() + 71), h.own.PasswordDigest);
    EXPECT_EQ(logins[0].plain[71], 3); // HallURLID

    // No further probing once connected.
    h.loop.AdvanceBy(20000);
    EXPECT_EQ(h.Take(10008).size(), 2u);
    EXPECT_FALSE(h.view.Has("msg:连接超时！"));
}

TEST(HallSession, ThreeSilentRoundsEndInConnectionTimeout) {
    Hall h;
    h.loop.AdvanceBy(11999);
    EXPECT_EQ(h.Take(10008).size(), 6u); // 3, 6 and 9 s, two servers each
    EXPECT_FALSE(h.view.Has("msg:连接超时！"));
    h.loop.AdvanceBy(1);
    EXPECT_EQ(h.view.Count("msg:连接超时！"), 1u);
    h.loop.AdvanceBy(60000);
    EXPECT_EQ(h.Take(10008).size(), 6u);
    EXPECT_EQ(h.view.Count("msg:连接超时！"), 1u);
    EXPECT_FALSE(h.view.Has("close")); // the hall stays open without a login
}

TEST(HallSession, EmptyServerListTimesOutToo) {
    Hall h(12, {});
    h.loop.AdvanceBy(12000);
    EXPECT_TRUE(h.sent.empty());
    EXPECT_TRUE(h.view.Has("msg:连接超时！"));
}

TEST(HallSession, ProbeAnswerTooShortForTheSenderIsDropped) {
    Hall h;
    h.loop.AdvanceBy(3000);
    h.Answer(Hand(27).head(10009));
    EXPECT_FALSE(h.session.Connected());
    EXPECT_EQ(h.session.Queued(), 0u);
}

TEST(HallSession, LoginAnswerFillsTheOwnRecordAndNavigates) {
    struct Case {
        int32_t rights;
        const char* hide;
    } cases[] = {{0, "0"}, {1 << 5, "1"}, {~(1 << 5), "0"}};
    for (const auto& c : cases) {
        Hall h;
        h.LogIn(c.rights);
        ASSERT_EQ(h.view.accepted.size(), 1u);
        EXPECT_EQ(h.own.NickName, "bAnn/b");
        EXPECT_EQ(h.own.ConnA, 777);
        EXPECT_EQ(h.own.ConnB, 9);
        EXPECT_EQ(h.own.Score, 50);
        EXPECT_EQ(h.own.Coins, 60);
        EXPECT_EQ(h.own.UserType, 2);
        EXPECT_EQ(h.view.accepted[0].MediaTicket, 4242);
        EXPECT_EQ(h.view.accepted[0].WordFilter, "abc");
        EXPECT_EQ(h.view.accepted[0].RoomImagePrefix, "http://img/");
        EXPECT_TRUE(h.view.Has(std::string("nav:http://127.0.0.1:8080/hall.htm?UserID=12&password=") +
                               h.own.PasswordDigest + "&IsHide=" + c.hide))
            << c.rights;
    }
}

TEST(HallSession, LoginErrorIsShownTrimmedAndEndsTheHall) {
    Hall h;
    h.loop.AdvanceBy(3000);
    h.Answer(Hand(28).head(10009));
    h.Answer(Hall::LoginOk(12, 0, " <密码错误>\r\nmore"));
    EXPECT_TRUE(h.view.Has("msg:密码错误"));
    EXPECT_TRUE(h.view.Has("close"));
    EXPECT_TRUE(h.view.accepted.empty());
}

TEST(HallSession, TruncatedLoginAnswerIsDropped) {
    Hall h;
    h.loop.AdvanceBy(3000);
    h.Answer(Hand(28).head(10009));
    auto m = Hall::LoginOk(12, 0);
    m.resize(353); // filter text says 3 bytes, 2 are there
    h.Answer(m);
    m.resize(350);
    h.Answer(m);
    EXPECT_TRUE(h.view.accepted.empty());
    EXPECT_FALSE(h.view.Has("close"));
}

TEST(HallSession, KeepAliveEvery30SecondsAndTheLinkIsLostAfter300WithoutAnswer) {
    Hall h;
    h.LogIn();
    const Tick logged_in = h.loop.Now(); // 3.2 s after creation
    h.loop.AdvanceBy(30000 - (logged_in - 1000));
    auto ka = h.Take(10021);
    ASSERT_EQ(ka.size(), 1u);
    EXPECT_EQ(ka[0].plain, Hand(32).head(10021).i32(8, 12).i32(20, 777).i16(24, 9).bytes());

    // An answer at 100 s refreshes the pair and the last-answer tick.
    h.loop.AdvanceBy(70000);
    h.Answer(Hand(32).head(10022).i32(20, 888).i16(24, 1));
    EXPECT_EQ(h.own.ConnA, 888);
    h.loop.AdvanceBy(300000 - 100); // keep-alive at 390 s: 290 s since the answer
    EXPECT_FALSE(h.view.Has("close"));
    EXPECT_EQ(h.Take(10021).back().plain[20], 888 & 0xFF);
    h.loop.AdvanceBy(30000); // 420 s: 320 s since the answer
    EXPECT_TRUE(h.view.Has("msg:您因为网络连接超时而退出房间"));
    EXPECT_EQ(h.view.Count("close"), 1u);
    h.loop.AdvanceBy(120000);
    EXPECT_EQ(h.view.Count("close"), 1u);
}

TEST(HallSession, GuestSendsNoKeepAliveAndNeverTimesOut) {
    Hall h(0);
    h.LogIn();
    h.loop.AdvanceBy(1000000);
    EXPECT_TRUE(h.Take(10021).empty());
    EXPECT_FALSE(h.view.Has("close"));
    ASSERT_EQ(h.Take(11000).size(), 1u);
    EXPECT_EQ(h.Take(11000)[0].plain[38], 0); // empty digest
}

TEST(HallSession, LoggedInElsewhereClosesRoomsThenTheHall) {
    Hall h;
    h.LogIn();
    h.view.rooms = {1001, 1002};
    h.Answer(Hand(12).head(11003).i32(8, 99)); // somebody else
    EXPECT_FALSE(h.view.Has("close"));
    h.Answer(Hand(12).head(11003).i32(8, 12));
    const std::vector<std::string> tail(h.view.events.end() - 3, h.view.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"closeall", "msg:用户在别处登陆，本地被迫下线。", "close"}));
}

TEST(HallSession, RoomLinks) {
    struct Case {
        const char* url;
        bool cancelled;
        int32_t queried; // room id of the 20007 sent, 0 = none
        int32_t option;
    } cases[] = {
        {"kelroomid:1001,2", true, 1001, 2},
        {"KELROOMID:1002,0", true, 1002, 0},
        {"kelroomid:1001", true, 0, 0},       // no comma: room id 0
        {"kelroomid:abc,1", true, 0, 0},      // not a number
        {"kelroomid:-5,1", true, 0, 0},
        {"kelroomid:1003,x", true, 1003, 0},  // option not a number
        {"http://127.0.0.1/x.htm", false, 0, 0},
        {"kelroomi:1001,1", false, 0, 0},
    };
    for (const auto& c : cases) {
        Hall h;
        h.LogIn();
        h.loop.AdvanceBy(3000);
        EXPECT_EQ(h.session.BeforeNavigate(c.url), c.cancelled) << c.url;
        auto q = h.Take(20007);
        if (!c.queried) {
            EXPECT_TRUE(q.empty()) << c.url;
            continue;
        }
        ASSERT_EQ(q.size(), 1u) << c.url;
        EXPECT_EQ(q[0].plain, Hand(34).head(20007).i32(12, 12).i32(16, 777).i16(20, 9).i32(30, c.queried).bytes());
        EXPECT_EQ(h.session.LinkOption(), c.option) << c.url;
        EXPECT_TRUE(h.view.status_visible);
        EXPECT_EQ(h.view.events.back(), "panel:show");
    }
}

TEST(HallSession, RoomClicksWithinThreeSecondsAreIgnored) {
    Hall h;
    h.LogIn();
    h.loop.AdvanceBy(3000);
    h.session.BeforeNavigate("kelroomid:1001,1");
    h.loop.AdvanceBy(2999);
    h.session.BeforeNavigate("kelroomid:1002,1");
    EXPECT_EQ(h.Take(20007).size(), 1u);
    h.loop.AdvanceBy(1);
    h.session.BeforeNavigate("kelroomid:1002,1");
    EXPECT_EQ(h.Take(20007).size(), 2u);
}

TEST(HallSession, OpenRoomIsBroughtToFrontAndAnotherRoomNeedsTheRight) {
    {
        Hall h;
        h.LogIn();
        h.view.rooms = {1001};
        h.loop.AdvanceBy(3000);
        h.session.EnterRoom(1001);
        EXPECT_TRUE(h.view.Has("front:1001"));
        EXPECT_TRUE(h.Take(20007).empty());
    }
    for (bool ok : {false, true}) {
        Hall h;
        h.LogIn(0); // no several-rooms right
        h.view.rooms = {1001};
        h.view.confirm_answer = ok;
        h.loop.AdvanceBy(3000);
        h.session.EnterRoom(1002);
        EXPECT_TRUE(h.view.Has("ask:进入房间:您的权限不够，不能进入多房间, 是否关闭当前开启房间？"));
        EXPECT_EQ(h.view.Has("closeroom:1001"), ok);
        EXPECT_EQ(h.Take(20007).size(), ok ? 1u : 0u);
    }
    {
        Hall h;
        h.LogIn(1); // several rooms at once
        h.view.rooms = {1001, 1003};
        h.loop.AdvanceBy(3000);
        h.session.EnterRoom(1003);
        EXPECT_TRUE(h.view.Has("front:1003"));
        EXPECT_FALSE(h.view.Has("closeroom:1001"));
    }
}

TEST(HallSession, RoomQueryAnswers) {
    struct Case {
        int32_t status, group;
        const char* message; // nullptr: none
        uint16_t entry_port; // 0: no entry request
    } cases[] = {
        {0, 1, nullptr, 20011}, {0, 2, nullptr, 20022}, {0, 3, nullptr, 20033}, {0, 4, nullptr, 0},
        {1, 1, "房间不存在", 0},    {2, 1, "房间服务器关闭！", 0}, {3, 1, "用户未登陆大厅！", 0},
        {4, 1, "您的号码只能进人气房间！", 0}, {7, 1, nullptr, 0},
    };
    for (const auto& c : cases) {
        Hall h;
        h.LogIn();
        h.loop.AdvanceBy(3000);
        h.session.EnterRoom(1001);
        h.Answer(QueryAnswer(c.status, 1001, c.group));
        auto entry = h.Take(20010);
        const std::string label = std::to_string(c.status) + "/" + std::to_string(c.group);
        if (c.message) {
            EXPECT_TRUE(h.view.Has(std::string("msg:") + c.message)) << label;
        }
        if (c.status != 0) {
            EXPECT_FALSE(h.view.status_visible) << label;
        }
        if (c.status == 0 && c.group == 4) {
            EXPECT_TRUE(h.view.status_visible) << label; // left as it was
            EXPECT_EQ(h.view.events.back(), "status:得到服务器应答") << label;
        }
        if (!c.entry_port) {
            EXPECT_TRUE(entry.empty()) << label;
            continue;
        }
        ASSERT_EQ(entry.size(), 1u) << label;
        EXPECT_EQ(entry[0].ip, kA);
        EXPECT_EQ(entry[0].port, c.entry_port);
        EXPECT_EQ(entry[0].plain.size(), 119u);
        EXPECT_EQ(entry[0].plain[43], 1001 & 0xFF);
        EXPECT_EQ(entry[0].plain[96], 0); // no room password
        EXPECT_EQ(entry[0].plain[117], 1); // has camera
    }
}

TEST(HallSession, RoomEntryAnswers) {
    Hall h;
    h.LogIn();
    h.loop.AdvanceBy(3000);
    h.session.BeforeNavigate("kelroomid:1001,3");
    h.Answer(QueryAnswer(0, 1001, 2));

    // A wrong password twice asks twice (the window keeps one dialog); the
    // typed password goes to the room server and port of the last request.
    h.Answer(EntryAnswer(1001, " 房间密码错误 "));
    h.Answer(EntryAnswer(1001, "房间密码错误"));
    EXPECT_EQ(h.view.Count("password"), 2u);
    h.session.RoomPasswordEntered("secret");
    auto entry = h.Take(20010);
    ASSERT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[1].port, 20022);
    EXPECT_EQ(std::vector<uint8_t>(entry[1].plain.begin() + 96, entry[1].plain.begin() + 103),
              (std::vector<uint8_t>{6, 's', 'e', 'c', 'r', 'e', 't'}));
    EXPECT_EQ(entry[1].plain[118], 3); // link option of the last link

    h.Answer(EntryAnswer(1001, "您的等级不够进入该房间", 1001));
    EXPECT_TRUE(h.view.Has("upgrade:1001"));
    h.Answer(EntryAnswer(1001, "房间已满"));
    EXPECT_TRUE(h.view.Has("msg:房间已满"));
    EXPECT_TRUE(h.view.opened.empty());

    // Granted: one window; a second grant for the same room opens nothing.
    h.Answer(EntryAnswer(1001));
    h.Answer(EntryAnswer(1001));
    ASSERT_EQ(h.view.opened.size(), 1u);
    EXPECT_EQ(h.view.opened[0].RoomTicket, 5555);
    EXPECT_FALSE(h.view.status_visible);

    // An answer one byte short of its 1535 is dropped.
    auto shortened = EntryAnswer(1002);
    shortened.pop_back();
    h.Answer(shortened);
    EXPECT_EQ(h.view.opened.size(), 1u);
}

TEST(HallSession, SelfInfoSuccessMakesTheNewDigestOurs) {
    Hall h;
    h.LogIn();
    const std::string old = h.own.PasswordDigest;
    const std::string fresh(32, 'f');
    h.session.ChangeSelfInfo("Bea", fresh, old);
    auto req = h.Take(19021);
    ASSERT_EQ(req.size(), 1u);
    EXPECT_EQ(req[0].plain.size(), 125u);
    EXPECT_EQ(req[0].plain[28], 3);
    EXPECT_EQ(req[0].plain[59], 32);
    EXPECT_EQ(req[0].plain[92], 32);
    h.Answer(Hand(20).head(19022).i32(16, 1));
    EXPECT_EQ(h.own.PasswordDigest, old);
    EXPECT_TRUE(h.view.Has("selfinfo:1"));

    h.session.ChangeSelfInfo("Bea", fresh, old);
    h.Answer(Hand(20).head(19022).i32(16, 0));
    EXPECT_EQ(h.own.PasswordDigest, fresh);
    EXPECT_EQ(h.own.NickName, "Bea");

    // A nickname-only change keeps the digest.
    h.session.ChangeSelfInfo("Cid", "", fresh);
    h.Answer(Hand(20).head(19022).i32(16, 0));
    EXPECT_EQ(h.own.PasswordDigest, fresh);
    EXPECT_EQ(h.own.NickName, "Cid");
}

TEST(HallSession, LogoutOnlyWhenConnected) {
    {
        Hall h;
        h.session.Shutdown();
        EXPECT_TRUE(h.Take(11002).empty());
    }
    Hall h;
    h.LogIn();
    h.session.Shutdown();
    auto out = h.Take(11002);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].plain.size(), 32u);
    EXPECT_EQ(out[0].plain[12], 12);
}

TEST(HallSession, SuccessfulLoginIsRecordedInTheConfiguration) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kel-hall-cfg-" + std::to_string(getpid()));
    struct Case {
        int32_t user;
        bool remember;
        const char* saved; // password read back from the user folder
    } cases[] = {{12, true, "pw"}, {12, false, ""}, {0, true, nullptr}};
    for (const auto& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        TkelChatCFG cfg(dir.string());
        cfg.WriteLoginList("7");
        cfg.RememberPwd = c.remember;
        cfg.TypedPwd = "pw";
        ManualLoop loop;
        FakeHallView view;
        TOwnUser own;
        own.UserID = c.user;
        THallSettings s = Hall::Settings({kA});
        s.cfg = &cfg;
        THallSession session(loop, view, own, s, [](uint32_t, uint16_t, const std::vector<uint8_t>&) {});
        session.Start();
        loop.AdvanceBy(3000);
        session.Deliver(kA, 23456, Hand(28).head(10009));
        session.Deliver(kA, 23456, Hall::LoginOk(c.user, 0));
        loop.AdvanceBy(200);
        ASSERT_EQ(view.accepted.size(), 1u);

        EXPECT_EQ(cfg.MediaTicket, 4242);
        EXPECT_EQ(cfg.FilterText, "abc");
        EXPECT_EQ(cfg.RoomImagePrefix, "http://img/");
        std::vector<std::string> list;
        TkelChatCFG(dir.string()).ReadLoginList(list);
        if (!c.saved) {
            EXPECT_EQ(list, std::vector<std::string>{"7"});
            EXPECT_FALSE(fs::exists(dir / "0"));
            continue;
        }
        EXPECT_EQ(list, (std::vector<std::string>{"12", "7"}));
        TkelChatCFG again(dir.string());
        again.LoadUserPassword(12);
        EXPECT_EQ(again.SavedPwd, c.saved);
    }
    fs::remove_all(dir);
}

TEST(HallSession, VideoDeviceIndexIsReadAfreshEachTime) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kel-avset-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string app = dir.string() + "/";
    EXPECT_EQ(VideoDeviceIndex(app), 0); // no file
    std::ofstream(dir / "AVSet.ini") << "[AVSet]\nVideoDrvIndex=2\n";
    EXPECT_EQ(VideoDeviceIndex(app), 2);
    std::ofstream(dir / "AVSet.ini") << "[avset]\nvideodrvindex=1\n";
    EXPECT_EQ(VideoDeviceIndex(app), 1);
    fs::remove_all(dir);
}
