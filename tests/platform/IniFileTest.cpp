#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

const char* kSample =
    "; installation defaults\n"
    "[ServerHall]\n"
    "PortHall = 23456 \n"
    "PayPageUrl=\"http://pay.example/ \"\n"
    "HallURLID=0x1F\n"
    "portroom1=12px\n"
    "PortRoom1=999\n"
    "Broken line without equals\n"
    "\n"
    "[Set]\n"
    "SkinIndex=2\n"
    "[serverhall]\n"
    "PortRoom2=1\n";

} // namespace

TEST(IniFile, ReadsValuesAsTheProfileFunctionsDo) {
    TempDir dir;
    TIniFile ini(dir.Write("Config.ini", kSample));
    struct Case {
        const char* section;
        const char* key;
        const char* text;  // ReadString with default "def"
        int32_t number;    // ReadInteger with default -7
    } cases[] = {
        {"ServerHall", "PortHall", "23456", 23456},              // blanks around key and value
        {"SERVERHALL", "porthall", "23456", 23456},              // letter case ignored
        {"ServerHall", "PayPageUrl", "http://pay.example/ ", 0},  // quotes removed, inner blank kept
        {"ServerHall", "HallURLID", "0x1F", 31},                 // hexadecimal
        {"ServerHall", "PortRoom1", "12px", 12},                 // first of two equal keys, leading digits
        {"ServerHall", "PortRoom2", "def", -7},                  // only the first equal section counts
        {"ServerHall", "Broken line without equals", "def", -7},
        {"Set", "SkinIndex", "2", 2},
        {"Set", "Missing", "def", -7},
        {"Nowhere", "SkinIndex", "def", -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.text);
        EXPECT_EQ(ini.ReadInteger(c.section, c.key, -7), c.number);
    }
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"ServerHall", "Set"}));
    EXPECT_EQ(ini.ReadSection("serverhall"),
              (std::vector<std::string>{"PortHall", "PayPageUrl", "HallURLID", "portroom1"}));
}

TEST(IniFile, IntegerAndBooleanTextTable) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"", 42},  // empty value gives the default
        {"   ", 42},
        {"0", 0},
        {"-15", -15},
        {"+8", 8},
        {"0X10", 16},
        {"0b101", 5},
        {"0o17", 15},
        {"007", 7},
        {"abc", 0},
        {"true", 0},  // booleans are integers: text that is no number is false
        {"1 2", 1},
        {"4294967295", -1},  // 32-bit wrap-around
        {"2147483648", INT32_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TIniFile::ParseProfileInt(c.text, 42), c.value);
    }
    TempDir dir;
    TIniFile ini(dir.Write("b.ini", "[A]\nyes=2\nno=0\nword=true\nempty=\n"));
    EXPECT_TRUE(ini.ReadBool("A", "yes", false));
    EXPECT_FALSE(ini.ReadBool("A", "no", true));
    EXPECT_FALSE(ini.ReadBool("A", "word", true));
    EXPECT_TRUE(ini.ReadBool("A", "empty", true));
    EXPECT_TRUE(ini.ReadBool("A", "absent", true));
}

TEST(IniFile, MissingFileGivesDefaultsAndWritingCreatesIt) {
    TempDir dir;
    TIniFile ini(dir.File("new.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", "x"), "x");
    EXPECT_TRUE(ini.ReadSections().empty());
    ASSERT_TRUE(ini.WriteInteger("S", "K", 5));
    ASSERT_TRUE(ini.WriteBool("S", "On", true));
    EXPECT_EQ(dir.Read("new.ini"), "[S]\nK=5\nOn=1\n");

    TIniFile nowhere(dir.File("no/such/folder/x.ini"));
    EXPECT_FALSE(nowhere.WriteString("S", "K", "v"));
    // Something that is not a readable file is never replaced.
    dir.Write("folder.ini/keep", "x");
    TIniFile folder(dir.File("folder.ini"));
    EXPECT_FALSE(folder.WriteString("S", "K", "v"));
    EXPECT_EQ(dir.Read("folder.ini/keep"), "x");
}

TEST(IniFile, WritingChangesOnlyItsLineAndKeepsTheRest) {
    TempDir dir;
    std::string path = dir.Write("c.ini",
                                 "\xEF\xBB\xBF; comment\r\n"
                                 "[一]\r\n"
                                 "Name=旧\r\n"
                                 "Other=1\r\n"
                                 "\r\n"
                                 "[Two]\r\n"
                                 "x=1\r\n");
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteString("一", "NAME", "新 值"));   // existing key keeps its spelling
    ASSERT_TRUE(ini.WriteString("一", "Added", "a"));     // new key after the last key
    ASSERT_TRUE(ini.WriteString("Three", "k", "v\nw"));   // new section; a line break cannot split it
    EXPECT_EQ(dir.Read("c.ini"),
              "\xEF\xBB\xBF; comment\r\n"
              "[一]\r\n"
              "Name=新 值\r\n"
              "Other=1\r\n"
              "Added=a\r\n"
              "\r\n"
              "[Two]\r\n"
              "x=1\r\n"
              "\r\n"
              "[Three]\r\n"
              "k=v w\r\n");
    EXPECT_EQ(ini.ReadString("一", "name"), "新 值");
    EXPECT_FALSE(ini.WriteString("Bad]", "k", "v"));
    EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
}

TEST(IniFile, WritesThroughTwoObjectsOnOneFileBothSurvive) {
    TempDir dir;
    std::string path = dir.Write("d.ini", "[Set]\nSkinIndex=0\n");
    TIniFile a(path), b(path);
    ASSERT_TRUE(a.WriteInteger("Set", "SkinIndex", 1));
    ASSERT_TRUE(b.WriteBool("HallLoginSet", "SavePwd", true));
    TIniFile c(path);
    EXPECT_EQ(c.ReadInteger("Set", "SkinIndex"), 1);
    EXPECT_TRUE(c.ReadBool("HallLoginSet", "SavePwd"));
}

TEST(IniFile, DeletesKeysAndWholeSections) {
    TempDir dir;
    std::string path = dir.Write("e.ini",
                                 "[LoginID]\n0=100\n1=200\n2=300\n"
                                 "[Keep]\nk=v\n"
                                 "[loginid]\n9=stray\n");
    TIniFile ini(path);
    ASSERT_TRUE(ini.DeleteKey("loginid", "1"));
    EXPECT_EQ(ini.ReadSection("LoginID"), (std::vector<std::string>{"0", "2"}));
    ASSERT_TRUE(ini.DeleteKey("LoginID", "absent"));
    ASSERT_TRUE(ini.EraseSection("LOGINID"));
    EXPECT_EQ(dir.Read("e.ini"), "[Keep]\nk=v\n");
    EXPECT_FALSE(ini.SectionExists("LoginID"));
    EXPECT_TRUE(ini.ValueExists("keep", "K"));
}
