// Starting a program beside the running one without waiting for it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/AppFolder.h"
#include "platform/StartProgram.h"
#include "support/TempDir.h"

namespace kel {
namespace {

TEST(StartProgram, StartsTheProgramBesideUsInItsFolderWithoutArguments)
{
    test::TempDir dir;
    const std::string fifo = dir.File("said");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The stand-in reports its folder and argument count through the fifo,
    // which the test reads (the read waits for the program, not a clock).
    const std::string script = dir.Write("Calibrator", "#!/bin/sh\necho \"$(pwd) $#\" > said\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);

    SetApplicationFolder(dir.Folder());
    std::string error;
    const bool started = StartProgram("Calibrator", error);
    SetApplicationFolder("");
    ASSERT_TRUE(started) << error;
    const int fd = ::open(fifo.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buf[4096];
    std::string said;
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) said.append(buf, static_cast<size_t>(n));
    ::close(fd);
    EXPECT_EQ(said, std::filesystem::canonical(dir.Path()).string() + " 0\n");
}

TEST(StartProgram, RefusesMissingAndUnsafeNames)
{
    test::TempDir dir;
    dir.Write("NotExecutable", "#!/bin/sh\n");
    std::string error;
    EXPECT_FALSE(StartProgram("Calibrator", error, dir.Folder()));
    EXPECT_NE(error.find("Calibrator"), std::string::npos);
    EXPECT_FALSE(StartProgram("NotExecutable", error, dir.Folder()));
    EXPECT_FALSE(StartProgram("../bin/sh", error, dir.Folder()));
    EXPECT_FALSE(StartProgram("", error, dir.Folder()));
}

} // namespace
} // namespace kel
