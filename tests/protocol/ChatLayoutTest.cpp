// The chat messages against bytes written out by hand from their layout
// tables, and the length and count fields that must be checked against the
// received message before anything is read.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "../support/LayoutCases.h"
#include "protocol/ChatMessages.h"
#include "protocol/LayoutSupport.h"

namespace kel {
namespace {

using test::Bytes;
using test::Hand;
using test::Make;
using Case = test::LayoutCase;

const char kNiHaoGbk[] = "\xc4\xe3\xba\xc3";  // "你好"

RoomRequestHeader SampleHead() {
    RoomRequestHeader h;
    h.UserID = 10005;
    h.RoomID = 1001;
    h.RoomTicket = 55;
    h.EchoValue = 777;
    h.EchoWord = 9;
    return h;
}

Hand& HandHead(Hand& h, int32_t code) {
    return h.head(code).i32(8, 10005).i32(12, 1001).i32(16, 55).i32(20, 777).i16(24, 9);
}

ChatDelivery SampleDelivery() {
    ChatDelivery d;
    d.FromUserID = 10005;
    d.FromNick = "你好";
    d.ToUserID = 10006;
    d.ToNick = "bob";
    d.FromLevel = "vip";
    d.ToLevel = "g1";
    d.TimeText = "12:30:05";
    d.Whisper = true;
    d.AutoReply = false;
    d.Show3D = true;
    d.FontName = "Arial";
    d.FontSize = 12;
    d.FontColor = 0x0000ff;
    d.FontStyles = kFontBold | kFontUnderline;
    d.Text = "hi<BR>你好";
    return d;
}

// Fields 16.. of 9013 with `shift` added from 82 on (19014 carries 4 more).
void HandDelivery(Hand& h, size_t shift) {
    h.i32(8, 10005).str(16, kNiHaoGbk).i32(47, 10006).str(51, "bob");
    if (shift) h.i32(82, 10005);
    h.str(82 + shift, "vip").str(93 + shift, "g1").str(104 + shift, "12:30:05");
    h.u8(113 + shift, 1).u8(114 + shift, 0).u8(115 + shift, 1);
    h.str(116 + shift, "Arial").i32(132 + shift, 12).i32(136 + shift, 0xff).u8(140 + shift, 5);
    h.i32(141 + shift, 10).raw(145 + shift, std::string("hi<BR>") + kNiHaoGbk);
}

std::vector<Case> Cases() {
    std::vector<Case> c;
    {
        ChatRequest m;
        m.Head = SampleHead();
        m.ToUserID = 10006;
        m.ToNick = "bob";
        m.ImageFrom = "vip";
        m.ImageTo = "g1";
        m.TimeText = "12:30:05";
        m.Whisper = true;
        m.AutoReply = true;
        m.FontName = "Arial";
        m.FontSize = 10;
        m.FontColor = 0x123456;
        m.FontStyles = kFontItalic | kFontStrikeOut;
        m.Text = "\\e0123456789abcdef0123456789abcdef!";
        Hand h(128 + 35);
        HandHead(h, 19012).i32(26, 10006).str(30, "bob").str(61, "vip").str(72, "g1").str(83, "12:30:05");
        h.u8(92, 1).u8(93, 1).i32(94, 0).u8(98, 0).str(99, "Arial").i32(115, 10).i32(119, 0x123456);
        h.u8(123, 10).i32(124, 35).raw(128, "\\e0123456789abcdef0123456789abcdef!");
        c.push_back(Make("19012 chat", m, h));
    }
    {
        ChatBroadcast m;
        static_cast<ChatDelivery&>(m) = SampleDelivery();
        Hand h(155);
        h.head(9013);
        HandDelivery(h, 0);
        c.push_back(Make("9013 chat broadcast", m, h));
    }
    {
        PrivateChatMessage m;
        static_cast<ChatDelivery&>(m) = SampleDelivery();
        Hand h(159);
        h.head(19014);
        HandDelivery(h, 4);
        c.push_back(Make("19014 private chat", m, h));
    }
    {
        ChatRefused m;
        m.Reason = 3;
        c.push_back(Make("19015 refused", m, Hand(86).head(19015).i32(82, 3)));
    }
    {
        FunPhraseRequest m;
        m.Head = SampleHead();
        m.ToUserID = 10006;
        m.Phrase = 3005;
        Hand h(80);
        HandHead(h, 20022).i32(26, 10006).i32(30, 3005);
        c.push_back(Make("20022 fun phrase", m, h));
    }
    {
        FunPhraseAnswer m;
        m.Result = 2;
        m.ToUserID = 10006;
        c.push_back(Make("20023 fun phrase answer", m, Hand(24).head(20023).i32(16, 2).i32(20, 10006)));
    }
    {
        FunPhraseDelivered m;
        m.FromUserID = 10005;
        m.ToUserID = 0;
        m.FromNick = "你好";
        m.ToNick = "大家";
        m.FromLevel = "vip";
        m.Phrase = 4002;
        m.TimeText = "08:00:00";
        c.push_back(Make("9084 fun phrase delivered", m,
                         Hand(117).head(9084).i32(8, 10005).i32(16, 0).str(20, kNiHaoGbk)
                             .str(51, "\xb4\xf3\xbc\xd2").str(82, "vip").i32(104, 4002).str(108, "08:00:00")));
    }
    {
        DiceRequest m;
        m.UserID = 10005;
        m.RoomID = 1001;
        m.RoomTicket = 55;
        m.NickName = "你好";
        c.push_back(Make("81041 dice", m,
                         Hand(63).head(81041).i32(8, 10005).i32(12, 1001).i32(16, 55).str(20, kNiHaoGbk)));
    }
    {
        DiceResult m;
        m.UserID = 10005;
        m.NickName = "bob";
        m.Die1 = 3;
        m.Die2 = 6;
        c.push_back(Make("8006 dice result", m,
                         Hand(55).head(8006).i32(8, 10005).str(16, "bob").i32(47, 3).i32(51, 6)));
    }
    {
        SystemAnnouncement m;
        m.Text = "你好";
        c.push_back(Make("8001 announcement", m, Hand(225).head(8001).i32(217, 4).raw(221, kNiHaoGbk)));
    }
    {
        LuxuryGiftList m;
        TGiftEvent g;
        g.GiverID = 10005;
        g.ReceiverID = 10006;
        g.GiftID = 12;
        g.Count = 99;
        m.Gifts = {g};
        c.push_back(Make("8002 luxury list", m,
                         Hand(172).head(8002).i32(16, 1).i32(20, 10005).i32(56, 10006).i32(92, 12).i32(96, 99)));
    }
    {
        GiftBroadcast m;
        m.GiverID = 10005;
        m.RoomID = 1001;
        m.ReceiverID = 10006;
        m.GiverNick = "a";
        m.ReceiverNick = "b";
        m.GiftID = 7;
        m.Count = 10;
        c.push_back(Make("8004 gift broadcast", m,
                         Hand(94).head(8004).i32(8, 10005).i32(16, 1001).i32(20, 10006).str(24, "a")
                             .str(55, "b").i32(86, 7).i32(90, 10)));
    }
    {
        GameWin m;
        m.UserID = 10005;
        m.NickName = "a";
        m.GameName = "g";
        m.MatchName = "m";
        m.MatchNo = 4;
        m.Coins = 50000;
        c.push_back(Make("8010 game win", m,
                         Hand(117).head(8010).i32(8, 10005).str(16, "a").str(47, "g").str(78, "m")
                             .i32(109, 4).i32(113, 50000)));
    }
    return c;
}

TEST(ChatLayout, HandWrittenBytes) { test::CheckCases(Cases()); }

// A length or count that does not fit the received message, or is negative,
// refuses the whole message instead of reading beyond it.
TEST(ChatLayout, LengthFieldsCheckedAgainstMessage) {
    struct Row {
        const char* name;
        Bytes bytes;
        std::function<bool(const Bytes&)> accepted;
    };
    auto dec = []<class T>(T*) { return [](const Bytes& b) { return Decode<T>(b).has_value(); }; };
    Hand big9013(145 + 10);
    big9013.head(9013).i32(141, 11);
    Hand neg9013(145);
    neg9013.head(9013).i32(141, -1);
    Hand huge19014(149 + 1200);
    huge19014.head(19014).i32(145, 1001);
    Hand neg8001(221);
    neg8001.head(8001).i32(217, -5);
    Hand long8001(221 + 3);
    long8001.head(8001).i32(217, 4);
    Hand many8002(20 + 152);
    many8002.head(8002).i32(16, 2);
    Hand neg8002(20);
    neg8002.head(8002).i32(16, -1);
    Hand huge8002(20);
    huge8002.head(8002).i32(16, 0x7fffffff);
    Hand over19012(128 + 1001);
    over19012.head(19012).i32(124, 1001);
    std::vector<Row> rows = {
        {"9013 text longer than the message", big9013, dec((ChatBroadcast*)nullptr)},
        {"9013 negative text length", neg9013, dec((ChatBroadcast*)nullptr)},
        {"19014 text above the chat limit", huge19014, dec((PrivateChatMessage*)nullptr)},
        {"19012 text above the chat limit", over19012, dec((ChatRequest*)nullptr)},
        {"8001 negative length", neg8001, dec((SystemAnnouncement*)nullptr)},
        {"8001 text past the end", long8001, dec((SystemAnnouncement*)nullptr)},
        {"8002 count above the records", many8002, dec((LuxuryGiftList*)nullptr)},
        {"8002 negative count", neg8002, dec((LuxuryGiftList*)nullptr)},
        {"8002 huge count", huge8002, dec((LuxuryGiftList*)nullptr)},
    };
    for (const auto& row : rows) EXPECT_FALSE(row.accepted(row.bytes)) << row.name;
}

// The writer never sends more than the limit and never half a character.
TEST(ChatLayout, RequestTextCappedOnCharacterBoundary) {
    ChatRequest m;
    m.Text = std::string(999, 'a') + "你";  // 999 + 2 GBK bytes
    auto bytes = Encode(m);
    ASSERT_EQ(bytes.size(), 128u + 999u);
    auto back = Decode<ChatRequest>(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Text, std::string(999, 'a'));
}

} // namespace
} // namespace kel
