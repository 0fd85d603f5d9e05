// The web pages over a real socket: the hall page lists every room with its
// "kelroomid:" link and head-count and escapes what users wrote, the
// location look-up answers from the stored ranges, and the payment page
// credits coins only with the right password.
#include <httplib.h>

#include "HttpService.h"
#include "ServiceFixture.h"
#include "foundation/Md5.h"

namespace kel::server::test {
namespace {

class HttpTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        http = std::make_unique<HttpService>(*db, community, cfg, log);
        ASSERT_TRUE(http->Start("127.0.0.1", 0));
        client = std::make_unique<httplib::Client>("127.0.0.1", http->Port());
    }
    void TearDown() override { http->Stop(); }

    std::unique_ptr<HttpService> http;
    std::unique_ptr<httplib::Client> client;
};

TEST_F(HttpTest, HallPageListsRoomsWithLinksAndCounts) {
    community.SetRoomCount(2002, 7);
    RoomRow tea = *db->FindRoom(2002);
    tea.Info.RoomName = "<script>x</script>";
    db->SaveRoom(tea);

    auto res = client->Get("/hall.htm?UserID=10001&password=" + Md5Hex("pass10001") + "&IsHide=0");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    const std::string& page = res->body;
    for (int id : {1001, 1002, 2001, 3001, 3002})
        EXPECT_NE(page.find("href=\"kelroomid:" + std::to_string(id) + ",0\""), std::string::npos) << id;
    EXPECT_EQ(page.find("kelroomid:3003"), std::string::npos) << "a closed room has no link";
    EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;</a></td><td>7</td>"), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("小明"), std::string::npos) << "the logged-in user is greeted";

    auto wrong = client->Get("/hall.htm?UserID=10001&password=" + Md5Hex("nope"));
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->body.find("小明"), std::string::npos);
}

TEST_F(HttpTest, LocationLookUpAndRoomPage) {
    struct Case {
        const char* ip;
        int status;
        const char* body;
    };
    const Case cases[] = {
        {"127.0.0.1", 200, "本机地址"},   {"192.168.1.20", 200, "局域网"}, {"10.9.8.7", 200, "局域网"},
        {"8.8.8.8", 200, "未知地区"},     {"300.1.1.1", 400, ""},          {"", 400, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ip);
        auto res = client->Get(std::string("/getip?ip=") + c.ip);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status);
        EXPECT_EQ(res->body, c.body);
    }
    auto room = client->Get("/kelvo_web_/index.htm?RoomID=2001&vpport=20022");
    ASSERT_TRUE(room);
    EXPECT_NE(room->body.find("音乐之声"), std::string::npos);
    EXPECT_NE(room->body.find("kelroomid:2001,0"), std::string::npos);
    auto missing = client->Get("/kelvo_web_/index.htm?RoomID=999");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->body.find("房间不存在"), std::string::npos);
}

TEST_F(HttpTest, PaymentNeedsThePasswordAndIsStored) {
    httplib::Params wrong{{"UserID", "10001"}, {"password", "guess"}, {"amount", "50"}};
    auto res = client->Post("/pay", wrong);
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("号码或密码错误"), std::string::npos);
    EXPECT_EQ(db->FindUser(10001)->Coins, 100);

    for (const char* bad : {"0", "-5", "100001", "abc"}) {
        httplib::Params p{{"UserID", "10001"}, {"password", "pass10001"}, {"amount", bad}};
        auto r = client->Post("/pay", p);
        ASSERT_TRUE(r);
        EXPECT_NE(r->body.find("金额无效"), std::string::npos) << bad;
    }
    httplib::Params right{{"UserID", "10001"}, {"password", "pass10001"}, {"amount", "50"}};
    auto ok = client->Post("/pay", right);
    ASSERT_TRUE(ok);
    EXPECT_NE(ok->body.find("当前余额：150"), std::string::npos);
    EXPECT_EQ(db->FindUser(10001)->Coins, 150);
}

} // namespace
} // namespace kel::server::test
