// The operator's restart command and the balance hook of the web server.
#include <httplib.h>

#include "HttpService.h"
#include "ServiceFixture.h"

namespace kel::server::test {
namespace {

class AdminNoticeTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        http = std::make_unique<HttpService>(*db, community, cfg, log);
        ASSERT_TRUE(http->Start("127.0.0.1", 0));
        client = std::make_unique<httplib::Client>("127.0.0.1", http->Port());
        http->OnRestartNotice = [this](int32_t room, const std::string& reason) { restarts.push_back({room, reason}); };
        http->OnBalanceChanged = [this](int32_t user, int32_t coins) { balances.push_back({user, coins}); };
    }
    void TearDown() override { http->Stop(); }

    std::unique_ptr<HttpService> http;
    std::unique_ptr<httplib::Client> client;
    std::vector<std::pair<int32_t, std::string>> restarts;
    std::vector<std::pair<int32_t, int32_t>> balances;
};

TEST_F(AdminNoticeTest, OnlyStaffAnnouncesARestart) {
    struct Case {
        const char* user;
        const char* password;
        const char* room;
        const char* answer;
    } cases[] = {
        {"10001", "pass10001", "1001", "号码或密码错误"}, // not staff
        {"10000", "wrong", "1001", "号码或密码错误"},
        {"10000", "admin10000", "4242", "房间不存在"},
        {"10000", "admin10000", "1001", "已通知房间重启"},
    };
    for (const auto& c : cases) {
        httplib::Params p{{"UserID", c.user}, {"password", c.password}, {"RoomID", c.room}, {"reason", "升级"}};
        auto res = client->Post("/admin/restart", p);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, std::string(c.answer) + "\n");
    }
    EXPECT_EQ(restarts, (std::vector<std::pair<int32_t, std::string>>{{1001, "升级"}}));
}

TEST_F(AdminNoticeTest, PaymentReportsTheNewBalance) {
    EXPECT_EQ(http->Pay("10001", "pass10001", "50"), "充值成功，当前余额：150");
    EXPECT_EQ(http->Pay("10001", "bad", "50"), "号码或密码错误");
    EXPECT_EQ(balances, (std::vector<std::pair<int32_t, int32_t>>{{10001, 150}}));
}

} // namespace
} // namespace kel::server::test
