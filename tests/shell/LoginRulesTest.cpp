#include "shell/LoginRules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/IniFile.h"

using namespace kel;
namespace fs = std::filesystem;

TEST(LoginRules, CheckLogin) {
    struct Case {
        const char* user;
        const char* pwd;
        bool ok;
        const char* message;
        bool clear;
        int32_t id;
    } cases[] = {
        {"12", "pw", true, "", false, 12},
        {"00012", "pw", true, "", false, 12},
        {" 12 ", " pw ", true, "", false, 12},
        {"   ", "pw", false, "用户号,密码不能为空！", false, 0},
        {"12", "   ", false, "用户号,密码不能为空！", false, 0},
        {"12a", "pw", false, "用户号密码为数字!", true, 0},
        {"99999999999", "pw", false, "用户号密码为数字!", true, 0},
        {"-3", "pw", false, "用户号小于0!", false, 0},
    };
    for (const auto& c : cases) {
        const auto r = CheckLogin(c.user, c.pwd);
        EXPECT_EQ(r.ok, c.ok) << c.user;
        EXPECT_EQ(r.message, c.message) << c.user;
        EXPECT_EQ(r.clear_fields, c.clear) << c.user;
        if (c.ok) {
            EXPECT_EQ(r.user_id, c.id);
            EXPECT_EQ(r.password, "pw");
            EXPECT_EQ(r.digest, "8fe4c11451281c094a6578e6ddbf5eed"); // md5sum of "pw"
        }
    }
}

TEST(LoginRules, OnePasswordRuleEverywhere) {
    // What registration and the self-information change send must be what
    // login sends for the same typed text.
    const std::string typed = "  secret ";
    EXPECT_EQ(PasswordDigest(typed), CheckLogin("5", typed).digest);
    EXPECT_EQ(PasswordDigest(typed), PasswordDigest("secret"));
}

TEST(LoginRules, UserIdKeys) {
    for (char32_t k : {U'0', U'9', U'\b'}) EXPECT_TRUE(UserIdKeyAllowed(k));
    for (char32_t k : {U'a', U' ', U'-', U'１', U'\r'}) EXPECT_FALSE(UserIdKeyAllowed(k));
}

TEST(LoginRules, SelfInfoChecks) {
    const std::string own = PasswordDigest("old");
    struct Case {
        const char *old_pwd, *n1, *n2;
        bool ok;
        const char* message;
        bool new_digest;
    } cases[] = {
        {"", "", "", true, "", false},
        {"", "x", "y", true, "", false}, // nickname only: new fields ignored
        {"bad", "n", "n", false, "旧登录密码输入错误!", false},
        {"old", "n", "m", false, "新登录密码输入错误!", false},
        {"old", "", "", false, "新登录密码输入错误!", false},
        {" old ", "new ", " new", true, "", true},
    };
    for (const auto& c : cases) {
        const auto r = CheckSelfInfo(c.old_pwd, c.n1, c.n2, own);
        EXPECT_EQ(r.ok, c.ok) << c.old_pwd << "/" << c.n1;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.new_digest.empty(), !c.new_digest);
        if (c.new_digest) {
            EXPECT_EQ(r.new_digest, PasswordDigest("new"));
        }
    }
}

namespace {
struct AppFolder {
    fs::path root = fs::temp_directory_path() / ("kel-login-" + std::to_string(getpid()));
    AppFolder() {
        fs::remove_all(root);
        fs::create_directories(root / "app");
    }
    ~AppFolder() { fs::remove_all(root); }
    std::string App() const { return (root / "app").string() + "/"; }
    static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }
};
} // namespace

TEST(LoginRules, DeleteUserRemovesOnlyTheNumbersOwnPlainFiles) {
    AppFolder f;
    const fs::path app = f.root / "app";
    fs::create_directories(app / "12" / "sub");
    AppFolder::Touch(app / "12" / "Config.ini");
    AppFolder::Touch(app / "12" / "sub" / "keep.txt");
    AppFolder::Touch(f.root / "outside.txt");
    fs::create_symlink(f.root / "outside.txt", app / "12" / "link");
    fs::create_directories(app / "13");
    AppFolder::Touch(app / "13" / "Config.ini");
    AppFolder::Touch(app / "Config.ini");
    {
        TIniFile info(f.App() + "LoginInfo.dat");
        info.WriteString("LoginID", "0", "13");
        info.WriteString("LoginID", "1", " 12 ");
        info.WriteString("LoginID", "2", "12");
    }

    // Texts that are no user number touch nothing at all.
    for (const char* text : {"../..", "..", "12/../13", "", "  ", "-1", "*"}) EXPECT_FALSE(DeleteLocalUser(f.App(), text)) << text;
    EXPECT_TRUE(fs::exists(app / "Config.ini"));
    EXPECT_TRUE(fs::exists(app / "13" / "Config.ini"));
    EXPECT_TRUE(fs::exists(app / "12" / "Config.ini"));

    EXPECT_TRUE(DeleteLocalUser(f.App(), "00012"));
    EXPECT_FALSE(fs::exists(app / "12" / "Config.ini"));
    EXPECT_TRUE(fs::exists(app / "12" / "sub" / "keep.txt")); // sub-folders stay
    EXPECT_TRUE(fs::exists(f.root / "outside.txt"));          // links are not followed
    EXPECT_TRUE(fs::exists(app / "13" / "Config.ini"));
    TIniFile info(f.App() + "LoginInfo.dat");
    EXPECT_EQ(info.ReadString("LoginID", "0"), "13");
    EXPECT_FALSE(info.ValueExists("LoginID", "1")); // the first equal entry only
    EXPECT_EQ(info.ReadString("LoginID", "2"), "12");
}

TEST(LoginRules, DeleteUserThroughALinkedFolderTouchesNothing) {
    AppFolder f;
    fs::create_directories(f.root / "elsewhere");
    AppFolder::Touch(f.root / "elsewhere" / "precious.txt");
    fs::create_directory_symlink(f.root / "elsewhere", f.root / "app" / "14");
    EXPECT_TRUE(DeleteLocalUser(f.App(), "14"));
    EXPECT_TRUE(fs::exists(f.root / "elsewhere" / "precious.txt"));
}

TEST(LoginRules, DeleteUserNotInTheListStillRemovesTheFolder) {
    AppFolder f;
    fs::create_directories(f.root / "app" / "15");
    AppFolder::Touch(f.root / "app" / "15" / "Config.ini");
    {
        TIniFile info(f.App() + "LoginInfo.dat");
        info.WriteString("LoginID", "0", "13");
    }
    EXPECT_TRUE(DeleteLocalUser(f.App(), "15"));
    EXPECT_FALSE(fs::exists(f.root / "app" / "15"));
    EXPECT_EQ(TIniFile(f.App() + "LoginInfo.dat").ReadString("LoginID", "0"), "13");
}

