// What the server confirms survives a restart, and registration refuses
// what it should refuse without writing anything.
#include "ServiceFixture.h"

#include "foundation/Md5.h"
#include "protocol/RegistrationMessages.h"

namespace kel::server::test {
namespace {

class StorageTest : public ServiceFixture {
protected:
    RegisterAnswer Register(uint16_t port, const RegistrationRecord& r) {
        RegisterRequest req;
        req.Record = r;
        ToHall(port, req);
        auto a = Only<RegisterAnswer>(out.Take(), port);
        EXPECT_TRUE(a.has_value());
        return a.value_or(RegisterAnswer{});
    }
    static RegistrationRecord Valid() {
        RegistrationRecord r;
        r.NickName = "新朋友";
        r.PasswordDigest = Md5Hex("secret");
        r.Age = 20;
        r.Note = "hello";
        return r;
    }
};

TEST_F(StorageTest, RegistrationsAndBalancesSurviveARestart) {
    RegisterAnswer first = Register(5001, Valid());
    RegisterAnswer second = Register(5002, Valid());
    ASSERT_EQ(first.Status, 0);
    EXPECT_GT(first.UserID, 10007) << "numbers follow the demo accounts";
    EXPECT_EQ(second.UserID, first.UserID + 1);
    ASSERT_EQ(db->AddCoins(first.UserID, 250), 250);
    ASSERT_EQ(db->AddCoins(10002, -5000), 0);
    EXPECT_FALSE(db->AddCoins(10001, -101).has_value()) << "never below zero";

    CloseServices();
    OpenServices();
    EXPECT_FALSE(db->Created());

    auto user = db->FindUser(first.UserID);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->NickName, "新朋友");
    EXPECT_EQ(user->Coins, 250);
    EXPECT_EQ(user->Note, "hello");
    EXPECT_EQ(db->FindUser(10002)->Coins, 0);
    EXPECT_EQ(db->FindUser(10001)->Coins, 100);
    LoginAnswer a = Login(5003, first.UserID, Md5Hex("secret"));
    EXPECT_EQ(a.ErrorText, "");
    EXPECT_EQ(a.Coins, 250);
    EXPECT_EQ(Register(5004, Valid()).UserID, second.UserID + 1) << "no number is handed out twice";
}

TEST_F(StorageTest, RegistrationRefusesBadRecordsAndFloods) {
    struct Case {
        const char* name;
        void (*spoil)(RegistrationRecord&);
    };
    const Case cases[] = {
        {"nickname of tags only", [](RegistrationRecord& r) { r.NickName = "<>"; }},
        {"blank nickname", [](RegistrationRecord& r) { r.NickName = "   "; }},
        {"digest not hexadecimal", [](RegistrationRecord& r) { r.PasswordDigest = std::string(32, 'z'); }},
        {"digest too short", [](RegistrationRecord& r) { r.PasswordDigest = "abc"; }},
        {"age out of range", [](RegistrationRecord& r) { r.Age = 999; }},
        {"negative age", [](RegistrationRecord& r) { r.Age = -1; }},
        {"unknown sex", [](RegistrationRecord& r) { r.Sex = 2; }},
        {"head picture below -1", [](RegistrationRecord& r) { r.HeadIndex = -2; }},
    };
    const int32_t before = db->UserCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegistrationRecord r = Valid();
        c.spoil(r);
        RegisterAnswer a = Register(5001, r);
        EXPECT_EQ(a.Status, 1);
        EXPECT_EQ(a.UserID, 0);
    }
    EXPECT_EQ(db->UserCount(), before);

    RegistrationRecord tagged = Valid();
    tagged.NickName = "<b>小</b>\r\nsecond line";
    RegisterAnswer ok = Register(5001, tagged);
    ASSERT_EQ(ok.Status, 0);
    EXPECT_EQ(db->FindUser(ok.UserID)->NickName, "b小/b");

    // One address may register RegistrationsPerHour times an hour.
    for (int i = 1; i < cfg.RegistrationsPerHour; ++i) EXPECT_EQ(Register(5001, Valid()).Status, 0);
    EXPECT_EQ(Register(5001, Valid()).Status, 1);
    loop.AdvanceBy(3600000);
    EXPECT_EQ(Register(5001, Valid()).Status, 0);
}

} // namespace
} // namespace kel::server::test
