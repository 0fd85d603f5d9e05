// The user messages of the room conversation against bytes written out by
// hand from their layouts.
#include <gtest/gtest.h>

#include "foundation/Gbk.h"
#include "protocol/LayoutSupport.h"
#include "protocol/RoomUserMessages.h"
#include "support/HandBytes.h"

namespace kel {
namespace {

using test::Hand;

RoomRequestHeader Head() {
    RoomRequestHeader h;
    h.UserID = 100001;
    h.RoomID = 1001;
    h.RoomTicket = 77;
    h.EchoValue = -2;
    h.EchoWord = 9;
    return h;
}

Hand HandHead(size_t len, int32_t code) {
    Hand h(len);
    h.head(code).i32(8, 100001).i32(12, 1001).i32(16, 77).i32(20, -2).i16(24, 9);
    return h;
}

template <class T>
void ExpectRoundTrip(const T& msg, const std::vector<uint8_t>& hand) {
    EXPECT_EQ(Encode(msg), hand);
    auto back = Decode<T>(hand);
    ASSERT_TRUE(back);
    EXPECT_EQ(Encode(*back), hand);
}

TEST(RoomUserLayout, Requests) {
    ProfileQuery p;
    p.Head = Head();
    p.AskedID = 555;
    ExpectRoundTrip(p, HandHead(30, 19001).i32(26, 555));

    AddressQuery a;
    a.UserID = 100001;
    a.RoomID = 1001;
    a.RoomTicket = 77;
    a.AskedID = 555;
    ExpectRoundTrip(a, Hand(32).head(19009).i32(8, 100001).i32(12, 1001).i32(16, 77).i32(20, 555));

    ManagerListQuery m;
    m.Head = Head();
    ExpectRoundTrip(m, HandHead(26, 80010));
}

TEST(RoomUserLayout, Answers) {
    AddressAnswer a;
    a.UserID = 555;
    a.Ip = 0x0A01A8C0;
    a.Status = -1;
    ExpectRoundTrip(a, Hand(32).head(19010).i32(20, 555).u32(24, 0x0A01A8C0).i32(28, -1));

    ManagerList m;
    m.Managers = {{7, "ab"}, {8, "管"}};
    ExpectRoundTrip(m, Hand(94).head(80011).i32(20, 2).i32(24, 7).str(28, "ab").i32(59, 8).str(63, Utf8ToGbk("管")));

    BalanceChanged b;
    b.Coins = 4321;
    ExpectRoundTrip(b, Hand(24).head(10140).i32(20, 4321));

    RoomRestartNotice r;
    r.Reason = "升级";
    ExpectRoundTrip(r, Hand(272).head(8005).str(16, Utf8ToGbk("升级")));
    // The notice may come as short as its text.
    auto shortest = Decode<RoomRestartNotice>(Hand(21).head(8005).str(16, Utf8ToGbk("升级")).bytes());
    ASSERT_TRUE(shortest);
    EXPECT_EQ(shortest->Reason, "升级");
    EXPECT_FALSE(Decode<RoomRestartNotice>(Hand(20).head(8005).u8(16, 4).bytes()));
}

TEST(RoomUserLayout, ProfileAnswer) {
    ProfileAnswer a;
    auto& p = a.Profile;
    p.UserID = 555;
    p.NickName = "nick";
    p.Sex = 1;
    p.Age = 30;
    p.LevelText = "VIP";
    p.Country = "中国";
    p.Province = "浙江";
    p.Phone = "123";
    p.Mobile = "456";
    p.Email = "a@b";
    p.QQ = "789";
    p.Note = "note";
    p.ContactHidden = 1;
    const size_t b = 20;
    Hand h(555);
    h.head(19002).i32(b + 0, 555).str(b + 4, "nick").i16(b + 37, 1).i16(b + 39, 30).str(b + 45, "VIP");
    h.str(b + 56, Utf8ToGbk("中国")).str(b + 107, Utf8ToGbk("浙江")).str(b + 158, "123").str(b + 189, "456");
    h.str(b + 220, "a@b").str(b + 251, "789").str(b + 282, "note").i16(b + 533, 1);
    ExpectRoundTrip(a, h);
    std::vector<uint8_t> cut = h.bytes();
    cut.pop_back();
    EXPECT_FALSE(Decode<ProfileAnswer>(cut));
}

} // namespace
} // namespace kel
