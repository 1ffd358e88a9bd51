// Driver failures that need POSIX facilities: file-size limits, folders read
// as files, permissions.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "driver_fixture.h"

namespace {

namespace fs = std::filesystem;

class DriverPosix : public vorlax::test::DriverFixture {
protected:
    DriverPosix() : DriverFixture("vorlax_posix_") {}
};

TEST_F(DriverPosix, WriteErrorReportsTheOutputAndDeletesIt) {
    std::string big;
    for (int i = 0; i < 5000; ++i) big += "<p>paragraph " + std::to_string(i) + "</p>\n";
    Write("big.htm", big);

    // Writes beyond 4 KiB fail with EFBIG instead of raising SIGXFSZ.
    struct sigaction ignore = {}, old_action = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &old_action), 0);
    rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int result = Convert(Path("big.htm"));
    setrlimit(RLIMIT_FSIZE, &old_limit);
    sigaction(SIGXFSZ, &old_action, nullptr);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"access " + Path("big.txt")}));
    EXPECT_TRUE(abort_.load());
    EXPECT_EQ(Names(), (std::set<std::string>{"big.htm"}));
}

TEST_F(DriverPosix, ReadErrorReportsTheInputAndLeavesNoOutput) {
    // A folder opens as a stream on POSIX but cannot be read.
    fs::create_directory(dir_ / "folder.htm");
    EXPECT_EQ(Convert(Path("folder.htm")), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"access " + Path("folder.htm")}));
    EXPECT_TRUE(abort_.load());
    EXPECT_EQ(Names(), (std::set<std::string>{"folder.htm"}));
}

TEST_F(DriverPosix, UnreadableExistingOutputIsNotOverwritten) {
    Write("a.htm", "x");
    Write("a.txt", "keep");
    ASSERT_EQ(chmod(Path("a.txt").c_str(), 0), 0);
    EXPECT_EQ(Convert(Path("a.htm")), 1);
    ASSERT_EQ(chmod(Path("a.txt").c_str(), 0600), 0);
    EXPECT_EQ(Read(Path("a.txt")), "keep");
    EXPECT_EQ(Read(Path("a.vorl0.txt")), "x\r\n");
}

TEST_F(DriverPosix, OutputNameDifferingInCaseIsItsOwnFile) {
    // On a case-sensitive file system INDEX.TXT is free although index.txt exists.
    Write("INDEX.HTM", "x");
    Write("index.txt", "keep");
    EXPECT_EQ(Convert(Path("INDEX.HTM")), 1);
    EXPECT_EQ(Read(Path("index.txt")), "keep");
    EXPECT_EQ(Read(Path("INDEX.TXT")), "x\r\n");
}

TEST_F(DriverPosix, UnreadableInputIsAnOpenFailure) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    Write("a.htm", "x");
    ASSERT_EQ(chmod(Path("a.htm").c_str(), 0), 0);
    EXPECT_EQ(Convert(Path("a.htm")), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"open " + Path("a.htm")}));
    EXPECT_EQ(Names(), (std::set<std::string>{"a.htm"}));
}

TEST_F(DriverPosix, ReadOnlyFolderIsAnOpenFailureOnTheOutput) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    fs::create_directory(dir_ / "ro");
    Write("ro/a.htm", "x");
    ASSERT_EQ(chmod(Path("ro").c_str(), 0500), 0);
    EXPECT_EQ(Convert(Path("ro/a.htm")), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"open " + Path("ro/a.txt")}));
    EXPECT_FALSE(abort_.load());
}

}  // namespace

#endif  // _WIN32
