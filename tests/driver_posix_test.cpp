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

namespace {

namespace fs = std::filesystem;

class Recorder final : public vorlax::ConversionReport {
public:
    void OpenFailed(const char* path) override { events.push_back("open " + std::string(path)); }
    void AccessFailed(const char* path) override {
        events.push_back("access " + std::string(path));
    }
    void PathTooLong(const char* path) override { events.push_back("long " + std::string(path)); }
    bool OpenInEditor(const char* output) override {
        events.push_back("editor " + std::string(output));
        return true;
    }
    std::vector<std::string> events;
};

class DriverPosix : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorlax_posix_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& e : fs::directory_iterator(dir_, ignored))
            fs::permissions(e.path(), fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& content) const {
        std::FILE* f = std::fopen(Path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::string Read(const std::string& name) const {
        std::FILE* f = std::fopen(Path(name).c_str(), "rb");
        if (!f) return "<unreadable>";
        std::string data;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
        std::fclose(f);
        return data;
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
        return names;
    }
    int Convert(const std::string& path) {
        return vorlax::ConvertFile(path.c_str(), options_, abort_, recorder_);
    }

    fs::path dir_;
    vorlax::Options options_;
    std::atomic<bool> abort_{false};
    Recorder recorder_;
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
    EXPECT_EQ(Read("a.txt"), "keep");
    EXPECT_EQ(Read("a.vorl0.txt"), "x\r\n");
}

TEST_F(DriverPosix, OutputNameDifferingInCaseIsItsOwnFile) {
    // On a case-sensitive file system INDEX.TXT is free although index.txt exists.
    Write("INDEX.HTM", "x");
    Write("index.txt", "keep");
    EXPECT_EQ(Convert(Path("INDEX.HTM")), 1);
    EXPECT_EQ(Read("index.txt"), "keep");
    EXPECT_EQ(Read("INDEX.TXT"), "x\r\n");
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
