#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "config/Emotion.h"
#include "config/Gift.h"
#include "config/GiftCsv.h"
#include "config/TypeCFG.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

// One Gift.dat record written out by hand from the layout table.
std::string GiftRecord(int32_t id, const std::string& name_gbk, const std::string& cat_gbk, int32_t price,
                       const std::string& pic, const std::string& anim, int name_len_byte = -1)
{
    std::string r(83, '\0');
    std::memcpy(&r[0], &id, 4);
    r[4] = static_cast<char>(name_len_byte < 0 ? name_gbk.size() : static_cast<size_t>(name_len_byte));
    std::memcpy(&r[5], name_gbk.data(), name_gbk.size());
    r[15] = static_cast<char>(cat_gbk.size());
    std::memcpy(&r[16], cat_gbk.data(), cat_gbk.size());
    std::memcpy(&r[26], &price, 4);
    std::memset(&r[30], 0x5A, 11);  // not used by the client
    r[41] = static_cast<char>(pic.size());
    std::memcpy(&r[42], pic.data(), pic.size());
    r[62] = static_cast<char>(anim.size());
    std::memcpy(&r[63], anim.data(), anim.size());
    return r;
}

const std::string kRoseGbk = "\xC3\xB5\xB9\xE5";  // 玫瑰
const std::string kFlowerGbk = "\xCF\xCA\xBB\xA8";  // 鲜花

// A 2 x 2 24-bit bitmap; `lower_left` is the colour of its lower-left pixel.
std::string Bmp2x2(uint32_t lower_left, uint32_t others)
{
    std::string f(14 + 40, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, 14 + 40 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    f[26] = 1;
    f[28] = 24;
    auto px = [](uint32_t c) { return std::string{static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16)}; };
    // Bottom row first: lower-left, lower-right, 2 pad bytes; then the top row.
    f += px(lower_left) + px(others) + std::string(2, '\0');
    f += px(others) + px(others) + std::string(2, '\0');
    return f;
}

} // namespace

TEST(Gift, LoadsRecordsCategoriesAndIds) {
    TempDir dir;
    std::string dat = GiftRecord(101, kRoseGbk, kFlowerGbk, 10, "rose.gif", "rose_a.gif") +
                      GiftRecord(102, "Kiss", "Love", 50, "kiss.gif", "kiss_a.gif") +
                      GiftRecord(103, "Lily", kFlowerGbk, 20, "lily.gif", "lily_a.gif") +
                      GiftRecord(104, "Heart", "LOVE", 5, "h.gif", "h_a.gif") +  // category case not regarded
                      GiftRecord(101, "Second", "Other", 1, "x.gif", "y.gif") +  // a repeated id
                      std::string(40, 'X');                                       // partial record
    dir.Write("Gift.dat", dat);
    TGift gifts(dir.File("Gift.dat"));
    EXPECT_TRUE(gifts.FileFound());
    EXPECT_EQ(gifts.DroppedBytes(), 40u);
    ASSERT_EQ(gifts.GiftCount(), 5);
    ASSERT_EQ(gifts.CategoryCount(), 3);
    EXPECT_EQ(gifts.CategoryAt(0), "鲜花");
    EXPECT_EQ(gifts.CategoryAt(1), "Love");
    EXPECT_EQ(gifts.CategoryAt(2), "Other");
    EXPECT_EQ(gifts.CategoryAt(3), "");
    EXPECT_EQ(gifts.CategoryAt(-1), "");

    const TGiftInfo* rose = gifts.FindGift(101);
    ASSERT_TRUE(rose);
    EXPECT_EQ(rose->name, "玫瑰");
    EXPECT_EQ(rose->price, 10);
    EXPECT_EQ(rose->picture, "rose.gif");
    EXPECT_EQ(rose->animation, "rose_a.gif");
    EXPECT_EQ(gifts.GiftAt(4)->name, "Second");
    EXPECT_EQ(gifts.FindGift(999), nullptr);
    EXPECT_EQ(gifts.GiftAt(5), nullptr);
    EXPECT_EQ(gifts.GiftAt(-1), nullptr);

    // Our writer produces exactly the hand-written bytes (unused bytes zero).
    std::string mine;
    for (uint8_t b : EncodeGiftRecord({102, "Kiss", "Love", 50, "kiss.gif", "kiss_a.gif"})) mine += static_cast<char>(b);
    std::string expected = GiftRecord(102, "Kiss", "Love", 50, "kiss.gif", "kiss_a.gif");
    std::memset(&expected[30], 0, 11);
    EXPECT_EQ(mine, expected);
}

