// The self-information change: it needs the session and the current
// password, refuses a bad nickname or digest, and what it stores is what
// the next login sees; logout ends the session.
#include "ServiceFixture.h"

#include "foundation/Md5.h"

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
