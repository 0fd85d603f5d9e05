// The staged application folder holds what an installation carries, and
// the catalogues read it completely.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/ChatCFG.h"
#include "config/Emotion.h"
#include "config/Gift.h"
#include "config/GiftCsv.h"
#include "config/SetSkin.h"
#include "config/TypeCFG.h"

using namespace kel;
namespace fs = std::filesystem;

namespace {

const std::string kApp = std::string(KEL_APP_DIR) + "/";

bool IsPicture(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 40;
}

} // namespace

TEST(Installation, GiftDatMatchesItsSourceAndEveryPictureIsThere) {
    std::vector<TGiftInfo> source;
    std::string error;
    ASSERT_TRUE(ReadGiftCsv(std::string(KEL_DATA_DIR) + "/Gift.csv", source, error)) << error;
    TGift gifts(kApp + "Gift.dat");
    ASSERT_EQ(gifts.GiftCount(), static_cast<int>(source.size()));
    EXPECT_EQ(gifts.DroppedBytes(), 0u);
    EXPECT_GE(gifts.CategoryCount(), 2);
    for (int i = 0; i < gifts.GiftCount(); ++i) {
        const TGiftInfo* g = gifts.GiftAt(i);
        SCOPED_TRACE(g->name);
        EXPECT_EQ(g->id, source[static_cast<size_t>(i)].id);
        EXPECT_EQ(g->name, source[static_cast<size_t>(i)].name);
        EXPECT_EQ(g->category, source[static_cast<size_t>(i)].category);
        EXPECT_EQ(g->price, source[static_cast<size_t>(i)].price);
        EXPECT_TRUE(IsPicture(kApp + "Picture/kelGive/" + g->picture));
        EXPECT_TRUE(IsPicture(kApp + "Picture/kelGive/" + g->animation));
    }
}

TEST(Installation, EveryEmoticonHasBothPictures) {
    TEmotion emo(kApp + "Picture/Face");
    ASSERT_GE(emo.Groups().size(), 2u);
    size_t faces = 0;
    for (const TEmotionGroup& g : emo.Groups()) {
        EXPECT_EQ(g.first_index, static_cast<int32_t>(faces)) << g.name;
        for (const TEmotionInfo& f : g.faces) {
            EXPECT_EQ(f.id.size(), 32u);  // the code an emoticon token carries
            EXPECT_TRUE(IsPicture(f.org_path)) << f.org_path;
            EXPECT_EQ(f.org_path, kApp + "Picture/Face/" + f.id + ".gif");  // where the chat looks for it
            ++faces;
        }
    }
    ASSERT_EQ(emo.Images().size(), faces);
    for (const TBitmap& b : emo.Images()) {
        EXPECT_EQ(b.width, 20);
        EXPECT_EQ(b.height, 20);
    }
}

TEST(Installation, LevelsSettingsAndSkins) {
    TkelTypeCFG levels(kApp + "UserLevel.ini");
    ASSERT_GE(levels.LevelCount(), 5);
    EXPECT_FALSE(levels.LogoName.empty());
    for (const std::string& name : levels.LevelNames()) {
        EXPECT_TRUE(IsPicture(kApp + "Picture/Rate/" + name + ".gif")) << name;
        EXPECT_TRUE(IsPicture(kApp + "Picture/Resource/" + name + ".gif")) << name;
        std::string line = FillTemplate(levels.WelcomeTemplate(levels.LevelIndex(name)),
                                        {std::string("<img>"), std::string("T"), std::string("N"), int64_t{42}});
        EXPECT_NE(line.find("<img>"), std::string::npos) << name;
        EXPECT_NE(line.find("N(42)"), std::string::npos) << name;
    }
    for (const char* f : {"Picture/Resource/ImgsMicType.bmp", "Picture/Resource/ImgsHead16.bmp", "Picture/ImgsHead16.bmp",
                          "Picture/Resource/HallLogin.bmp", "Picture/Resource/ImgsChatMng.bmp", "Picture/Resource/默认头像.bmp",
                          "Picture/Laba/laba_0.gif", "Picture/Laba/laba_1.gif", "Picture/Laba/LabaBk_1.gif",
                          "Picture/kelControl/Audio0.bmp", "Picture/kelControl/Audio1.bmp", "Picture/Style.css",
                          "Picture/Emotion3D/0001.gif",
                          "audioconfig.ini", "Config.ini"})
        EXPECT_TRUE(IsPicture(kApp + f)) << f;

    TkelChatCFG cfg(kApp);
    cfg.Load({});
    EXPECT_EQ(cfg.PortHall, 23456);
    EXPECT_EQ(cfg.ServerCount, 1);

    // Each listed skin is a whole bundle whose style sheet finds its images.
    TSetSkin skins(kApp);
    ASSERT_GE(skins.SkinCount(), 2);
    for (int i = 0; i < skins.SkinCount(); ++i) {
        auto skin = LoadSkinFile(skins.SkinFolder() + (i == 0 ? "kelroom.skn" : "night.skn"));
        ASSERT_TRUE(skin) << i;
        const std::string& qss = skin->style_sheet;
        for (size_t at = 0; (at = qss.find("url(skin:", at)) != std::string::npos; ++at) {
            std::string name = qss.substr(at + 9, qss.find(')', at) - at - 9);
            bool found = false;
            for (const TSkinImage& img : skin->images) found = found || img.name == name;
            EXPECT_TRUE(found) << name;
        }
    }
}
