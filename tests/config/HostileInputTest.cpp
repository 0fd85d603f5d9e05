// Parsers of installation files fed damaged copies of good files: none may
// read out of bounds (the sanitizer runs watch), and what they accept must
// be whole.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "config/Bitmap.h"
#include "config/Gift.h"
#include "config/SkinBundle.h"
#include "config/TextCipher.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

std::vector<uint8_t> Mutate(std::vector<uint8_t> v, std::mt19937& rnd)
{
    switch (rnd() % 4) {
    case 0:  // flip a few bytes
        for (int i = 0, n = 1 + static_cast<int>(rnd() % 4); i < n && !v.empty(); ++i)
            v[rnd() % v.size()] = static_cast<uint8_t>(rnd());
        break;
    case 1:  // cut short
        v.resize(v.empty() ? 0 : rnd() % v.size());
        break;
    case 2:  // grow with junk
        for (int i = 0, n = static_cast<int>(rnd() % 64); i < n; ++i) v.push_back(static_cast<uint8_t>(rnd()));
        break;
    default:  // set a length-like word to a large value
        if (v.size() >= 4) {
            size_t at = rnd() % (v.size() - 3);
            v[at + static_cast<size_t>(rnd() % 4)] = 0xFF;
        }
    }
    return v;
}

} // namespace

TEST(HostileInput, DamagedSkinsBitmapsGiftsAndCiphertexts) {
    std::mt19937 rnd(20261211);
    TSkinData skin;
    skin.style_sheet = "QWidget { border-image: url(skin:a.png); }";
    skin.images = {{"a.png", std::vector<uint8_t>(300, 7)}, {"b/c.png", {1, 2, 3}}};
    const std::vector<uint8_t> skn = PackSkin(skin);

    std::vector<uint8_t> bmp(54 + 4 * 4 * 3, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 4;
    bmp[22] = 4;
    bmp[26] = 1;
    bmp[28] = 24;

    TempDir dir;
    std::vector<uint8_t> gift = EncodeGiftRecord({1, "玫瑰", "鲜花", 10, "rose.gif", "rose_a.gif"});
    const std::string hex = EncryptString("hall.kelroom.lan", kServerListKey);

    for (int i = 0; i < 3000; ++i) {
        if (auto s = UnpackSkin(Mutate(skn, rnd))) {
            std::vector<uint8_t> again = PackSkin(*s);
            ASSERT_TRUE(UnpackSkin(again));
        }
        if (auto b = DecodeBitmap(Mutate(bmp, rnd))) {
            ASSERT_EQ(b->rgba.size(), static_cast<size_t>(b->width) * static_cast<size_t>(b->height) * 4);
        }
        std::vector<uint8_t> g = Mutate(gift, rnd);
        if (g.size() >= kGiftRecordSize) {
            TGiftInfo info = DecodeGiftRecord(std::span<const uint8_t, kGiftRecordSize>(g.data(), kGiftRecordSize));
            ASSERT_LE(info.name.size(), 3 * kGiftNameMax);
        }
        std::vector<uint8_t> h(hex.begin(), hex.end());
        h = Mutate(h, rnd);
        try {
            std::string out = DecryptString(std::string(h.begin(), h.end()), kServerListKey);
            ASSERT_EQ(out.size() % 16, 0u);
        } catch (const EDecryptError&) {
        }
    }
    for (int i = 0; i < 50; ++i) {
        std::vector<uint8_t> g;
        for (int k = 0; k < 3; ++k) {
            auto m = Mutate(gift, rnd);
            g.insert(g.end(), m.begin(), m.end());
        }
        dir.Write("Gift.dat", std::string(g.begin(), g.end()));
        TGift cat(dir.File("Gift.dat"));
        ASSERT_EQ(static_cast<size_t>(cat.GiftCount()) * kGiftRecordSize + cat.DroppedBytes(), g.size());
    }
}

// Whatever a file holds, writing one key changes that key alone.
TEST(HostileInput, IniWriteChangesOneKeyWhateverTheFileHolds) {
    std::mt19937 rnd(7);
    const char* pieces[] = {"[A]", "[b]", "[ a ]", "k=1", "K = 2", "x=\"q\"", "; c", "=v", "[", "]", "  ", "y",
                            "z=0x10", "[C]", "k2=  ", "\r", "中=文"};
    TempDir dir;
    for (int round = 0; round < 150; ++round) {
        std::string text;
        for (int i = 0, n = static_cast<int>(rnd() % 14); i < n; ++i) {
            text += pieces[rnd() % std::size(pieces)];
            text += (rnd() % 5 == 0) ? "\r\n" : "\n";
        }
        std::string path = dir.Write("r.ini", text);
        TIniFile before(path);
        std::vector<std::tuple<std::string, std::string, std::string>> values;
        for (const std::string& s : before.ReadSections())
            for (const auto& [k, v] : before.ReadSectionValues(s)) values.emplace_back(s, k, v);

        const char* section = (rnd() % 2) ? "a" : "New";
        const char* key = (rnd() % 2) ? "k" : "fresh";
        TIniFile ini(path);
        ASSERT_TRUE(ini.WriteString(section, key, "written"));
        TIniFile after(path);
        SCOPED_TRACE(text);
        EXPECT_EQ(after.ReadString(section, key), "written");
        for (const auto& [s, k, v] : values) {
            auto same = [](const std::string& a, const char* b) {
                return a.size() == std::strlen(b) &&
                       std::equal(a.begin(), a.end(), b, [](char x, char y) { return std::tolower(x) == std::tolower(y); });
            };
            if (!(same(s, section) && same(k, key))) {
                EXPECT_EQ(after.ReadString(s, k, "<gone>"), v) << s << "/" << k;
            }
        }
    }
}
