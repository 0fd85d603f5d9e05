#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "config/ChatCFG.h"
#include "config/RightQuery.h"
#include "config/SetSkin.h"
#include "protocol/Encrypt.h"
#include "shell/Startup.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

// Launcher arguments made by the openssl command line, by plaintext.
std::map<std::string, std::string> Fixtures()
{
    std::map<std::string, std::string> out;
    std::ifstream in(KEL_CONFIG_FIXTURES "/ciphertexts.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream f(line);
        std::string key, plain, hex;
        std::getline(f, key, '\t');
        std::getline(f, plain, '\t');
        std::getline(f, hex, '\t');
        out[key + "/" + plain] = hex;
    }
    return out;
}

} // namespace

TEST(Startup, ArgumentCountChoosesTheMode) {
    auto fx = Fixtures();
    const std::string user = fx.at("pelimordanux/100234");
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {user}, {user, user, user}}) {
        TLaunchArgs a = ParseLaunchArgs(args);
        EXPECT_EQ(a.mode, TLaunchMode::Login) << args.size();
        EXPECT_EQ(a.user_id, 0);
        EXPECT_TRUE(a.error.empty());
    }
}

TEST(Startup, LauncherArgumentsTable) {
    auto fx = Fixtures();
    const std::string digest37 = "0123456789abcdef0123456789abcdefEXTRA";
    struct Case {
        const char* what;
        std::string user_arg;
        std::string pwd_arg;
        int32_t user_id;
        std::string digest;
        bool fails;
    } cases[] = {
        {"member", "  " + fx.at("pelimordanux/100234") + " \t", fx.at("tirvek/" + digest37), 100234, digest37.substr(0, 32), false},
        {"not a number is a guest", fx.at("pelimordanux/guest"), fx.at("tirvek/"), 0, "", false},
        {"length only", "0000000000000000", "0000000000000000", 0, "", false},
        {"user not hexadecimal", "xyz", fx.at("tirvek/"), 0, "", true},
        {"password not whole blocks", fx.at("pelimordanux/100234"), "0500000000000000ABCD", 0, "", true},
        // Only the first argument is trimmed.
        {"blank before the password", fx.at("pelimordanux/100234"), " " + fx.at("tirvek/"), 0, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLaunchArgs a = ParseLaunchArgs({c.user_arg, c.pwd_arg});
        EXPECT_EQ(a.mode, TLaunchMode::Launcher);
        EXPECT_EQ(a.user_id, c.user_id);
        EXPECT_EQ(a.pwd_digest, c.digest);
        EXPECT_EQ(!a.error.empty(), c.fails);
        if (c.fails) {
            EXPECT_NE(a.error.find("Invalid buffer size for decryption"), std::string::npos) << a.error;
        }
    }
}

TEST(Startup, GlobalsAreMadeInOrderAndFreedInReverse) {
    TempDir app;
    app.Write("Config.ini", "[ServerHall]\nPortHall=4321\n");
    std::vector<std::string> steps;
    std::vector<bool> seen_during;
    {
        TAppGlobals globals({app.Folder(), [](const std::string&) { return 0u; }, [&](const std::string& s) {
                                 steps.push_back(s);
                                 seen_during.push_back(GlobalEncrypt && GlobalChatCFG);
                             }});
        ASSERT_NE(GlobalEncrypt, nullptr);
        ASSERT_NE(GlobalChatCFG, nullptr);
        ASSERT_NE(GlobalSetSkin, nullptr);
        ASSERT_NE(GlobalRightQuery, nullptr);
        EXPECT_EQ(GlobalChatCFG->AppPath, app.Folder());
        EXPECT_EQ(GlobalChatCFG->PortHall, 4321);  // loaded at once
        EXPECT_EQ(GlobalSetSkin->SkinCount(), 0);  // no skins: start-up goes on
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"+log", "+sockets", "+encrypt", "+chatcfg", "+skin", "+rights",
                                                "-rights", "-skin", "-chatcfg", "-encrypt", "-sockets", "-log"}));
    // The configuration exists from its step until its own release.
    EXPECT_EQ(seen_during, (std::vector<bool>{false, false, false, true, true, true, true, true, false, false, false, false}));
    EXPECT_EQ(GlobalEncrypt, nullptr);
    EXPECT_EQ(GlobalChatCFG, nullptr);
    EXPECT_EQ(GlobalSetSkin, nullptr);
    EXPECT_EQ(GlobalRightQuery, nullptr);
}