TEST(Gift, HostileRecordsAndMissingFile) {
    TempDir dir;
    // A name length byte of 200 is read as 10 and does not reach into the
    // category; a lead byte cut off at the field's end is not half-decoded.
    std::string full_name = "ABCDEFGHIJ";
    dir.Write("Gift.dat", GiftRecord(7, full_name, "Cat", 1, "p.gif", "a.gif", 200) +
                              GiftRecord(8, "ABCDEFGHI\xC3", "Cat", 1, "p.gif", "a.gif"));
    TGift gifts(dir.File("Gift.dat"));
    ASSERT_EQ(gifts.GiftCount(), 2);
    EXPECT_EQ(gifts.GiftAt(0)->name, full_name);
    EXPECT_EQ(gifts.GiftAt(0)->category, "Cat");
    EXPECT_EQ(gifts.GiftAt(1)->name.substr(0, 9), "ABCDEFGHI");
    EXPECT_EQ(gifts.GiftAt(1)->name.find('\xC3'), std::string::npos);

    TGift none(dir.File("absent.dat"));
    EXPECT_FALSE(none.FileFound());
    EXPECT_EQ(none.GiftCount(), 0);
    EXPECT_EQ(none.CategoryCount(), 0);
}

TEST(GiftCsv, ReadsTheSourceAndRefusesWhatGiftDatCannotHold) {
    TempDir dir;
    dir.Write("ok.csv",
              "# gifts\n"
              "id,name,category,price,picture,animation\n"
              "101, 玫瑰 ,鲜花,10,rose.gif,rose_a.gif\n"
              "\n"
              "102,五个字名字,鲜花,20,a.gif,b.gif\n");
    std::vector<TGiftInfo> gifts;
    std::string error;
    ASSERT_TRUE(ReadGiftCsv(dir.File("ok.csv"), gifts, error)) << error;
    ASSERT_EQ(gifts.size(), 2u);
    EXPECT_EQ(gifts[0].name, "玫瑰");
    EXPECT_EQ(gifts[1].price, 20);

    struct Case {
        const char* row;
        const char* why;
    } bad[] = {
        {"1,a,b,2,c", "expected 6 fields"},
        {"x,a,b,2,c,d", "id is not a number"},
        {"1,a,b,2.5,c,d", "price is not a number"},
        {"1,六个字的名字,b,2,c,d", "longer than 10"},
        {"1,a,b,2,c,averyveryverylongname.gif", "longer than 20"},
        {"101,a,b,2,c,d", "given twice"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.row);
        dir.Write("bad.csv", std::string("id,name,category,price,picture,animation\n101,a,b,1,c,d\n") + c.row + "\n");
        std::vector<TGiftInfo> out;
        EXPECT_FALSE(ReadGiftCsv(dir.File("bad.csv"), out, error));
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_NE(error.find(":3:"), std::string::npos) << error;
    }
}

TEST(TypeCFG, LevelsTemplatesAndColours) {
    TempDir dir;
    dir.Write("UserLevel.ini",
              "[UserInRoom]\n"
              "VIP=<b>%s贵宾 %s %s(%d)</b>\n"
              "Guest=hello %s\n"
              "vip=ignored second copy\n"
              "[BGCOLOR]\nGift=FFEECC\nPubChat=F0F8FF\n"
              "[LogoName]\nLogoName=K\n");
    TkelTypeCFG cfg(dir.File("UserLevel.ini"));
    ASSERT_EQ(cfg.LevelCount(), 2);
    struct Case {
        const char* name;
        int index;
    } cases[] = {{"VIP", 0}, {"vip", 0}, {"  Guest \t", 1}, {"GUEST", 1}, {"", -1}, {"Nobody", -1}};
    for (const Case& c : cases) EXPECT_EQ(cfg.LevelIndex(c.name), c.index) << c.name;
    EXPECT_EQ(cfg.WelcomeTemplate(0), "<b>%s贵宾 %s %s(%d)</b>");
    EXPECT_EQ(cfg.WelcomeTemplate(-1), "");
    EXPECT_EQ(cfg.WelcomeTemplate(2), "");
    EXPECT_EQ(cfg.GiftColor, "FFEECC");
    EXPECT_EQ(cfg.PubChatColor, "F0F8FF");
    EXPECT_EQ(cfg.PriChatColor, "FFFFFF");
    EXPECT_EQ(cfg.LogoName, "K");

    TkelTypeCFG none(dir.File("absent.ini"));
    EXPECT_EQ(none.LevelCount(), 0);
    EXPECT_EQ(none.GiftColor, "FFFFFF");
    EXPECT_EQ(none.LogoName, "");
}

TEST(TypeCFG, TemplatesAreFilledPlaceByPlace) {
    struct Case {
        const char* tmpl;
        std::vector<TTemplateArg> args;
        const char* out;
    } cases[] = {
        {"%s欢迎 %s %s(%d) 进入房间", {std::string("<img>"), std::string("老板"), std::string("Tom"), int64_t{100234}},
         "<img>欢迎 老板 Tom(100234) 进入房间"},
        {"%n%x %p %", {std::string("a")}, "%n%x %p %"},    // printf directives that are not places stay text
        {"%s %s %d", {std::string("only")}, "only  "},     // no argument left: empty
        {"100%% %d", {int64_t{-5}}, "100% -5"},
        {"%s", {std::string("%s%d")}, "%s%d"},             // argument text is not scanned again
    };
    for (const Case& c : cases) EXPECT_EQ(FillTemplate(c.tmpl, c.args), c.out) << c.tmpl;
    EXPECT_NE(FillTemplate(kDefaultWelcomeTemplate, {std::string(""), std::string("t"), std::string("n"), int64_t{7}}).find("欢迎 t n(7) 进入房间"),
              std::string::npos);
}

