#include <gtest/gtest.h>

#include <fstream>

#include "config/SetSkin.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

TSkinData Skin(const std::string& colour)
{
    TSkinData s;
    s.style_sheet = "QWidget { background: " + colour + "; }\nQPushButton { border-image: url(skin:img/button.png); }\n";
    s.images.push_back({"img/button.png", {0x89, 'P', 'N', 'G', 1, 2, 3}});
    return s;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An installation with three listed skins, the third of which has no file.
void Install(TempDir& dir, int skin_index)
{
    dir.Write("Skin/Skin.ini", "[Skin]\n经典=kelroom.skn\n夜色=night.skn\n缺失=missing.skn\n");
    WriteBytes(dir.File("Skin/kelroom.skn"), PackSkin(Skin("white")));
    WriteBytes(dir.File("Skin/night.skn"), PackSkin(Skin("black")));
    dir.Write("Config.ini", "[ServerHall]\nPortHall=1\n[Set]\nSkinIndex=" + std::to_string(skin_index) + "\n");
}

} // namespace

TEST(SkinBundle, PacksAndUnpacksAndRejectsDamagedFiles) {
    TSkinData s = Skin("red");
    std::vector<uint8_t> file = PackSkin(s);
    ASSERT_GT(file.size(), 12u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "KSKN");
    auto back = UnpackSkin(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->style_sheet, s.style_sheet);
    ASSERT_EQ(back->images.size(), 1u);
    EXPECT_EQ(back->images[0].name, "img/button.png");
    EXPECT_EQ(back->images[0].data, s.images[0].data);
    EXPECT_NE(back->StyleSheetFor("/tmp/skin").find("url(/tmp/skin/img/button.png)"), std::string::npos);

    std::vector<uint8_t> truncated(file.begin(), file.end() - 3);
    std::vector<uint8_t> bad_magic = file;
    bad_magic[0] = 'X';
    std::vector<uint8_t> wrong_size = file;
    wrong_size[8] ^= 1;
    TSkinData climbing = s;
    climbing.images[0].name = "../../etc/evil";
    std::vector<uint8_t> bomb = file;  // claims a payload far over the limit
    bomb[11] = 0x7F;
    for (const auto& damaged : {truncated, bad_magic, wrong_size, PackSkin(climbing), bomb, std::vector<uint8_t>{}}) {
        EXPECT_FALSE(UnpackSkin(damaged));
    }
}

TEST(SkinBundle, FolderBecomesABundle) {
    TempDir dir;
    dir.Write("src/skin.qss", "QWidget{}");
    dir.Write("src/b/2.png", "two");
    dir.Write("src/a.png", "one");
    auto s = ReadSkinFolder(dir.File("src"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->style_sheet, "QWidget{}");
    ASSERT_EQ(s->images.size(), 2u);
    EXPECT_EQ(s->images[0].name, "a.png");
    EXPECT_EQ(s->images[1].name, "b/2.png");
    ASSERT_TRUE(s->ExtractImages(dir.File("out")));
    EXPECT_EQ(dir.Read("out/b/2.png"), "two");

    dir.Write("nostyle/a.png", "one");
    EXPECT_FALSE(ReadSkinFolder(dir.File("nostyle")));
}

TEST(SetSkin, AppliesTheRememberedSkinAndFallsBackToTheFirst) {
    struct Case {
        int remembered;
        int applied;
        const char* colour;
    } cases[] = {
        {1, 1, "black"},
        {0, 0, "white"},
        {3, 0, "white"},   // beyond the list: first skin, 0 written back
        {99, 0, "white"},
        {-2, 0, "white"},  // only reachable by editing Config.ini
        {2, -1, ""},       // listed but its file is missing: start-up goes on without a skin
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remembered);
        TempDir dir;
        Install(dir, c.remembered);
        TSetSkin skins(dir.Folder());
        EXPECT_EQ(skins.SkinCount(), 3);
        EXPECT_EQ(skins.SkinNames()[1], "夜色");
        EXPECT_EQ(skins.gSkinIndex(), c.applied);
        if (c.applied >= 0) {
            EXPECT_NE(skins.gSkinData().style_sheet.find(c.colour), std::string::npos);
            TIniFile cfg(dir.File("Config.ini"));
            EXPECT_EQ(cfg.ReadInteger("Set", "SkinIndex", -9), c.applied);
            EXPECT_EQ(cfg.ReadInteger("ServerHall", "PortHall"), 1);
        } else {
            EXPECT_TRUE(skins.gSkinData().Empty());
        }
    }
}

TEST(SetSkin, MissingOrDamagedSkinKeepsTheCurrentOneAndHookSeesChanges) {
    TempDir dir;
    Install(dir, 1);
    dir.Write("Skin/Skin.ini", "[Skin]\n经典=kelroom.skn\n夜色=night.skn\n缺失=missing.skn\n坏=broken.skn\n");
    dir.Write("Skin/broken.skn", "KSKN garbage");
    TSetSkin skins(dir.Folder());
    ASSERT_EQ(skins.gSkinIndex(), 1);

    std::vector<int> seen;
    skins.SetOnApply([&](const TSkinData&, int index) { seen.push_back(index); });
    EXPECT_EQ(seen, std::vector<int>{1});  // a late hook gets the current skin at once

    EXPECT_FALSE(skins.ApplySkin(2));
    EXPECT_FALSE(skins.ApplySkin(3));
    EXPECT_EQ(skins.gSkinIndex(), 1);
    EXPECT_NE(skins.gSkinData().style_sheet.find("black"), std::string::npos);
    EXPECT_TRUE(skins.ApplySkin(0));
    EXPECT_EQ(seen, (std::vector<int>{1, 0}));
    EXPECT_EQ(TIniFile(dir.File("Config.ini")).ReadInteger("Set", "SkinIndex", -9), 0);
}

TEST(SetSkin, EmptyOrMissingListLeavesStartUpGoing) {
    TempDir dir;
    TSetSkin none(dir.Folder());
    EXPECT_EQ(none.SkinCount(), 0);
    EXPECT_EQ(none.gSkinIndex(), -1);
    EXPECT_FALSE(none.ApplySkin(0));
    dir.Write("Skin/Skin.ini", "[Skin]\n");
    TSetSkin empty(dir.Folder());
    EXPECT_EQ(empty.SkinCount(), 0);
    EXPECT_FALSE(empty.ApplySkin(-1));
}
