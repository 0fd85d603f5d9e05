#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <map>

#include "config/ChatCFG.h"
#include "config/ScramblePassword.h"
#include "config/TextCipher.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;

namespace {

struct FakeResolver {
    std::map<std::string, uint32_t> known;
    std::vector<std::string> asked;
    THostResolver Fn()
    {
        return [this](const std::string& host) {
            asked.push_back(host);
            auto it = known.find(host);
            return it == known.end() ? 0u : it->second;
        };
    }
};

uint32_t Ip(const char* dotted) { return ::inet_addr(dotted); }

// Writes one entry the way a provider does: length byte, then the text.
void PutEntry(TServerListRecord& r, int i, const std::string& text, int length_byte = -1)
{
    size_t at = 4 + static_cast<size_t>(i) * 101;
    r[at] = static_cast<uint8_t>(length_byte < 0 ? text.size() : static_cast<size_t>(length_byte));
    std::copy(text.begin(), text.end(), r.begin() + static_cast<std::ptrdiff_t>(at + 1));
}

void PutCount(TServerListRecord& r, int32_t n)
{
    for (int b = 0; b < 4; ++b) r[static_cast<size_t>(b)] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * b));
}

} // namespace

TEST(ChatCFG, ReadsConfigIniWithDefaultsForWhatIsMissing) {
    TempDir dir;
    FakeResolver res;
    {
        TkelChatCFG cfg(dir.Path().string());  // no trailing slash given
        cfg.Load(res.Fn());
        EXPECT_EQ(cfg.AppPath, dir.Folder());
        EXPECT_EQ(cfg.ServerCount, 0);  // no provider beside the executable
        EXPECT_EQ(cfg.PortHall, 23456);
        EXPECT_EQ(cfg.PortRoom1, 20011);
        EXPECT_EQ(cfg.PortRoom2, 20022);
        EXPECT_EQ(cfg.PortRoom3, 20033);
        EXPECT_EQ(cfg.HallURLID, 0);
        EXPECT_EQ(cfg.PayPageUrl, kDefaultPayPageUrl);
        EXPECT_FALSE(cfg.SavePwd);
    }
    dir.Write("Config.ini",
              "[ServerHall]\nPortHall=7000\nPortRoom1=65537\nPortRoom3=0x100\nHallURLID=-4\n"
              "PayPageUrl=http://pay.local/\n[HallLoginSet]\nSavePwd=1\n");
    TkelChatCFG cfg(dir.Folder());
    cfg.MediaTicket = 99;
    cfg.Load(res.Fn());
    EXPECT_EQ(cfg.PortHall, 7000);
    EXPECT_EQ(cfg.PortRoom1, 1);  // kept as a 16-bit value
    EXPECT_EQ(cfg.PortRoom2, 20022);
    EXPECT_EQ(cfg.PortRoom3, 256);
    EXPECT_EQ(cfg.HallURLID, -4);
    EXPECT_EQ(cfg.PayPageUrl, "http://pay.local/");
    EXPECT_TRUE(cfg.SavePwd);
    EXPECT_EQ(cfg.MediaTicket, 0);

    cfg.SaveLoginSet(false);
    TkelChatCFG again(dir.Folder());
    again.Load(res.Fn());
    EXPECT_FALSE(again.SavePwd);
    EXPECT_EQ(again.PortHall, 7000);  // the rest of the file is still there
}

TEST(ChatCFG, ServerListRecordTable) {
    const std::string local = EncryptString("127.0.0.1", kServerListKey);
    const std::string named = EncryptString("hall.kelroom.lan", kServerListKey);
    const std::string unknown = EncryptString("no.such.host", kServerListKey);
    struct Case {
        const char* what;
        int32_t count;
        std::vector<std::pair<std::string, int>> entries;  // text, length byte (-1: its size)
        std::vector<uint32_t> expected;
        std::vector<std::string> asked;
    } cases[] = {
        {"none", 0, {{local, -1}}, {}, {}},
        {"negative count", -3, {{local, -1}}, {}, {}},
        {"two", 2, {{local, -1}, {named, -1}}, {Ip("127.0.0.1"), Ip("10.1.2.3")}, {"127.0.0.1", "hall.kelroom.lan"}},
        {"seven trusted as six", 7,
         {{local, -1}, {local, -1}, {local, -1}, {local, -1}, {local, -1}, {named, -1}},
         std::vector<uint32_t>(5, Ip("127.0.0.1")), {}},
        {"unresolvable host", 2, {{unknown, -1}, {local, -1}}, {0, Ip("127.0.0.1")}, {"no.such.host", "127.0.0.1"}},
        {"not hexadecimal", 1, {{"nothex!", -1}}, {0}, {}},
        {"cut to odd blocks", 1, {{local.substr(0, 40), -1}}, {0}, {}},
        // A length byte over 100 is read as 100: the entry's own 100 bytes
        // and nothing of the next entry.
        {"over-long length byte", 2, {{std::string(100, 'A'), 255}, {local, -1}}, {0, Ip("127.0.0.1")}, {}},
    };
    cases[3].expected.push_back(Ip("10.1.2.3"));
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeResolver res;
        res.known = {{"127.0.0.1", Ip("127.0.0.1")}, {"hall.kelroom.lan", Ip("10.1.2.3")}};
        TServerListRecord rec{};
        PutCount(rec, c.count);
        for (size_t i = 0; i < c.entries.size(); ++i) PutEntry(rec, static_cast<int>(i), c.entries[i].first, c.entries[i].second);
        TkelChatCFG cfg("/nowhere");
        cfg.SetServerList(rec, res.Fn());
        ASSERT_EQ(cfg.ServerCount, static_cast<int32_t>(c.expected.size()));
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(cfg.ServerIP[i], c.expected[i]) << i;
        if (!c.asked.empty()) {
            EXPECT_EQ(res.asked, c.asked);
        }
        if (c.count <= 0) {
            EXPECT_TRUE(res.asked.empty());
        }
    }
}

