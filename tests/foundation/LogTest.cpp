#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "foundation/kelDebug.h"

using namespace kel;

namespace {

std::tm Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("kel-log-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        GlobalDebug().SetFolder("");
        GlobalDebug().Enabled = true;
        GlobalDebug().Active = true;
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }
    // The day file, whichever day it was when the lines were written.
    std::string Contents() const {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            if (e.path().extension() == ".log")
                all += ReadAll(e.path());
        return all;
    }

    std::filesystem::path dir_, previous_;
};

} // namespace

TEST(LogName, MonthAndDayWithoutLeadingZeros) {
    struct Case {
        int mon, mday;
        const char* name;
    };
    const Case cases[] = {{6, 4, "7-4.log"}, {11, 25, "12-25.log"}, {0, 1, "1-1.log"}, {8, 30, "9-30.log"}};
    for (const Case& c : cases) {
        std::tm t{};
        t.tm_mon = c.mon;
        t.tm_mday = c.mday;
        EXPECT_EQ(TDeBug::DayFileName(t), c.name);
    }
}

TEST_F(LogFile, AppendsStampedLinesEndedByCrLfInTheCurrentDirectory) {
    const std::string before = TDeBug::DayFileName(Today());
    Log("first");
    Log("第二行 second");
    const std::string after = TDeBug::DayFileName(Today());
    EXPECT_TRUE(std::filesystem::exists(dir_ / before) || std::filesystem::exists(dir_ / after));

    const std::regex want(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] first\r\n)"
                          R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] 第二行 second\r\n)");
    EXPECT_TRUE(std::regex_match(Contents(), want)) << Contents();
}

TEST_F(LogFile, WritesOnlyWhileBothFlagsAreSet) {
    GlobalDebug().Enabled = false;
    Log("not written");
    GlobalDebug().Enabled = true;
    GlobalDebug().Active = false;
    Log("not written either");
    EXPECT_EQ(Contents(), "");
    GlobalDebug().Active = true;
    Log("written");
    EXPECT_NE(Contents().find("] written\r\n"), std::string::npos);
}

TEST_F(LogFile, AnUnwritableFolderIsSwallowed) {
    GlobalDebug().SetFolder((dir_ / "no" / "such" / "folder").string());
    EXPECT_NO_THROW(Log("lost"));
    GlobalDebug().SetFolder("");
    EXPECT_EQ(Contents(), "");
}

TEST_F(LogFile, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                Log("thread " + std::to_string(t) + " line " + std::to_string(i) + std::string(100, 'x'));
        });
    for (auto& th : threads)
        th.join();
    const std::string all = Contents();
    const std::regex line(R"(\[[^\]]+\] thread \d line \d+x{100}\r\n)");
    const auto begin = std::sregex_iterator(all.begin(), all.end(), line);
    size_t count = 0, covered = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        ++count;
        covered += static_cast<size_t>(it->length());
    }
    EXPECT_EQ(count, static_cast<size_t>(kThreads * kLines));
    EXPECT_EQ(covered, all.size());
}
