#include <gtest/gtest.h>

#include "../support/TempDir.h"

#include <arpa/inet.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "foundation/kelUtils.h"
#include "platform/AdapterAddress.h"

using namespace kel;

TEST(TextCleaning, NicknamesAndServerTexts) {
    struct Case {
        std::string in, nickname, stripped, first_line, no_breaks;
    };
    const Case cases[] = {
        // A name in a bold tag keeps the tag letters and the slash.
        {"<b>Tom</b>", "bTom/b", "Tom", "Tom", "<b>Tom</b>"},
        // Two lines with a tag in the first: joined, or only the first kept.
        {"<font color=red>Hi</font> you\r\nsecond", "font color=redHi/font you", "Hi yousecond", "Hi you",
         "<font color=red>Hi</font> yousecond"},
        // Brackets go before the cut; the cut is at CR LF only.
        {"A<\r\n>B", "A", "AB", "AB", "A<>B"},
        {"one\ntwo\rthree", "one\ntwo\rthree", "one\ntwo\rthree", "one\ntwo\rthree", "one\ntwo\rthree"},
        // A '<' without a later '>' is no tag.
        {"a < b", "a  b", "a < b", "a < b", "a < b"},
        {"x<y>z<w", "xyzw", "xz<w", "xz<w", "x<y>z<w"},
        {"<<a>b>", "ab", "b>", "b>", "<<a>b>"},
        // A tag spanning the line break goes first, so the lines join.
        {"a<br\r\n>b\r\nc", "abr", "abc", "ab", "a<br>bc"},
        {"\r\r\n\n", "\r", "\r\n", "\r", "\r\n"},
        {"", "", "", "", ""},
        {"张三<i>李四</i>", "张三i李四/i", "张三李四", "张三李四", "张三<i>李四</i>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanNickname(c.in), c.nickname) << c.in;
        EXPECT_EQ(StripTags(c.in), c.stripped) << c.in;
        EXPECT_EQ(StripTagsFirstLine(c.in), c.first_line) << c.in;
        EXPECT_EQ(RemoveLineBreaks(c.in), c.no_breaks) << c.in;
    }
}

TEST(Colours, HtmlTextIsRedGreenBlueAndReadsBack) {
    struct Case {
        uint32_t color;
        const char* html;
    };
    const Case cases[] = {
        {0x000000FF, "#FF0000"}, // pure red
        {0x0000FF00, "#00FF00"},
        {0x00FF0000, "#0000FF"},
        {0x00123456, "#563412"},
        {0x00FFFFFF, "#FFFFFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorToHtml(c.color), c.html);
        EXPECT_EQ(HtmlToColor(c.html), c.color) << c.html;
    }
    // The top byte of a colour value is not part of the colour.
    EXPECT_EQ(ColorToHtml(0x7F0000FF), "#FF0000");
}

TEST(Colours, TextsThatAreNoNumberGiveZero) {
    struct Case {
        const char* text;
        uint32_t color;
    };
    const Case cases[] = {
        {"#ff0000", 0x000000FF}, {"#FF", 0x00FF0000}, // short hexadecimal is a plain number
        {"255", 0x00FF0000},                          // decimal text reads as the same number
        {"red", 0},  {"", 0}, {"#", 0}, {"#12#34", 0}, {"#GG0000", 0}, {"#123456789", 0}, {"12a", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HtmlToColor(c.text), c.color) << c.text;
}

TEST(Addresses, DottedTextAndBack) {
    EXPECT_EQ(AddressToText(htonl(0xC0A80001u)), "192.168.0.1");
    EXPECT_EQ(AddressToText(0), "0.0.0.0");
    EXPECT_EQ(ResolveHost("192.168.0.1"), htonl(0xC0A80001u));
    EXPECT_EQ(ResolveHost("no-such-host.invalid"), 0u);
}

TEST(MicStateName, NamesTheSevenStatesAndLeavesOthersAlone) {
    const std::map<int32_t, std::string> names = {
        {0, "不在麦"},
        {1, "公麦"},
        {2, "私麦(任何人可连接)"},
        {3, "私麦(仅好友可连接)"},
        {4, "私麦(需确认可连接)"},
        {5, "私麦(收费私麦)"},
        {6, "排麦(进入麦序)"},
    };
    for (const auto& [state, want] : names) {
        std::string name = "before";
        EXPECT_TRUE(MicStateName(state, name));
        EXPECT_EQ(name, want);
    }
    for (int32_t other : {7, -1, 255}) {
        std::string name = "before";
        EXPECT_FALSE(MicStateName(other, name));
        EXPECT_EQ(name, "before") << other;
    }
}

namespace {

const std::string kWithPicture = "AbCdEfGhIjKlMnOpQrStUvWxYz012345";
const std::string kPictureMissing = "00000000000000000000000000000000";
const std::string kNotCatalogued = "11111111111111111111111111111111";

class FakeEmotions : public IEmotionLookup {
public:
    explicit FakeEmotions(std::map<std::string, std::string> paths) : paths_(std::move(paths)) {}
    std::optional<std::string> FullPicturePath(std::string_view id) const override {
        asked.insert(std::string(id));
        ++calls;
        const auto it = paths_.find(std::string(id));
        if (it == paths_.end())
            return std::nullopt;
        return it->second;
    }
    mutable std::multiset<std::string> asked;
    mutable int calls = 0;

private:
    std::map<std::string, std::string> paths_;
};

class EmotionCodes : public ::testing::Test {
protected:
    // A folder of its own (mkdtemp): tests run side by side in separate
    // processes, where the same object address can come up twice.
    void SetUp() override {
        dir_ = tmp_.Path();
        picture_ = (dir_ / "smile.gif").string();
        std::ofstream(picture_) << "GIF89a";
    }

    test::TempDir tmp_;
    std::filesystem::path dir_;
    std::string picture_;
};

} // namespace

TEST_F(EmotionCodes, ReplacesCodesWithAPictureAndKeepsTheRest) {
    FakeEmotions emotions({{kWithPicture, picture_}, {kPictureMissing, (dir_ / "gone.gif").string()}});
    const std::string tag = "<IMG src=\"" + picture_ + "\">";
    const std::string code = "{" + kWithPicture + "}";

    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        // One code three times gives three pictures.
        {"hi " + code + code + " and " + code, "hi " + tag + tag + " and " + tag},
        // A missing picture file or an unknown id stays as text.
        {"{" + kPictureMissing + "}", "{" + kPictureMissing + "}"},
        {code + "{" + kNotCatalogued + "}", tag + "{" + kNotCatalogued + "}"},
        // Not codes: 31 or 33 characters, a character outside A-Z a-z 0-9.
        {"{" + kWithPicture.substr(1) + "}", "{" + kWithPicture.substr(1) + "}"},
        {"{" + kWithPicture + "9}", "{" + kWithPicture + "9}"},
        {"{" + kWithPicture.substr(1) + "_}", "{" + kWithPicture.substr(1) + "_}"},
        // A code cut by the end of the text.
        {"{" + kWithPicture, "{" + kWithPicture},
        // Braces around a code still leave the code itself.
        {"{" + code + "}", "{" + tag + "}"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceEmotionCodes(c.in, emotions), c.out) << c.in;
}

TEST_F(EmotionCodes, LooksEachDistinctCodeUpOnceAndExactly) {
    FakeEmotions emotions(std::map<std::string, std::string>{{kWithPicture, picture_}});
    std::string lower = kWithPicture;
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const std::string text = "{" + kWithPicture + "}{" + lower + "}{" + kWithPicture + "}";
    const std::string tag = "<IMG src=\"" + picture_ + "\">";
    EXPECT_EQ(ReplaceEmotionCodes(text, emotions), tag + "{" + lower + "}" + tag);
    EXPECT_EQ(emotions.calls, 2);
    EXPECT_EQ(emotions.asked.count(kWithPicture), 1u);
    EXPECT_EQ(emotions.asked.count(lower), 1u);
}

TEST(AdapterAddressText, TwelveUpperCaseHexDigitsOfTheFirstAdapterOrEmpty) {
    const std::string text = GetAdapterAddress();
    const auto mac = FirstAdapterAddress();
    if (!mac) {
        EXPECT_EQ(text, "");
        return;
    }
    ASSERT_EQ(text.size(), 12u);
    for (char c : text)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << text;
    EXPECT_EQ(std::stoull(text, nullptr, 16),
              (uint64_t{(*mac)[0]} << 40) | (uint64_t{(*mac)[1]} << 32) | (uint64_t{(*mac)[2]} << 24) |
                  (uint64_t{(*mac)[3]} << 16) | (uint64_t{(*mac)[4]} << 8) | uint64_t{(*mac)[5]});
}

TEST(ScrambleText, KnownOutputsForAGivenStart) {
    struct Case {
        std::string text;
        uint8_t start;
        const char* out;
    };
    const Case cases[] = {
        {"", 0x10, "10"},
        {"AB", 0x10, "10200D"},
        // (0 + 255) mod 255 is 0, xor 'q'.
        {std::string(1, '\0'), 0xFF, "FF71"},
        // Fourteen characters: the key position wraps back to its first character.
        {"20261211123456", 0x7A, "7ADD61FD47112177F60E68B1C4DD65"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrambleText(c.text, c.start), c.out) << c.text;
}

TEST(ScrambleText, RandomStartLengthAndRoundTrip) {
    const std::string ticket = "1234567890123456789";
    std::set<std::string> outputs;
    for (int i = 0; i < 20; ++i) {
        const std::string s = ScrambleText(ticket);
        ASSERT_EQ(s.size(), 2 + 2 * ticket.size());
        EXPECT_EQ(UnscrambleText(s), ticket) << s;
        outputs.insert(s);
    }
    EXPECT_GT(outputs.size(), 1u); // the same text scrambles differently
    EXPECT_EQ(ScrambleText("").size(), 2u);

    for (const char* bad : {"", "1", "123", "XY00"})
        EXPECT_FALSE(UnscrambleText(bad).has_value()) << bad;
}