TEST(ChatCFG, RememberedLoginListKeepsTenDistinctNumbersNewestFirst) {
    TempDir dir;
    TkelChatCFG cfg(dir.Folder());
    std::vector<std::string> list;
    cfg.ReadLoginList(list);
    EXPECT_TRUE(list.empty());  // no file

    dir.Write("LoginInfo.dat", "[LoginID]\n0=300\n1=  \n2=200\n3=100\n");
    cfg.ReadLoginList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"300", "200", "100"}));  // blank entry skipped

    struct Step {
        const char* save;
        std::vector<std::string> after;
    } steps[] = {
        {"200", {"200", "300", "100"}},  // an existing number moves to the front once
        {"200", {"200", "300", "100"}},  // saving the first one again keeps one copy
        {"1", {"1", "200", "300", "100"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.save);
        ASSERT_TRUE(cfg.WriteLoginList(s.save));
        list.clear();
        cfg.ReadLoginList(list);
        EXPECT_EQ(list, s.after);
    }
    for (int n = 2; n <= 7; ++n) cfg.WriteLoginList(std::to_string(n));
    list.clear();
    cfg.ReadLoginList(list);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front(), "7");
    EXPECT_EQ(list.back(), "100");
    cfg.WriteLoginList("8");  // the eleventh distinct number drops the oldest
    list.clear();
    cfg.ReadLoginList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"8", "7", "6", "5", "4", "3", "2", "1", "200", "300"}));
    EXPECT_EQ(dir.Read("LoginInfo.dat").find("100"), std::string::npos);
}

TEST(ScramblePassword, StoredFormReadsBack) {
    EXPECT_EQ(ScramblePassword("abc").size(), 6u);
    EXPECT_EQ(ScramblePassword(""), "");
    for (const char* pwd : {"abc", "p@ss w0rd", "密码123", "x"}) {
        std::string stored = ScramblePassword(pwd);
        SCOPED_TRACE(pwd);
        for (char c : stored) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(static_cast<unsigned char>(c)));
        EXPECT_EQ(UnscramblePassword(stored), pwd);
        std::string lower = stored;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(UnscramblePassword(lower), pwd);
    }
    std::string s = ScramblePassword("abc");
    EXPECT_EQ(UnscramblePassword(s.substr(0, 2) + "g" + s.substr(2, 2) + " \n" + s.substr(4)), "abc");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("  padded  ")), "padded");
    // A lone digit before a stray character is a byte of its own value and
    // the stray character goes with it: pair, "5?", pair, pair.
    std::string lone = s.substr(0, 2) + "5?" + s.substr(2);
    std::string read = UnscramblePassword(lone);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0], 'a');
    uint8_t key1 = static_cast<uint8_t>('b') ^ static_cast<uint8_t>(std::stoi(s.substr(2, 2), nullptr, 16));
    EXPECT_EQ(static_cast<uint8_t>(read[1]), 0x05 ^ key1);
}

TEST(ChatCFG, PasswordIsRememberedInTheUserFolder) {
    TempDir dir;
    TkelChatCFG cfg(dir.Folder());
    EXPECT_EQ(cfg.UserFolder(100234), dir.Folder() + "100234/");
    cfg.SavedPwd = "stale";
    cfg.LoadUserPassword(100234);
    EXPECT_EQ(cfg.SavedPwd, "");  // no folder yet

    ASSERT_TRUE(cfg.SaveUserPassword(100234, "secret"));
    EXPECT_EQ(cfg.CurUserID, 100234);
    std::string stored = dir.Read("100234/Config.ini");
    EXPECT_EQ(stored, "[Set]\nUserPwd=" + ScramblePassword("secret") + "\n");
    cfg.LoadUserPassword(100234);
    EXPECT_EQ(cfg.SavedPwd, "secret");

    ASSERT_TRUE(cfg.SaveUserPassword(100234, ""));
    cfg.LoadUserPassword(100234);
    EXPECT_EQ(cfg.SavedPwd, "");
}
