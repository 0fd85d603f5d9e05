// The line builder: what other users send arrives as text, emoticons become
// pictures only when the picture exists, the word filter touches text only,
// and links are the builder's own.
#include <gtest/gtest.h>

#include <set>

#include "room/ChatLine.h"

namespace kel {
namespace {

const std::string kCode = "0123456789abcdef0123456789abcdef";

TLineBuilder Builder(std::set<std::string> files = {}) {
    TLineBuilder b;
    b.ResourcePath = "/app/Picture/";
    b.FileExists = [files](const std::string& p) { return files.count(p) > 0; };
    return b;
}

ChatLineValues Line(const std::string& nick, const std::string& text) {
    ChatLineValues v;
    v.FromID = 10005;
    v.FromNick = nick;
    v.ToID = 0;
    v.ToNick = "大家";
    v.TimeText = "12:00:00";
    v.Text = text;
    v.FontName = "Arial";
    return v;
}

size_t Count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

// Markup, fake system lines and fake links sent as chat arrive as text: the
// line holds exactly the builder's own tags.
TEST(ChatLine, ReceivedMarkupArrivesAsText) {
    TLineBuilder b = Builder();
    const std::string plain = b.ChatLine(Line("bob", "hello"));
    struct Row {
        const char* name;
        std::string nick;
        std::string text;
        std::string shown;  // must appear escaped
    } rows[] = {
        {"bold tag", "bob", "<b>big</b>", "&lt;b&gt;big&lt;/b&gt;"},
        {"fake system line", "bob", "</span></div><div class=\"SystemMsg1\">【系统】:you are banned",
         "&lt;/span&gt;&lt;/div&gt;&lt;div class=&quot;SystemMsg1&quot;&gt;"},
        {"fake link", "bob", "<a href=\"link[Pay:]\">pay here</a>", "&lt;a href=&quot;link[Pay:]&quot;&gt;"},
        {"script", "bob", "<script>alert(1)</script>", "&lt;script&gt;"},
        {"picture of its own", "bob", "<img src=\"http://evil/x.gif\">", "&lt;img src="},
        {"markup in the nickname", "<a href=\"link[Pay:]\">x</a>", "hi", "&lt;a href="},
        {"entity", "bob", "&lt;b&gt;", "&amp;lt;b&amp;gt;"},
    };
    for (const auto& r : rows) {
        std::string line = b.ChatLine(Line(r.nick, r.text));
        EXPECT_NE(line.find(r.shown), std::string::npos) << r.name << ": " << line;
        EXPECT_EQ(Count(line, "<a "), Count(plain, "<a ")) << r.name;
        EXPECT_EQ(Count(line, "<div"), 1u) << r.name;
        EXPECT_EQ(Count(line, "<img"), Count(plain, "<img")) << r.name;
        EXPECT_EQ(Count(line, "href=\"link[UserInfo:10005]\""), 1u) << r.name;
        EXPECT_EQ(line.find("link[Pay:]\">"), std::string::npos) << r.name;
    }
}

TEST(ChatLine, FontAndLevelValuesCannotBreakOut) {
    TLineBuilder b = Builder();
    ChatLineValues v = Line("bob", "x");
    v.FontName = "Arial;\" onmouseover=\"x";
    v.FromLevel = "../../etc/passwd";
    std::string line = b.ChatLine(v);
    EXPECT_EQ(line.find("onmouseover=\""), std::string::npos) << line;
    EXPECT_EQ(line.find("etc/passwd"), std::string::npos) << line;
    EXPECT_NE(line.find("默认头像.bmp"), std::string::npos);
}

TEST(ChatLine, EmoticonDecoding) {
    const std::string face = "/app/Picture/Face/" + kCode + ".gif";
    const std::string three_d = "/app/Picture/Emotion3D/0001.gif";
    TLineBuilder b = Builder({face, three_d});
    struct Row {
        const char* name;
        std::string chat;
        bool allow_3d;
        std::string html;
    } rows[] = {
        {"emoticon, text, 3D", "\\e" + kCode + " and \\E0001", true,
         "<img src=\"" + face + "\"> and <img src=\"" + three_d + "\">"},
        {"3D not allowed", "a\\E0001b", false, "ab"},
        {"missing picture", "a\\e" + std::string(32, 'f') + "b", true, "ab"},
        {"unfinished token", "a\\e0123", true, "a"},
        {"code with a path in it", "\\e../../../../etc/passwd/aaaaaaaaaaa", true, "aa"},
        {"break", "a<BR>b", true, "a<BR>b"},
    };
    for (const auto& r : rows) EXPECT_EQ(b.ChatText(r.chat, r.allow_3d).str(), r.html) << r.name;
}

TEST(ChatLine, WordFilterOnTextOnly) {
    const std::string face = "/app/Picture/Face/" + kCode + ".gif";
    TLineBuilder b = Builder({face});
    b.SetFilter("bad|坏蛋|img|Face|span");
    std::string line = b.ChatLine(Line("bad guy", "a bad 坏蛋 \\e" + kCode));
    EXPECT_NE(line.find("XXX guy"), std::string::npos) << line;
    EXPECT_NE(line.find("a XXX XX "), std::string::npos) << line;  // two characters, two X
    EXPECT_NE(line.find("<img src=\"" + face + "\">"), std::string::npos) << line;
    EXPECT_NE(line.find("<span class=\"part6\">"), std::string::npos) << line;

    b.SetFilter("([unclosed");
    EXPECT_FALSE(b.Filter().Active());
    EXPECT_NE(b.ChatLine(Line("bob", "bad words")).find("bad words"), std::string::npos);
}

TEST(ChatLine, ChatLineParts) {
    TLineBuilder b = Builder({"/app/Picture/Resource/vip.gif"});
    ChatLineValues v = Line("bob", "hi");
    v.FromLevel = "vip";
    v.ToID = 10006;
    v.ToNick = "amy";
    v.Whisper = true;
    v.FontStyles = 1 | 2 | 4 | 8;
    v.FontColor = 0x0000ff;  // red
    v.FontSize = 12;
    EXPECT_EQ(b.ChatLine(v),
              "<div class=\"WhisperMsg\"><span class=\"part1\"><img src=\"/app/Picture/Resource/vip.gif\"></span>"
              "<span class=\"part2\"><a href=\"link[UserInfo:10005]\">bob(10005)</a></span>"
              "<span class=\"part3\">对<img src=\"/app/Picture/Resource/默认头像.bmp\"></span>"
              "<span class=\"part4\"><a href=\"link[UserInfo:10006]\">amy(10006)</a></span>"
              "<span class=\"part5\">悄悄说:</span>"
              "<span class=\"part6\"><span style=\"font-style:italic; font-weight:bold; font-size:12pt; "
              "text-decoration: underline line-through; color:#FF0000; font-family:Arial;\">hi</span></span>"
              "<span class=\"part7\">(12:00:00)</span><BR></div>");
    // Everybody: bare nickname, no level picture.
    std::string pub = b.ChatLine(Line("bob", "hi"));
    EXPECT_NE(pub.find("<a href=\"link[UserInfo:0]\">大家</a>"), std::string::npos) << pub;
    EXPECT_NE(pub.find("<span class=\"part3\">对</span>"), std::string::npos) << pub;
    EXPECT_NE(pub.find("class=\"PublicMsg\""), std::string::npos);
}

TEST(ChatLine, LinkKeys) {
    struct Row {
        const char* href;
        LinkTarget::Kind kind;
        int32_t value;
    } rows[] = {
        {"link[UserInfo:10005]", LinkTarget::UserInfo, 10005},
        {"link[UserInfo:0]", LinkTarget::UserInfo, 0},
        {"link[PlayFlash:12]", LinkTarget::PlayFlash, 12},
        {"link[RoomID:1001]", LinkTarget::RoomID, 1001},
        {"link[Pay:]", LinkTarget::Pay, 0},
        {"link[10007]", LinkTarget::UserInfo, 10007},
        {"link[Other:5]", LinkTarget::UserInfo, 5},
        {"link[UserInfo:abc]", LinkTarget::None, 0},
        {"http://example/", LinkTarget::None, 0},
        {"link[UserInfo:1", LinkTarget::None, 0},
    };
    for (const auto& r : rows) {
        LinkTarget t = ParseLink(r.href);
        EXPECT_EQ(t.kind, r.kind) << r.href;
        EXPECT_EQ(t.value, r.value) << r.href;
    }
}

TEST(ChatLine, SystemAndNoticeLines) {
    TLineBuilder b = Builder();
    EXPECT_EQ(b.SystemLine(4, "【系统】:", "余额不足", "充值"),
              "<div class=\"SystemMsg4\"><span class=\"part1\">【系统】:</span><span class=\"part2\">余额不足</span>"
              "<span class=\"part4\"><a href=\"link[Pay:]\">充值</a></span><BR></div>");
    EXPECT_EQ(b.Notice(3, "n"), "<div class=\"SystemMsg\"><span class=\"part4\">n</span><BR></div>");
    EXPECT_EQ(b.Notice(7, "n"), "<div class=\"SystemMsg\"><span class=\"part1\">n</span><BR></div>");
    EXPECT_EQ(b.LeaveLine("<i>x</i>"),
              "<div class=\"OutRoomMsg\"><span class=\"part2\">&lt;i&gt;x&lt;/i&gt;</span>"
              "<span class=\"part3\">退出房间</span><BR></div>");
    EXPECT_EQ(b.AnnouncementLine("<b>维护</b>\r\nsecond"),
              "<div><font style=\"font-size:10pt; font-family:宋体; color:#ff0000\">系统公告：维护</font><BR></div>");
}

TEST(ChatLine, DayTimes) {
    EXPECT_EQ(FormatDayTime(45000.5), "23-03-15 12:00:00");
    EXPECT_EQ(FormatShortDayTime(45000.75), "3.15 18:0");
    EXPECT_EQ(FormatDayTime(-1), "99-12-30 00:00:00");  // nonsense stays harmless
}

} // namespace
} // namespace kel
