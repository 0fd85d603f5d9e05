#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "foundation/Gbk.h"

using namespace kel;

TEST(Gbk, RoundTripsChineseAndAscii) {
    const std::string text = "【系统】:欢迎 abc 123";
    std::string gbk = Utf8ToGbk(text);
    EXPECT_EQ(gbk.size(), 8u + 1 + 4 + 1 + 3 + 1 + 3);
    EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(Gbk, CutsOnlyOnCharacterBoundaries) {
    std::string gbk = Utf8ToGbk("a房间b");
    ASSERT_EQ(gbk.size(), 6u);
    EXPECT_EQ(GbkBoundary(gbk, 6), 6u);
    EXPECT_EQ(GbkBoundary(gbk, 4), 3u); // would split 间
    EXPECT_EQ(GbkBoundary(gbk, 2), 1u); // would split 房
    EXPECT_EQ(Utf8ToGbk("a房间b", 4), Utf8ToGbk("a房"));
    EXPECT_EQ(Utf8Boundary("a房", 3), 1u);
    EXPECT_EQ(Utf8Boundary("a房", 4), 4u);
}

TEST(Gbk, MalformedInputIsReplacedNotThrown) {
    EXPECT_EQ(GbkToUtf8(std::string("a\xB7", 2)), "a");        // lone lead byte at the end
    EXPECT_EQ(GbkToUtf8(std::string("\xFF" "b", 2)), "?b");    // never a GBK byte
    EXPECT_EQ(Utf8ToGbk("x\xC3(y"), "x?(y");                    // broken UTF-8
    EXPECT_EQ(Utf8ToGbk("😀"), "?");                             // not in GBK
}

TEST(Gbk, ConvertsOnSeveralThreadsAtOnce) {
    std::vector<std::thread> ts;
    std::atomic<int> bad{0};
    for (int t = 0; t < 3; ++t)
        ts.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (GbkToUtf8(Utf8ToGbk("房间密码错误")) != "房间密码错误") ++bad;
        });
    for (auto& t : ts) t.join();
    EXPECT_EQ(bad.load(), 0);
}
