// The mic requests, answers and broadcasts against bytes written out by hand
// from their layout tables, and the counts that must fit the message.
#include <gtest/gtest.h>

#include <functional>

#include "../support/LayoutCases.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"

namespace kel {
namespace {

using test::Bytes;
using test::Hand;
using test::Make;
using Case = test::LayoutCase;

const char kNiHaoGbk[] = "\xc4\xe3\xba\xc3";  // "你好"

RoomRequestHeader SampleHead() { return {10005, 1001, 55, 777, 9}; }

Hand HandHead(size_t len, int32_t code) {
    Hand h(len);
    h.head(code).i32(8, 10005).i32(12, 1001).i32(16, 55).i32(20, 777).i16(24, 9);
    return h;
}

std::vector<Case> RequestCases() {
    std::vector<Case> c;
    {
        MicRequest m;
        m.Head = SampleHead();
        m.State = 5;
        m.GiftID = 12;
        m.GiftCount = -3;
        c.push_back(Make("30001 ask for a mic", m, HandHead(31, 30001).u8(26, 5).i16(27, 12).i16(29, -3)));
    }
    {
        LeaveMicRequest m;
        m.Head = SampleHead();
        c.push_back(Make("30021 leave the mic", m, HandHead(26, 30021)));
    }
    {
        HoldOnMicRequest m;
        m.Head = SampleHead();
        m.NickName = "你好";
        m.TargetID = 10006;
        c.push_back(Make("30031 hold onto the mic", m, HandHead(68, 30031).str(33, kNiHaoGbk).i32(64, 10006)));
    }
    {
        HoldOffMicRequest m;
        m.Head = SampleHead();
        m.NickName = "你好";
        m.TargetID = 10006;
        c.push_back(Make("30011 take off the mic", m, HandHead(61, 30011).str(26, kNiHaoGbk).i32(57, 10006)));
    }
    {
        AddMicTimeRequest m;
        m.Head = SampleHead();
        m.NickName = "你好";
        m.TargetID = 10006;
        c.push_back(Make("30033 add mic time", m, HandHead(62, 30033).str(26, kNiHaoGbk).i32(57, 10006)));
    }
    {
        MicOrderRequest m;
        m.Head = SampleHead();
        m.NickName = "你好";
        m.UserIDs = {10006, 10001, 10003};
        c.push_back(Make("30035 queue order", m,
                         HandHead(72, 30035).str(26, kNiHaoGbk).i16(58, 3).i32(60, 10006).i32(64, 10001)
                             .i32(68, 10003)));
    }
    return c;
}

std::vector<Case> NoticeCases() {
    std::vector<Case> c;
    {
        MicRefused m;
        m.Key = 10005;
        m.Reason = 6;
        c.push_back(Make("30002 refused", m, Hand(20).head(30002).i32(8, 10005).i32(16, 6)));
    }
    {
        MicGranted m;
        m.Key = 10005;
        m.State = 1;
        m.MediaIp = 0x0100007f;
        m.MediaPort = 20044;
        c.push_back(Make("11107 granted", m,
                         Hand(43).head(11107).i32(32, 10005).u8(36, 1).u32(37, 0x0100007f).i16(41, 20044)));
    }
    {
        HoldOffMicAnswer m;
        m.Result = 1;
        c.push_back(Make("30012 take-off answer", m, Hand(20).head(30012).i32(16, 1)));
    }
    {
        HoldOnMicAnswer m;
        m.Result = -2;
        c.push_back(Make("30032 hold-on answer", m, Hand(20).head(30032).i32(16, -2)));
    }
    {
        AddMicTimeAnswer m;
        m.Result = 3;
        c.push_back(Make("30034 mic time refused", m, Hand(62).head(30034).u8(61, 3)));
    }
    {
        MicOrderAnswer m;
        m.Result = 1;
        c.push_back(Make("30036 queue order answer", m, Hand(58).head(30036).u8(57, 1)));
    }
    {
        MicChanged m;
        m.UserID = 10006;
        m.NickName = "你好";
        m.OperatorID = 10005;
        m.OperatorNick = "op";
        m.OldState = 6;
        m.NewState = 1;
        m.Slot = 2;
        m.MediaIp = 0x0100007f;
        m.MediaPort = 20044;
        m.MicTimeUsed = 1500;
        m.MicTimeLimit = 300000;
        m.MicOrder = -1;
        c.push_back(Make("8033 mic changed", m,
                         Hand(106).head(8033).i32(8, 10006).str(16, kNiHaoGbk).i32(47, 10005).str(51, "op")
                             .u8(86, 6).u8(87, 1).i16(88, 2).u32(90, 0x0100007f).i16(94, 20044)
                             .i32(96, 1500).i32(100, 300000).i16(104, -1)));
    }
    {
        MicDown m;
        m.OperatorID = -3;
        m.OperatorNick = "sys";
        m.UserID = 10006;
        m.NickName = "你好";
        m.Slot = 1;
        m.Reason = 1;
        c.push_back(Make("9014 mic down", m,
                         Hand(86).head(9014).i32(8, -3).str(16, "sys").i32(47, 10006).str(51, kNiHaoGbk)
                             .i16(82, 1).i16(84, 1)));
    }
    {
        MicTimeAdded m;
        m.UserID = 10006;
        m.NickName = "你好";
        m.OperatorID = 10005;
        m.OperatorNick = "op";
        c.push_back(Make("8034 mic time added", m,
                         Hand(82).head(8034).i32(8, 10006).str(16, kNiHaoGbk).i32(47, 10005).str(51, "op")));
    }
    {
        MicQueueReordered m;
        m.OperatorID = 10005;
        m.OperatorNick = "你好";
        m.UserIDs = {10006, 10001};
        c.push_back(Make("8035 queue reordered", m,
                         Hand(67).head(8035).i32(8, 10005).i32(16, 2).str(20, kNiHaoGbk).i32(51, 10006)
                             .i32(59, 10001)));
    }
    {
        MicQueueReordered m;
        c.push_back(Make("8035 empty queue", m, Hand(51).head(8035)));
    }
    return c;
}

TEST(MicLayouts, RequestsMatchTheTables) { test::CheckCases(RequestCases()); }
TEST(MicLayouts, AnswersAndBroadcastsMatchTheTables) { test::CheckCases(NoticeCases()); }

TEST(MicLayouts, CountsMustFitTheMessage) {
    struct Bad {
        const char* name;
        Bytes bytes;
        std::function<bool(const Bytes&)> accepts;
    };
    auto order = [](const Bytes& b) { return Decode<MicOrderRequest>(b).has_value(); };
    auto reordered = [](const Bytes& b) { return Decode<MicQueueReordered>(b).has_value(); };
    const std::vector<Bad> cases = {
        {"30035 count 2 with one number", HandHead(64, 30035).i16(58, 2), order},
        {"30035 negative count", HandHead(60, 30035).i16(58, -1), order},
        {"8035 count 2 with one pair", Hand(59).head(8035).i32(16, 2), reordered},
        {"8035 negative count", Hand(51).head(8035).i32(16, -5), reordered},
        {"8035 huge count", Hand(51).head(8035).i32(16, 0x7fffffff), reordered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.accepts(c.bytes));
    }
}

TEST(MicLayouts, AnOverlongQueueOrderIsCutToItsCountField) {
    MicOrderRequest m;
    m.UserIDs.assign(MicOrderRequest::kMaxUsers + 5, 7);
    auto back = Decode<MicOrderRequest>(Encode(m));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->UserIDs.size(), MicOrderRequest::kMaxUsers);
}

} // namespace
} // namespace kel
