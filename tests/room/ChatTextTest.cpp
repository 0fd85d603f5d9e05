// Editor content to chat text and back, the pieces of chat text, and the cut
// to the wire limit.
#include <gtest/gtest.h>

#include "foundation/Gbk.h"
#include "room/ChatText.h"

namespace kel {
namespace {

const std::string kCode = "0123456789abcdef0123456789ABCDEF";  // 32 characters
const std::string kToken = "\\e" + kCode;

using E = EditorPiece;

TEST(ChatText, EditorContentToChatText) {
    struct Row {
        const char* name;
        std::vector<EditorPiece> content;
        std::string chat;
    } rows[] = {
        {"plain text", {{E::Text, "hello 你好"}}, "hello 你好"},
        {"emoticon then text", {{E::Image, "/app/Picture/Face/" + kCode + ".gif"}, {E::Text, "hi"}}, kToken + "hi"},
        {"upper-case extension", {{E::Image, "Face/" + kCode + ".GIF"}}, kToken},
        {"line breaks", {{E::Text, "a"}, {E::Break, ""}, {E::Text, "b\nc"}}, "a<BR>b<BR>c"},
        {"paragraph separator", {{E::Text, "a\u2029b"}}, "a<BR>b"},
        {"no-break spaces", {{E::Text, "a\u00a0b"}}, "a b"},
        {"only blanks", {{E::Text, "   \u00a0 "}, {E::Break, ""}}, ""},
        {"picture that is no emoticon", {{E::Image, "/tmp/photo.png"}, {E::Text, "x"}}, "x"},
        {"gif with a short name", {{E::Image, "Face/smile.gif"}}, ""},
        {"gif whose name is no code", {{E::Image, "Face/0123456789abcdef0123456789abcd/f.gif"}}, ""},
        {"typed markup stays text", {{E::Text, "<b>x</b>"}}, "<b>x</b>"},
    };
    for (const auto& r : rows) EXPECT_EQ(EditorToChatText(r.content), r.chat) << r.name;
}

TEST(ChatText, ChatTextBackToEditor) {
    auto pieces = ChatTextToEditor("a<BR>" + kToken + "b\\E0001c", "/p/Face/");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0].value, "a");
    EXPECT_EQ(pieces[1].kind, E::Break);
    EXPECT_EQ(pieces[2].kind, E::Image);
    EXPECT_EQ(pieces[2].value, "/p/Face/" + kCode + ".gif");
    EXPECT_EQ(pieces[3].value, "b");
    EXPECT_EQ(pieces[4].value, "c");  // 3D emoticons are not editor content
    EXPECT_EQ(EditorToChatText(ChatTextToEditor("x" + kToken + "<BR>y", "/p/Face/")), "x" + kToken + "<BR>y");
}

TEST(ChatText, PiecesInTextOrder) {
    using P = ChatPiece;
    struct Row {
        const char* name;
        std::string chat;
        std::vector<ChatPiece> pieces;
    } rows[] = {
        {"emoticon before 3D", "a" + kToken + "mid\\E0001z",
         {{P::Text, "a"}, {P::Emotion, kCode}, {P::Text, "mid"}, {P::Emotion3D, "0001"}, {P::Text, "z"}}},
        {"3D before emoticon", "\\E0002" + kToken, {{P::Emotion3D, "0002"}, {P::Emotion, kCode}}},
        {"break in any case", "a<br>b", {{P::Text, "a"}, {P::Break, ""}, {P::Text, "b"}}},
        {"unfinished token takes what is there", "x\\e0123", {{P::Text, "x"}, {P::Emotion, "0123"}}},
        {"lone backslash", "a\\b\\", {{P::Text, "a\\b\\"}}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ParseChatText(r.chat), r.pieces) << r.name;
        EXPECT_EQ(JoinChatText(ParseChatText(r.chat)), r.chat == "a<br>b" ? "a<BR>b" : r.chat) << r.name;
    }
}

TEST(ChatText, CutOnBoundaries) {
    const std::string cn500(500, '\0');
    std::string chinese;
    for (int i = 0; i < 501; ++i) chinese += "你";  // 1002 GBK bytes
    std::string a998(998, 'a');
    struct Row {
        const char* name;
        std::string chat;
        std::string kept;
        bool cut;
    } rows[] = {
        {"fits", "short", "short", false},
        {"exactly the limit", std::string(1000, 'a'), std::string(1000, 'a'), false},
        {"1001 bytes", std::string(1001, 'a'), std::string(1000, 'a'), true},
        {"Chinese cut on a character", chinese, chinese.substr(0, 500 * 3), true},
        {"odd byte left before a Chinese character", std::string(999, 'a') + "你好", std::string(999, 'a'), true},
        {"break across the limit", a998 + "<BR>tail", a998, true},
        {"token across the limit", std::string(980, 'a') + kToken + "z", std::string(980, 'a'), true},
        {"token just fits", std::string(966, 'a') + kToken + "z", std::string(966, 'a') + kToken, true},
    };
    for (const auto& r : rows) {
        CutResult c = CutChatText(r.chat, 1000);
        EXPECT_EQ(c.text, r.kept) << r.name;
        EXPECT_EQ(c.cut, r.cut) << r.name;
        EXPECT_LE(Utf8ToGbk(c.text).size(), 1000u) << r.name;
    }
}

} // namespace
} // namespace kel