TEST(Emotion, LoadsGroupsSkipsFacesWithoutBitmapsLastGroupWins) {
    TempDir dir;
    dir.Write("Face/a.bmp", Bmp2x2(0xFF00FF, 0x123456));
    dir.Write("Face/b.bmp", Bmp2x2(0x00FF00, 0xABCDEF));
    dir.Write("Face/broken.bmp", "BM not really");
    dir.Write("Face/Face.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<FACESETTING>\n"
              " <CUSTOMFACEGROUP name=\"默认\">\n"
              "  <FACE id=\"0123456789abcdef0123456789abcdefEXTRA\" tip=\"微笑\"><FILEORG>a.gif</FILEORG><FILEFIXED>a.bmp</FILEFIXED></FACE>\n"
              "  <FACE id=\"dup\" tip=\"first\"><FILEORG>b.gif</FILEORG><FILEFIXED>b.bmp</FILEFIXED></FACE>\n"
              " </CUSTOMFACEGROUP>\n"
              " <OTHER/>\n"
              " <CUSTOMFACEGROUP name=\"空\">\n"
              "  <FACE id=\"gone\" tip=\"x\"><FILEORG>g.gif</FILEORG><FILEFIXED>missing.bmp</FILEFIXED></FACE>\n"
              "  <FACE id=\"bad\" tip=\"x\"><FILEORG>g.gif</FILEORG><FILEFIXED>broken.bmp</FILEFIXED></FACE>\n"
              " </CUSTOMFACEGROUP>\n"
              " <CUSTOMFACEGROUP name=\"更多\">\n"
              "  <FACE id=\"dup\" tip=\"second\"><FILEORG>c.gif</FILEORG><FILEFIXED>a.bmp</FILEFIXED></FACE>\n"
              " </CUSTOMFACEGROUP>\n"
              "</FACESETTING>\n");
    TEmotion emo(dir.File("Face"));
    ASSERT_EQ(emo.Groups().size(), 3u);
    EXPECT_EQ(emo.Images().size(), 3u);
    const auto& g = emo.Groups();
    EXPECT_EQ(g[0].name, "默认");
    EXPECT_EQ(g[0].first_index, 0);
    ASSERT_EQ(g[0].faces.size(), 2u);
    EXPECT_EQ(g[0].faces[0].id, "0123456789abcdef0123456789abcdef");  // cut to 32
    EXPECT_EQ(g[0].faces[0].org_path, dir.Folder() + "Face/a.gif");
    EXPECT_EQ(g[1].name, "空");
    EXPECT_TRUE(g[1].faces.empty());
    EXPECT_EQ(g[1].first_index, 2);
    EXPECT_EQ(g[2].first_index, 2);  // same as the empty group before it

    EXPECT_EQ(emo.FindEmotion("dup").tip, "second");
    EXPECT_EQ(emo.FindEmotion("dup").fixed_path, dir.Folder() + "Face/a.bmp");
    EXPECT_EQ(emo.FindEmotion("DUP").id, "");
    EXPECT_EQ(emo.FindEmotion("gone").id, "");

    // The picker picture is masked by its lower-left colour.
    const TBitmap& first = emo.Images()[0];
    ASSERT_EQ(first.width, 2);
    EXPECT_EQ(first.PixelRGB(0, 1), 0xFF00FFu);
    EXPECT_EQ(first.rgba[(1 * 2 + 0) * 4 + 3], 0);  // lower-left: transparent
    EXPECT_EQ(first.rgba[(0 * 2 + 0) * 4 + 3], 255);
    EXPECT_EQ(first.PixelRGB(1, 0), 0x123456u);

    TEmotion missing(dir.File("nowhere"));
    EXPECT_TRUE(missing.Groups().empty());
    dir.Write("Bad/Face.xml", "<NOTFACES><CUSTOMFACEGROUP name=\"x\"/></NOTFACES>");
    EXPECT_TRUE(TEmotion(dir.File("Bad")).Groups().empty());
}

TEST(Bitmap, RejectsDamagedFiles) {
    std::string good = Bmp2x2(1, 2);
    ASSERT_TRUE(DecodeBitmap(std::vector<uint8_t>(good.begin(), good.end())));
    std::vector<std::string> bad = {good.substr(0, good.size() - 1), good.substr(0, 30), ""};
    std::string huge = good;
    huge[18] = 0;
    huge[21] = 0x7F;  // width far over the limit
    bad.push_back(huge);
    std::string rle = good;
    rle[30] = 1;  // compressed
    bad.push_back(rle);
    std::string far = good;
    far[10] = static_cast<char>(0xF0);  // pixel data beyond the file
    bad.push_back(far);
    for (const std::string& b : bad) EXPECT_FALSE(DecodeBitmap(std::vector<uint8_t>(b.begin(), b.end())));
}
