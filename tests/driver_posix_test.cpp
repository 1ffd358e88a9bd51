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
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "codes/decode.h"
#include "driver_fixture.h"
#include "engine/driver.h"
#include "engine/output_path.h"
#include "engine/pipeline.h"

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

// A named pipe cannot start over: what detection reads past its sample is
// held (up to the limit a pipe has) and read again by the conversion.
TEST_F(DriverPosix, NamedPipeIsReadOnce) {
    const std::string sjis = "<p>\x82\xA0\x82\xA2</p>";  // あい
    const std::size_t beyond = vorlax::StreamConversion::kHeldLimit + vorlax::kDetectionSampleSize;
    for (const std::size_t head : {std::size_t{20000}, beyond}) {
        const std::string page = std::string(head, ' ') + sjis;
        vorlax::Options code;
        code.SWmcode = head < beyond ? vorlax::kShiftJis : vorlax::kEuc;
        ASSERT_EQ(mkfifo(Path("pipe.htm").c_str(), 0600), 0);
        std::thread writer([&] {
            if (std::FILE* f = std::fopen(Path("pipe.htm").c_str(), "wb")) {
                std::fwrite(page.data(), 1, page.size(), f);
                std::fclose(f);
            }
        });
        const int result = Convert(Path("pipe.htm"));
        writer.join();
        EXPECT_EQ(result, 1) << head;
        EXPECT_TRUE(Read(Path("pipe.txt")) == vorlax::ConvertHtml(code, page)) << head;
        fs::remove(Path("pipe.htm"));
        fs::remove(Path("pipe.txt"));
    }
}

// A folder of "depth" nested folders, each name 150 bytes long.
std::string DeepFolder(std::string folder, std::size_t depth) {
    for (std::size_t i = 0; i < depth; ++i) {
        folder += "/" + std::string(150, 'd');
        fs::create_directory(folder);
    }
    return folder;
}

TEST_F(DriverPosix, PathLongerThanWindowsAllowsIsConverted) {
    const std::string folder = DeepFolder(dir_.string(), 2);
    const std::string input = folder + "/a.htm";
    ASSERT_GT(input.size(), 300u);
    Write(input.substr(dir_.string().size() + 1), "x");
    EXPECT_EQ(Convert(input), 1);
    EXPECT_EQ(recorder_.events,
              (std::vector<std::string>{"converted " + input + " -> " + folder + "/a.txt",
                                        "editor " + folder + "/a.txt"}));
    EXPECT_EQ(vorlax::test::TempFolder::ReadFile(folder + "/a.txt"), "x\r\n");
}

TEST_F(DriverPosix, OutputPathOverThePlatformLimitIsReportedWithTheInput) {
    // An input two bytes under the limit, without extension: its output,
    // the name and ".TXT", is two bytes over.
    std::string folder = dir_.string();
    folder = DeepFolder(folder, (vorlax::kMaxPath - 200 - folder.size()) / 151);
    const std::string input =
        folder + "/" + std::string(vorlax::kMaxPath - 3 - folder.size(), 'n');
    ASSERT_EQ(input.size(), vorlax::kMaxPath - 2);
    ASSERT_LE(input.size() - folder.size() - 1, 255u);
    Write(input.substr(dir_.string().size() + 1), "x");
    EXPECT_EQ(Convert(input), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"long " + input}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace

#endif  // _WIN32
