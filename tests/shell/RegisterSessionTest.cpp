#include "shell/RegisterSession.h"

#include <gtest/gtest.h>

#include "platform/ManualLoop.h"
#include "protocol/LayoutSupport.h"
#include "shell/LoginRules.h"
#include "support/HandBytes.h"

using namespace kel;
using kel::test::Hand;

namespace {

struct View : IRegisterView {
    std::vector<std::string> events;
    bool enabled = true;
    void ShowMessage(const std::string& t) override { events.push_back("msg:" + t); }
    void SetRegisterEnabled(bool e) override { enabled = e; }
    void CloseOk() override { events.push_back("ok"); }
};

struct Reg {
    ManualLoop loop;
    View view;
    std::vector<std::pair<uint32_t, Tick>> sent; // server, when
    TRegisterSession session;
    explicit Reg(std::vector<uint32_t> servers)
        : session(loop, view, std::move(servers), 23456,
                  [this](uint32_t ip, uint16_t port, const std::vector<uint8_t>& p) {
                      EXPECT_EQ(port, 23456);
                      EXPECT_EQ(p.size(), 573u);
                      sent.push_back({ip, loop.Now()});
                  }) {}
    static TRegisterForm Form() {
        TRegisterForm f;
        f.nickname = "Dee";
        f.age = "27";
        f.password = f.password2 = " pw ";
        return f;
    }
    void Answer(int32_t id, int16_t status) {
        session.Deliver(Hand(573).head(10002).i32(20, id).i16(571, status));
        loop.AdvanceBy(100);
    }
};

} // namespace

TEST(RegisterSession, IncompleteOrUnequalProfilesSendNothing) {
    Reg r({1});
    auto f = Reg::Form();
    f.age.clear();
    r.session.Register(f);
    f = Reg::Form();
    f.password2 = "other";
    r.session.Register(f);
    f = Reg::Form();
    f.password = f.password2 = "   ";
    r.session.Register(f);
    r.loop.AdvanceBy(10000);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.view.events, (std::vector<std::string>{"msg:资料没有填写完整！", "msg:两次输入密码不相同！",
                                                       "msg:资料没有填写完整！"}));
}

TEST(RegisterSession, ServersAreTriedEveryTwoSecondsThenFailure) {
    Reg r({1, 2, 3});
    const Tick t0 = r.loop.Now();
    r.session.Register(Reg::Form());
    EXPECT_FALSE(r.view.enabled);
    r.loop.AdvanceBy(7999);
    ASSERT_EQ(r.sent.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.sent[i].first, i + 1);
        EXPECT_EQ(r.sent[i].second - t0, 2000u * (i + 1));
    }
    EXPECT_TRUE(r.view.events.empty());
    r.loop.AdvanceBy(1);
    EXPECT_EQ(r.view.events, std::vector<std::string>{"msg:注册失败！"});
    EXPECT_TRUE(r.view.enabled);
    r.loop.AdvanceBy(10000);
    EXPECT_EQ(r.sent.size(), 3u);
}

TEST(RegisterSession, EmptyListFailsOnTheFirstTick) {
    Reg r({});
    r.session.Register(Reg::Form());
    r.loop.AdvanceBy(2000);
    EXPECT_EQ(r.view.events, std::vector<std::string>{"msg:注册失败！"});
}

TEST(RegisterSession, LateAnswerStillSucceeds) {
    Reg r({1, 2, 3});
    r.session.Register(Reg::Form());
    r.loop.AdvanceBy(6000); // third request out
    r.Answer(10086, 0);
    EXPECT_EQ(r.view.events, (std::vector<std::string>{"msg:您的ID是：10086", "ok"}));
    EXPECT_EQ(r.session.AssignedID(), 10086);
    EXPECT_EQ(r.session.Password(), "pw");
    EXPECT_FALSE(r.session.Trying());
    r.loop.AdvanceBy(10000);
    EXPECT_EQ(r.sent.size(), 3u);
}

TEST(RegisterSession, RefusalAllowsAFreshStartWithTheFirstServer) {
    Reg r({1, 2});
    r.session.Register(Reg::Form());
    r.loop.AdvanceBy(2000);
    r.Answer(0, 1);
    EXPECT_EQ(r.view.events, std::vector<std::string>{"msg:注册失败！"});
    EXPECT_TRUE(r.view.enabled);
    r.loop.AdvanceBy(10000);
    EXPECT_EQ(r.sent.size(), 1u);
    r.session.Register(Reg::Form());
    r.loop.AdvanceBy(2000);
    ASSERT_EQ(r.sent.size(), 2u);
    EXPECT_EQ(r.sent[1].first, 1u);
}

TEST(RegisterSession, RecordTakesTheTrimmedPasswordDigestAndCutsTheNote) {
    Reg r({1});
    auto f = Reg::Form();
    f.note = std::string(300, 'n');
    f.sex = 1;
    r.session.Register(f);
    EXPECT_EQ(r.session.Record().PasswordDigest, PasswordDigest("pw"));
    EXPECT_EQ(r.session.Record().HeadIndex, -1);
    EXPECT_EQ(r.session.Record().Age, 27);
    RegisterRequest req;
    req.Record = r.session.Record();
    const auto bytes = Encode(req);
    ASSERT_EQ(bytes.size(), 573u);
    EXPECT_EQ(bytes[20 + 300], 250); // note length byte, cut to its field
    EXPECT_EQ(bytes[20 + 70], 1);    // sex
}
