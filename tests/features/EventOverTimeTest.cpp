#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "features/EventOverTime.h"
#include "platform/ManualLoop.h"
#include "protocol/Commands.h"

using namespace kel;

namespace {

struct Tracker {
    TEventOverTime t;
    std::vector<std::string> reports;
    Tracker() {
        t.OnTimeout = [this](const std::string& msg) { reports.push_back(msg); };
    }
};

} // namespace

TEST(EventOverTime, KeptAt9999MsReportedOnceAt10000) {
    // Once away from the wrap, once straddling it.
    for (Tick start : {Tick{1000}, Tick{0xFFFFFFFFu - 5000u}}) {
        ManualLoop loop(start);
        Tracker tr;
        tr.t.AddWait(cmd::kAskMic, 7);
        loop.AdvanceBy(9999);
        tr.t.CheckTimeouts();
        EXPECT_EQ(tr.t.FindWait(cmd::kAskMic, 7), 0) << start;
        EXPECT_TRUE(tr.reports.empty()) << start;

        loop.AdvanceBy(1);
        tr.t.CheckTimeouts();
        tr.t.CheckTimeouts();
        EXPECT_EQ(tr.t.FindWait(cmd::kAskMic, 7), -1) << start;
        EXPECT_EQ(tr.reports, std::vector<std::string>{"网络超时!请求上麦无应答!请稍候再试!"}) << start;
    }
}

TEST(EventOverTime, ARepeatedRequestKeepsItsFirstTimeStamp) {
    ManualLoop loop(50000);
    Tracker tr;
    EXPECT_EQ(tr.t.AddWait(cmd::kKickUser, 1), 0);
    EXPECT_EQ(tr.t.AddWait(cmd::kKickUser, 2), 1);
    loop.AdvanceBy(6000);
    EXPECT_EQ(tr.t.AddWait(cmd::kKickUser, 1), 0);
    EXPECT_EQ(tr.t.Count(), 2u);
    loop.AdvanceBy(4000); // 10000 ms after the first request
    tr.t.CheckTimeouts();
    EXPECT_EQ(tr.reports.size(), 2u);
    EXPECT_EQ(tr.t.Count(), 0u);
}

TEST(EventOverTime, AnsweredRequestsAreNotReportedAndLateAnswersAreIgnored) {
    ManualLoop loop;
    Tracker tr;
    tr.t.AddWait(cmd::kUserProfileQuery, 10);
    tr.t.AddWait(cmd::kSendGift, 20);
    tr.t.AddWait(cmd::kSendGift, 30);
    tr.t.EndWait(cmd::kSendGift, 20);
    EXPECT_EQ(tr.t.FindWait(cmd::kSendGift, 20), -1);
    EXPECT_EQ(tr.t.FindWait(cmd::kSendGift, 30), 1);
    tr.t.EndWait(cmd::kSendGift, 99); // no such request
    loop.AdvanceBy(10000);
    tr.t.CheckTimeouts();
    EXPECT_EQ(tr.reports.size(), 2u);
    tr.t.EndWait(cmd::kUserProfileQuery, 10); // the answer arrives too late
    EXPECT_EQ(tr.t.Count(), 0u);
}

TEST(EventOverTime, ReportNamesTheFailedAction) {
    struct Case {
        int32_t code;
        const char* text;
    };
    const Case cases[] = {
        {cmd::kUserProfileQuery, "网络超时!查看用户(123456)信息失败!请稍候再试!"},
        {cmd::kKickUser, "网络超时!踢用户(123456)出房间时失败!请稍候再试!"},
        {cmd::kUserAddressQuery, "网络超时!查看用户(123456)IP失败！请稍候再试!"},
        {cmd::kSendGift, "网络超时!给用户(123456)送礼失败!请稍候再试!"},
        {cmd::kExchangeGift, "网络超时!兑换礼品不成功!请稍候再试!"},
        {cmd::kWatchPriMic, "网络超时!打开用户(123456)私麦失败!请稍候再试!"},
        {cmd::kAskMic, "网络超时!请求上麦无应答!请稍候再试!"},
        // Registered requests without a detail of their own.
        {cmd::kForbidChat, "网络超时!请稍候再试!"},
        {cmd::kFunPhrase, "网络超时!请稍候再试!"},
    };
    ManualLoop loop;
    for (const Case& c : cases) {
        Tracker tr;
        tr.t.AddWait(c.code, 123456);
        loop.AdvanceBy(10000);
        tr.t.CheckTimeouts();
        EXPECT_EQ(tr.reports, std::vector<std::string>{c.text}) << c.code;
    }
    EXPECT_EQ(TEventOverTime::TimeoutText(cmd::kKickUser, -5), "网络超时!踢用户(-5)出房间时失败!请稍候再试!");
}

TEST(EventOverTime, TimesOutSilentlyWithoutHandlerAndSurvivesAHandlerThatClears) {
    ManualLoop loop;
    TEventOverTime silent;
    silent.AddWait(cmd::kAskMic, 1);
    loop.AdvanceBy(10000);
    silent.CheckTimeouts();
    EXPECT_EQ(silent.Count(), 0u);

    // A report whose handler clears the tracker ends the walk cleanly.
    TEventOverTime t;
    int reports = 0;
    t.OnTimeout = [&](const std::string&) {
        ++reports;
        t.ClearWaits();
    };
    for (int32_t key = 0; key < 5; ++key)
        t.AddWait(cmd::kSendGift, key);
    loop.AdvanceBy(10000);
    t.CheckTimeouts();
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(t.Count(), 0u);
}
