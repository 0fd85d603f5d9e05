// The input font kept per user across room windows.
#include <gtest/gtest.h>

#include "../support/TempDir.h"
#include "room/ChatFontStore.h"

namespace kel {
namespace {

TEST(ChatFontStore, SavedFontComesBack) {
    test::TempDir dir;
    ChatFont defaults = LoadChatFont(dir.Folder());
    EXPECT_EQ(defaults.Name, "宋体");
    EXPECT_EQ(defaults.Size, 10);
    EXPECT_EQ(defaults.Color, 0);
    EXPECT_EQ(defaults.Styles, 0);

    ChatFont f;
    f.Name = "黑体";
    f.Size = 12;
    f.Color = 0x0080ff;  // orange: red ff, green 80
    f.Styles = kFontBold;
    ASSERT_TRUE(SaveChatFont(dir.Folder(), f));
    ChatFont back = LoadChatFont(dir.Path().string());  // with or without the slash
    EXPECT_EQ(back.Name, "黑体");
    EXPECT_EQ(back.Size, 12);
    EXPECT_EQ(back.Color, 0x0080ff);
    EXPECT_EQ(back.Styles, kFontBold);
}

TEST(ChatFontStore, StylesText) {
    EXPECT_EQ(FontStylesText(0), "[]");
    EXPECT_EQ(FontStylesText(kFontBold | kFontUnderline), "[fsBold,fsUnderline,]");
    EXPECT_EQ(FontStylesText(15), "[fsBold,fsItalic,fsUnderline,fsStrikeOut]");
    for (uint8_t s = 0; s < 16; ++s) EXPECT_EQ(ParseFontStyles(FontStylesText(s)), s);
}

} // namespace
} // namespace kel
