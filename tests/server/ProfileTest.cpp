// The self-information change: it needs the session and the current
// password, refuses a bad nickname or digest, and what it stores is what
// the next login sees; logout ends the session; guessing passwords blocks
// the number for a while.
#include "ServiceFixture.h"

#include "foundation/Md5.h"
#include "protocol/RoomEntryMessages.h"

namespace kel::server::test {
namespace {

class ProfileTest : public ServiceFixture {
protected:
    int32_t Change(uint16_t port, ConnectionPair conn, const std::string& nick, const std::string& current,
                   const std::string& fresh, int32_t user = 10001) {
        SelfInfoChange c;
        c.UserID = user;
        c.Connection = conn;
        c.NewNickName = nick;
        c.CurrentDigest = current;
        c.NewDigest = fresh;
        ToHall(port, c);
        auto a = Only<SelfInfoAnswer>(out.Take(), port);
        return a ? a->Status : -1;  // -1: no answer at all
    }
};

TEST_F(ProfileTest, ChangeNeedsTheCurrentPasswordAndIsStored) {
    LoginAnswer login = Login(5001, 10001, Md5Hex("pass10001"));
    ASSERT_EQ(login.ErrorText, "");
    const ConnectionPair conn = login.Connection;
    const std::string current = Md5Hex("pass10001");
    struct Case {
        const char* name;
        std::string nick, current, fresh;
        int32_t status;
    };
    const Case refused[] = {
        {"wrong current password", "新名字", Md5Hex("nope"), "", 1},
        {"empty current password", "新名字", "", "", 1},
        {"nickname of tags only", "<><>", current, "", 1},
        {"new digest not a digest", "新名字", current, "123456", 1},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Change(5001, conn, c.nick, c.current, c.fresh), c.status);
    }
    EXPECT_EQ(Change(5001, {conn.A + 1, conn.B}, "新名字", current, ""), -1) << "no session: dropped";
    EXPECT_EQ(Change(5001, conn, "新名字", current, "", 10002), -1) << "another user's number: dropped";
    EXPECT_EQ(db->FindUser(10001)->NickName, "小明");

    EXPECT_EQ(Change(5001, conn, "新名字", current, ""), 0) << "nickname only";
    EXPECT_EQ(db->FindUser(10001)->Digest, current);
    EXPECT_EQ(Change(5001, conn, "新名字", current, Md5Hex("changed")), 0);

    EXPECT_EQ(Login(5002, 10001, current).ErrorText, "密码错误");
    LoginAnswer again = Login(5002, 10001, Md5Hex("changed"));
    EXPECT_EQ(again.ErrorText, "");
    EXPECT_EQ(again.NickName, "新名字");
}

TEST_F(ProfileTest, LogoutEndsTheSession) {
    LoginAnswer login = Login(5001, 10002, Md5Hex("pass10002"));
    LogoutRequest bye;
    bye.UserID = 10002;
    bye.Connection = {login.Connection.A + 1, login.Connection.B};
    ToHall(5001, bye);
    EXPECT_EQ(hall->SessionCount(), 1u) << "a logout naming another pair is dropped";
    bye.Connection = login.Connection;
    ToHall(5001, bye);
    EXPECT_EQ(hall->SessionCount(), 0u);
    EXPECT_TRUE(out.Take().empty());
}

} // namespace
} // namespace kel::server::test

namespace kel::server::test {
namespace {

class GuessingTest : public ServiceFixture {};

TEST_F(GuessingTest, WrongPasswordsBlockTheNumberForAWhile) {
    // Wrong guesses through login, room entry and the profile change count
    // together.
    LoginAnswer session = Login(5009, 10001, Md5Hex("pass10001"));
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Login(5001, 10001, Md5Hex("guess")).ErrorText, "密码错误");
    RoomEntryRequest e;
    e.UserID = 10001;
    e.RoomID = 1001;
    e.PasswordDigest = Md5Hex("guess");
    ToRoom(1, 5001, e);
    SelfInfoChange c;
    c.UserID = 10001;
    c.Connection = session.Connection;
    c.NewNickName = "x";
    c.CurrentDigest = Md5Hex("guess");
    ToHall(5009, c);
    out.Take();
    EXPECT_EQ(Login(5001, 10001, Md5Hex("guess")).ErrorText, "密码错误");  // the fifth

    EXPECT_EQ(Login(5001, 10001, Md5Hex("pass10001")).ErrorText, "密码错误次数太多，请稍后再试");
    e.PasswordDigest = Md5Hex("pass10001");
    ToRoom(1, 5001, e);
    auto entry = Only<RoomEntryAnswer>(out.Take(), 5001);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->ErrorText, "用户验证失败，请重新登录");
    EXPECT_EQ(Login(5003, 10002, Md5Hex("pass10002")).ErrorText, "") << "other numbers are not affected";

    loop.AdvanceBy(Community::kFailureWindowMs);
    EXPECT_EQ(Login(5001, 10001, Md5Hex("pass10001")).ErrorText, "");
    EXPECT_EQ(Login(5001, 10001, Md5Hex("guess")).ErrorText, "密码错误") << "a good login clears the count";
    EXPECT_EQ(Login(5001, 10001, Md5Hex("pass10001")).ErrorText, "");
}

} // namespace
} // namespace kel::server::test
