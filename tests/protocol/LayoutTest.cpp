// Every shared message layout against bytes written out by hand from the
// layout tables: the writer must produce exactly those bytes, the reader must
// take back every field (re-encoding what it read gives the same bytes), and
// the reader must refuse the message one byte short of what it needs and
// under another command code.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "../support/LayoutCases.h"
#include "protocol/HallMessages.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicMessages.h"
#include "protocol/RegistrationMessages.h"
#include "protocol/RoomEntryMessages.h"
#include "protocol/RoomMessages.h"

namespace kel {
namespace {

using test::Bytes;
using test::CheckCases;
using test::Hand;
using test::Make;
using Case = test::LayoutCase;

const char kTestGbk[] = "\xb2\xe2\xca\xd4";  // "测试"

TUserInfoUserMng SampleUser(int32_t id) {
    TUserInfoUserMng u;
    u.UserID = id;
    u.NickName = "测试";
    u.HeadIndex = 7;
    u.MicState = 6;
    u.MicTimeUsed = 1234;
    u.MicTimeLimit = -1;
    u.UserType = 3;
    u.ManagerLevel = 2;
    u.TitleText = "vip";
    u.LevelName = "gold";
    u.NickColor = 0x0000ff;
    u.SortRank = 200;
    u.MicOrder = -1;
    u.RightLevel = 0x1fff;
    u.MicRight = 0x3f;
    u.IdleMicImage = 1;
    u.Hidden = 1;
    u.ChatForbidden = 1;
    return u;
}

// The sample user at `base`, from the 96-byte record table.
void HandUser(Hand& h, size_t base, int32_t id) {
    h.i32(base + 0, id).str(base + 4, kTestGbk).i16(base + 35, 7).u8(base + 37, 6);
    h.i32(base + 38, 1234).i32(base + 42, -1).i16(base + 52, 3).i16(base + 54, 2);
    h.str(base + 56, "vip").str(base + 67, "gold").i32(base + 78, 0xff).u8(base + 82, 200);
    h.i16(base + 83, -1).i32(base + 85, 0x1fff).i32(base + 89, 0x3f);
    h.u8(base + 93, 1).u8(base + 94, 1).u8(base + 95, 1);
}

TRoomInfo SampleRoom() {
    TRoomInfo r;
    r.RoomID = 1001;
    r.RoomName = "测试";
    r.RoomKind = 1;
    r.OwnerID = 10000;
    r.ViceOwners = {10001, 10002, 10003};
    r.NeedPassword = 1;
    r.Password = "pw";
    r.ServerGroup = 2;
    r.ShortText = "ab";
    r.Description = "desc";
    r.MicCount = 3;
    r.MaxUsers = 500;
    r.MinUserClass = 4;
    r.MinBalance = 50;
    r.GiftPacingMs = 300;
    r.GiftPacingStep = 5;
    r.PublicChatBar = 1;
    r.PrivateChatBar = 2;
    r.NoRegisteredOnMic = 1;
    r.AutoQueueOff = 1;
    r.AutoQueueMic = 2;
    r.AutoQueueMinutes = 15;
    r.LinkCaptions = {"c1", "c2", "c3", "c4"};
    r.LinkTargets = {"t1", "t2", "t3", "t4"};
    r.WelcomeTexts = {"w1", "w2", "w3"};
    r.RegisteredChatWaitS = 30;
    r.WelcomeStyle = "color:red";
    r.GiftSwitch = 1;
    return r;
}

// The sample room at `b`, from the 1456-byte record table.
void HandRoom(Hand& h, size_t b) {
    h.i32(b + 0, 1001).str(b + 4, kTestGbk).i16(b + 55, 1).i32(b + 57, 10000);
    h.i32(b + 61, 10001).i32(b + 65, 10002).i32(b + 69, 10003).u8(b + 73, 1);
    h.str(b + 74, "pw").i16(b + 95, 2).str(b + 97, "ab").str(b + 102, "desc");
    h.i16(b + 203, 3).i16(b + 205, 500).i16(b + 207, 4).i16(b + 211, 50);
    h.i32(b + 241, 300).i32(b + 245, 5).i16(b + 257, 1).i16(b + 259, 2).i16(b + 261, 1);
    h.u8(b + 266, 1).u8(b + 267, 2).i32(b + 268, 15);
    h.str(b + 272, "c1").str(b + 285, "c2").str(b + 298, "c3").str(b + 311, "c4");
    h.str(b + 324, "t1").str(b + 425, "t2").str(b + 526, "t3").str(b + 627, "t4");
    h.str(b + 728, "w1").str(b + 929, "w2").str(b + 1130, "w3");
    h.i32(b + 1331, 30).str(b + 1344, "color:red").u8(b + 1445, 1);
}

TGiftEvent SampleGift(int16_t kind) {
    TGiftEvent g;
    g.GiverID = 11;
    g.GiverNick = "giver";
    g.ReceiverID = 22;
    g.ReceiverNick = "测试";
    g.GiftID = 5;
    g.Count = 99;
    g.GiftName = "rose";
    g.Time = 46000.5;
    g.Kind = kind;
    g.Message = "hi";
    return g;
}

void HandGift(Hand& h, size_t b, int16_t kind) {
    h.i32(b + 0, 11).str(b + 4, "giver").i32(b + 36, 22).str(b + 40, kTestGbk);
    h.i32(b + 72, 5).i32(b + 76, 99).str(b + 80, "rose").f64(b + 96, 46000.5);
    h.i16(b + 104, kind).str(b + 106, "hi");
}

std::vector<Case> HallCases() {
    std::vector<Case> c;
    {
        HallProbeRequest m;
        m.UserID = 10005;
        c.push_back(Make("10008 probe", m, Hand(75).head(10008).i32(12, 10005)));
    }
    {
        HallProbeAnswer m;
        m.SenderIp = 0x0100007f;
        m.SenderPort = 23456;
        c.push_back(Make("10009 probe answer", m, Hand(28).head(10009).u32(22, 0x0100007f).i16(26, 23456)));
    }
    {
        LoginRequest m;
        m.UserID = 10005;
        m.LoginKey = 4242;
        m.PasswordDigest = "e10adc3949ba59abbe56e057f20f883e";
        m.HallURLID = 3;
        c.push_back(Make("11000 login", m,
                         Hand(75).head(11000).i32(12, 10005).i32(22, 4242)
                             .str(38, "e10adc3949ba59abbe56e057f20f883e").i32(71, 3)));
    }
    {
        LoginAnswer m;
        m.UserID = 10005;
        m.ErrorText = "";
        m.Connection = {777, -5};
        m.MediaTicket = 31337;
        m.HallPageUrl = "http://127.0.0.1:8080/hall";
        m.RoomImagePrefix = "http://127.0.0.1:8080/img/";
        m.NickName = "测试";
        m.Score = 12;
        m.Coins = 3400;
        m.UserType = 4;
        m.ManagerLevel = 1;
        m.RightsWord = 0x21;
        m.WordFilter = "测试|bad";
        c.push_back(Make("11001 login answer", m,
                         Hand(358).head(11001).i32(8, 10005).i32(63, 777).i16(67, -5)
                             .i32(77, 31337).str(81, "http://127.0.0.1:8080/hall")
                             .str(182, "http://127.0.0.1:8080/img/").str(283, kTestGbk)
                             .i32(318, 12).i32(322, 3400).i16(326, 4).i16(328, 1)
                             .i32(341, 0x21).i16(345, 8).raw(351, "\xb2\xe2\xca\xd4|bad")));
    }
    {
        LoginAnswer m;
        m.ErrorText = "bad password";
        c.push_back(Make("11001 refusal", m, Hand(351).head(11001).str(12, "bad password")));
    }
    {
        HallKeepAlive m;
        m.UserID = 10005;
        m.Connection = {777, 9};
        c.push_back(Make("10021 hall keep-alive", m, Hand(32).head(10021).i32(8, 10005).i32(20, 777).i16(24, 9)));
    }
    {
        KeepAliveAnswer m;
        m.Connection = {-778, 10};
        c.push_back(Make("10022 keep-alive answer", m, Hand(32).head(10022).i32(20, -778).i16(24, 10), 26));
    }
    {
        LogoutRequest m;
        m.UserID = 10005;
        m.Connection = {777, 9};
        m.LoginKey = 4242;
        c.push_back(Make("11002 logout", m,
                         Hand(32).head(11002).i32(12, 10005).i32(16, 777).i16(20, 9).i32(22, 4242)));
    }
    {
        LoggedInElsewhere m;
        m.UserID = 10005;
        c.push_back(Make("11003 elsewhere", m, Hand(12).head(11003).i32(8, 10005)));
    }
    {
        SelfInfoChange m;
        m.UserID = 10005;
        m.Connection = {777, 9};
        m.NewNickName = "测试";
        m.CurrentDigest = "0123456789abcdef0123456789abcdef";
        m.NewDigest = "";
        c.push_back(Make("19021 self info", m,
                         Hand(125).head(19021).i32(8, 10005).i32(16, 777).i16(20, 9)
                             .str(28, kTestGbk).str(59, "0123456789abcdef0123456789abcdef").str(92, "")));
    }
    {
        SelfInfoAnswer m;
        m.Status = 1;
        c.push_back(Make("19022 self info answer", m, Hand(20).head(19022).i32(16, 1)));
    }
    {
        RoomQuery m;
        m.UserID = 10005;
        m.Connection = {777, 9};
        m.RoomID = 1001;
        c.push_back(Make("20007 room query", m,
                         Hand(34).head(20007).i32(12, 10005).i32(16, 777).i16(20, 9).i32(30, 1001)));
    }
    {
        RoomQueryAnswer m;
        m.Status = 0;
        m.RoomID = 1001;
        m.ServerGroup = 3;
        c.push_back(Make("20008 room query answer", m, Hand(24).head(20008).i32(16, 1001).i32(20, 3)));
    }
    return c;
}

std::vector<Case> EntryAndRegistrationCases() {
    std::vector<Case> c;
    {
        RegisterRequest m;
        auto& r = m.Record;
        r.NickName = "测试";
        r.PasswordDigest = "0123456789abcdef0123456789abcdef";
        r.HeadIndex = -1;
        r.Sex = 1;
        r.Age = 27;
        r.Country = "cn";
        r.Province = "gd";
        r.Phone = "123";
        r.Mobile = "456";
        r.Email = "a@b.c";
        r.QQ = "789";
        r.Note = "note";
        c.push_back(Make("10001 registration", m,
                         Hand(573).head(10001).str(24, kTestGbk)
                             .str(55, "0123456789abcdef0123456789abcdef").i16(88, -1).i16(90, 1)
                             .i16(92, 27).str(94, "cn").str(145, "gd").str(196, "123")
                             .str(227, "456").str(258, "a@b.c").str(289, "789").str(320, "note")));
    }
    {
        RegisterAnswer m;
        m.UserID = 10042;
        m.Status = 0;
        c.push_back(Make("10002 registration answer", m, Hand(573).head(10002).i32(20, 10042).i16(571, 0)));
    }
    {
        RoomEntryRequest m;
        m.UserID = 10005;
        m.NickName = "测试";
        m.RoomID = 1001;
        m.PasswordDigest = "0123456789abcdef0123456789abcdef";
        m.RoomPassword = "secret";
        m.HasCamera = 1;
        m.LinkOption = 2;
        c.push_back(Make("20010 room entry", m,
                         Hand(119).head(20010).i32(8, 10005).str(12, kTestGbk).i32(43, 1001)
                             .str(63, "0123456789abcdef0123456789abcdef").str(96, "secret")
                             .u8(117, 1).u8(118, 2)));
    }
    {
        RoomEntryAnswer m;
        m.UserID = 10005;
        m.UpgradeRoomID = 1001;
        m.RoomTicket = 0x5eed;
        m.ErrorText = "房间密码错误";
        m.UserType = 3;
        m.ManagerLevel = 1;
        m.MicRight = 0x3f;
        m.RightLevel = 0x1ffff;
        m.Room = SampleRoom();
        m.Extra = 77;
        Hand h(1535);
        h.head(20011).i32(8, 10005).i32(12, 1001).i32(16, 0x5eed)
            .str(20, "\xb7\xbf\xbc\xe4\xc3\xdc\xc2\xeb\xb4\xed\xce\xf3")
            .i16(63, 3).i16(65, 1).i32(67, 0x3f).i32(71, 0x1ffff).i32(1531, 77);
        HandRoom(h, 75);
        c.push_back(Make("20011 room entry answer", m, h));
    }
    return c;
}

std::vector<Case> RoomCases() {
    std::vector<Case> c;
    RoomRequestHeader head{10005, 1001, 0x5eed, 555, -2};
    {
        EnterRoomRequest m;
        m.UserID = 10005;
        m.RoomID = 1001;
        m.RoomTicket = 0x5eed;
        m.MachineId = "0A1B2C3D4E5F";
        c.push_back(Make("20013 enter", m,
                         Hand(72).head(20013).i32(8, 10005).i32(12, 1001).i32(16, 0x5eed)
                             .str(26, "0A1B2C3D4E5F")));
    }
    {
        RoomKeepAlive m;
        m.Head = head;
        c.push_back(Make("10021 room keep-alive", m,
                         Hand(32).head(10021).i32(8, 10005).i32(12, 1001).i32(16, 0x5eed)
                             .i32(20, 555).i16(24, -2)));
    }
    {
        LeaveRoomRequest m;
        m.Head = head;
        c.push_back(Make("20015 leave", m,
                         Hand(26).head(20015).i32(8, 10005).i32(12, 1001).i32(16, 0x5eed)
                             .i32(20, 555).i16(24, -2)));
    }
    {
        EnterRoomAnswer m;
        m.Echo = {555, -2};
        m.LatestGift = SampleGift(1);
        m.LuxuryGifts = {SampleGift(7), SampleGift(2)};
        Hand h(186 + 2 * 152);
        h.head(20111).i32(20, 555).i16(24, -2).i32(26, 2);
        HandGift(h, 34, 1);
        HandGift(h, 186, 7);
        HandGift(h, 338, 2);
        c.push_back(Make("20111 enter answer", m, h));
    }
    {
        UserListMessage m;
        m.Code = UserListMessage::kCodePlain;
        m.Users = {SampleUser(10005), SampleUser(10006)};
        Hand h(24 + 2 * 96);
        h.head(20123).i32(20, 2);
        HandUser(h, 24, 10005);
        HandUser(h, 120, 10006);
        c.push_back(Make("20123 user list", m, h));
    }
    {
        UserListMessage m;
        m.Users = {SampleUser(7)};
        Hand h(24 + 96);
        h.head(20121).i32(20, 1);
        HandUser(h, 24, 7);
        c.push_back(Make("20121 user list with notices", m, h));
    }
    {
        UserMicStates m;
        TMicEntry e;
        e.UserID = 10005;
        e.Slot = 1;
        e.State = 1;
        e.MediaIp = 0x0100007f;
        e.MediaPort = 30000;
        e.MicTimeUsed = 1000;
        e.MicTimeLimit = 600000;
        m.Entries = {e};
        c.push_back(Make("20122 mic states", m,
                         Hand(45).head(20122).i32(20, 1).i32(24, 10005).i16(28, 1).u8(30, 1)
                             .u32(31, 0x0100007f).i16(35, 30000).i32(37, 1000).i32(41, 600000)));
    }
    {
        UserEnteredNotice m;
        m.UserID = 10006;
        m.User = SampleUser(10006);
        Hand h(116);
        h.head(8041).i32(8, 10006);
        HandUser(h, 20, 10006);
        c.push_back(Make("8041 entered", m, h));
    }
    {
        UserEnteredPlain m;
        m.UserID = 10006;
        m.User = SampleUser(10006);
        Hand h(120);
        h.head(20016).i32(116, 10006);
        HandUser(h, 20, 10006);
        c.push_back(Make("20016 entered plain", m, h));
    }
    {
        UserLeftNotice m;
        m.UserID = 10006;
        m.NickName = "测试";
        c.push_back(Make("8016 left", m, Hand(51).head(8016).i32(8, 10006).str(20, kTestGbk)));
    }
    {
        UserLeftPlain m;
        m.UserID = 10006;
        m.NickName = "测试";
        c.push_back(Make("20017 left plain", m, Hand(53).head(20017).i32(16, 10006).str(22, kTestGbk)));
    }
    {
        MicStateList m;
        TMicEntry e;
        e.UserID = 9;
        e.Slot = -1;
        e.State = 6;
        m.Entries = {e, e};
        c.push_back(Make("8000 mic list", m,
                         Hand(62).head(8000).i32(16, 2).i32(20, 9).i16(24, -1).u8(26, 6)
                             .i32(41, 9).i16(45, -1).u8(47, 6)));
    }
    {
        MicQueueList m;
        m.UserIDs = {10005, 10006};
        c.push_back(Make("8011 mic queue", m, Hand(36).head(8011).i32(16, 2).i32(20, 10005).i32(28, 10006)));
    }
    {
        MicQueueList m;
        c.push_back(Make("8011 empty mic queue", m, Hand(20).head(8011)));
    }
    return c;
}

TEST(HallLayouts, MatchTheTables) { CheckCases(HallCases()); }
TEST(EntryAndRegistrationLayouts, MatchTheTables) { CheckCases(EntryAndRegistrationCases()); }
TEST(RoomLayouts, MatchTheTables) { CheckCases(RoomCases()); }

TEST(LayoutReaders, RefuseCountsBeyondTheMessage) {
    struct Bad {
        const char* name;
        Bytes bytes;
        std::function<bool(const Bytes&)> accepts;
    };
    auto users = [](const Bytes& b) { return Decode<UserListMessage>(b).has_value(); };
    auto mics = [](const Bytes& b) { return Decode<MicStateList>(b).has_value(); };
    auto queue = [](const Bytes& b) { return Decode<MicQueueList>(b).has_value(); };
    auto gifts = [](const Bytes& b) { return Decode<EnterRoomAnswer>(b).has_value(); };
    auto login = [](const Bytes& b) { return Decode<LoginAnswer>(b).has_value(); };
    const std::vector<Bad> cases = {
        {"20121 count 2 with one record", Hand(24 + 96).head(20121).i32(20, 2), users},
        {"20121 negative count", Hand(24).head(20121).i32(20, -1), users},
        {"20121 huge count", Hand(24).head(20121).i32(20, 0x7fffffff), users},
        {"8000 count 1 without entry", Hand(20 + 20).head(8000).i32(16, 1), mics},
        {"8011 count 3 with two pairs", Hand(36).head(8011).i32(16, 3), queue},
        {"20111 count 1 without record", Hand(186 + 151).head(20111).i32(26, 1), gifts},
        {"11001 filter length beyond the message", Hand(360).head(11001).i16(345, 10), login},
        {"11001 negative filter length", Hand(360).head(11001).i16(345, -1), login},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.accepts(c.bytes));
    }
}

TEST(LayoutReaders, TextsComeBackAsUtf8AndAreCutToTheirFields) {
    // A 40-character nickname fits string[30] only as its first 30 bytes,
    // and a double-byte character is never cut in half.
    RoomEntryRequest m;
    m.NickName = std::string(29, 'a') + "测";
    auto bytes = Encode(m);
    ASSERT_EQ(bytes.size(), 119u);
    EXPECT_EQ(bytes[12], 29);  // the GBK character would need bytes 30 and 31
    auto back = Decode<RoomEntryRequest>(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->NickName, std::string(29, 'a'));

    auto answer = Decode<LoginAnswer>(Hand(355).head(11001).str(283, kTestGbk).i16(345, 4).raw(351, kTestGbk));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->NickName, "测试");
    EXPECT_EQ(answer->WordFilter, "测试");
}

} // namespace
} // namespace kel
