#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>

#include "config/ChatCFG.h"
#include "config/LanguageRes.h"
#include "config/ServerList.h"
#include "foundation/kelUtils.h"
#include "support/TempDir.h"

using namespace kel;
using kel::test::TempDir;
namespace fs = std::filesystem;

namespace {

// A copy of the staged provider in a folder of its own, with its list.
std::string ProviderWithList(TempDir& dir, const std::string& list)
{
    fs::copy_file(std::string(KEL_APP_DIR) + "/" + kServerListProviderName, dir.File(kServerListProviderName));
    if (!list.empty()) dir.Write("ServerList.txt", list);
    return dir.Folder();
}

} // namespace

TEST(ServerListProvider, StagedApplicationFolderGivesTheLocalHall) {
    TkelChatCFG cfg(KEL_APP_DIR);
    cfg.Load([](const std::string& h) { return ResolveHost(h); });
    ASSERT_EQ(cfg.ServerCount, 1);
    EXPECT_EQ(cfg.ServerIP[0], ::inet_addr("127.0.0.1"));
}

TEST(ServerListProvider, ListBesideTheLibraryBecomesAddresses) {
    TempDir dir;
    ProviderWithList(dir,
                     "# hall servers\n"
                     "  127.0.0.2  \n"
                     "localhost\n"
                     "\n"
                     "no-such-host.invalid\n"
                     "this-host-name-is-far-too-long-for-an-entry.example\n"  // does not fit: left out
                     "10.9.8.7\n"
                     "10.9.8.6\n"
                     "10.9.8.5\n"
                     "10.9.8.4\n");  // a seventh usable line is not read
    TkelChatCFG cfg(dir.Folder());
    cfg.Load([](const std::string& h) { return ResolveHost(h); });
    ASSERT_EQ(cfg.ServerCount, 6);
    std::vector<uint32_t> expected = {::inet_addr("127.0.0.2"), ::inet_addr("127.0.0.1"), 0,
                                      ::inet_addr("10.9.8.7"), ::inet_addr("10.9.8.6"), ::inet_addr("10.9.8.5")};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(cfg.ServerIP[i], expected[i]) << i;
}

TEST(ServerListProvider, MissingLibraryOrExportLeavesTheListEmpty) {
    TempDir dir;
    TServerListRecord rec{};
    rec[0] = 3;
    EXPECT_FALSE(CallServerListProvider(dir.File(kServerListProviderName), rec));
    EXPECT_EQ(rec[0], 0);
    // A real shared object without the export.
    fs::copy_file(std::string(KEL_APP_DIR) + "/" + kLanguageResName, dir.File(kServerListProviderName));
    EXPECT_FALSE(CallServerListProvider(dir.File(kServerListProviderName), rec));
    TkelChatCFG cfg(dir.Folder());
    cfg.Load([](const std::string& h) { return ResolveHost(h); });
    EXPECT_EQ(cfg.ServerCount, 0);
}

TEST(LanguageRes, PhrasesFromTheStagedLibrary) {
    TLanguageRes res;
    ASSERT_TRUE(res.Load(KEL_APP_DIR));
    for (int32_t group : {1100, 1200, 2100, 2200}) {
        for (int i = 0; i < 20; ++i) {
            int32_t n = res.GetTag(group, "对方");
            ASSERT_GT(n, group);
            ASSERT_LT(n, group + 100);
            EXPECT_FALSE(res.GetStr(n).empty()) << n;
        }
    }
    EXPECT_EQ(res.GetTag(1300, "x"), 0);
    for (int32_t n = 3001; n <= 3012; ++n) EXPECT_FALSE(res.GetStr(n).empty()) << n;
    for (int32_t n = 4001; n <= 4024; ++n) {
        auto [first, second] = res.GetInterestingStrs(n);
        EXPECT_FALSE(first.empty() && second.empty()) << n;
    }
    EXPECT_EQ(res.GetInterestingStrs(4001).first, "轻轻地拍了拍");
    EXPECT_EQ(res.GetInterestingStrs(4021).first, "");  // an action of the sender alone
    EXPECT_FALSE(res.GetInterestingStrs(4021).second.empty());
    EXPECT_EQ(res.GetStr(5), "");
    EXPECT_EQ(res.GetInterestingStrs(4999), (std::pair<std::string, std::string>{"", ""}));

    TempDir empty;
    TLanguageRes none;
    EXPECT_FALSE(none.Load(empty.Folder()));
    EXPECT_EQ(none.GetTag(1100, "x"), 0);
    EXPECT_EQ(none.GetStr(1101), "");
}
