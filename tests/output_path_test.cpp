// Output naming: folder, ".txt", the ".vorl" n collision suffix, letter case
// and the length limit.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/output_path.h"

namespace {

namespace fs = std::filesystem;
using vorlax::kPosixPaths;
using vorlax::kWindowsPaths;
using vorlax::NameTaker;
using vorlax::OutputPath;

const std::string kHyo = "\x95\x5C";  // 表

// A file system in a set of names; records every name it was asked for.
class FakeTaker final : public NameTaker {
public:
    explicit FakeTaker(std::set<std::string> existing, std::string failing = "")
        : existing_(std::move(existing)), failing_(std::move(failing)) {}
    Result Take(const std::string& path) override {
        asked.push_back(path);
        if (path == failing_) return kFailed;
        return existing_.insert(path).second ? kTaken : kExists;
    }
    std::vector<std::string> asked;

private:
    std::set<std::string> existing_;
    std::string failing_;
};

struct NamingCase {
    std::string input;
    std::int16_t SWfolda;
    std::string SaveFolda;
    std::int16_t SWsfn;
    std::set<std::string> existing;
    std::string output;
};

vorlax::Options MakeOptions(const NamingCase& c) {
    vorlax::Options o;
    o.SWfolda = c.SWfolda;
    o.SWsfn = c.SWsfn;
    std::memcpy(o.SaveFolda, c.SaveFolda.c_str(), c.SaveFolda.size() + 1);
    return o;
}

const NamingCase kWindowsNaming[] = {
    // Beside the input, with the collision suffix.
    {"C:\\web\\index.html", 1, "", 0, {}, "C:\\web\\index.txt"},
    {"C:\\web\\index.html", 1, "", 0, {"C:\\web\\index.txt"}, "C:\\web\\index.vorl0.txt"},
    {"C:\\web\\index.html", 1, "", 0, {"C:\\web\\index.txt", "C:\\web\\index.vorl0.txt"},
     "C:\\web\\index.vorl1.txt"},
    {"C:\\web\\index.html", 1, "", 0, {"C:\\web\\index.vorl0.txt"}, "C:\\web\\index.txt"},
    // The input itself is never the output.
    {"C:\\web\\a.txt", 1, "", 0, {"C:\\web\\a.txt"}, "C:\\web\\a.vorl0.txt"},
    // The save folder, with and without its final "\", and ending in 表.
    {"C:\\web\\index.html", 0, "D:\\out", 0, {}, "D:\\out\\index.txt"},
    {"C:\\web\\index.html", 0, "D:\\out\\", 0, {}, "D:\\out\\index.txt"},
    {"C:\\web\\index.html", 0, "D:\\" + kHyo, 0, {}, "D:\\" + kHyo + "\\index.txt"},
    {"C:\\web\\index.html", 0, "D:\\" + kHyo + "\\", 0, {}, "D:\\" + kHyo + "\\index.txt"},
    {"C:\\web\\index.html", 0, "", 0, {}, "index.txt"},
    {"C:\\web\\index.html", 0, "D:\\out", 0, {"D:\\out\\index.txt"}, "D:\\out\\index.vorl0.txt"},
    // Folders with dots and double-byte names keep their folder intact.
    {"C:\\my.dir\\page", 1, "", 0, {}, "C:\\my.dir\\page.TXT"},
    {"C:\\" + kHyo + "\\a.htm", 1, "", 0, {}, "C:\\" + kHyo + "\\a.txt"},
    {"C:\\" + kHyo + ".d\\" + kHyo, 0, "E:\\", 0, {}, "E:\\" + kHyo + ".TXT"},
    {"a.b.htm", 1, "", 0, {}, "a.b.txt"},
    {"dir\\.profile", 1, "", 0, {}, "dir\\.txt"},
    {".profile", 1, "", 0, {}, ".profile.txt"},
    // SWsfn = 0: the extension's letter case.
    {"C:\\w\\INDEX.HTM", 1, "", 0, {}, "C:\\w\\INDEX.TXT"},
    {"C:\\w\\index.HTM", 1, "", 0, {}, "C:\\w\\index.TXT"},
    {"C:\\w\\Index.Htm", 1, "", 0, {}, "C:\\w\\Index.txt"},
    {"C:\\w\\readme", 1, "", 0, {}, "C:\\w\\readme.TXT"},
    {"C:\\w\\INDEX.HTM", 1, "", 0, {"C:\\w\\INDEX.TXT"}, "C:\\w\\INDEX.vorl0.TXT"},
    {"C:\\w\\a.123", 1, "", 0, {}, "C:\\w\\a.TXT"},
    // SWsfn = 1: 8.3 names in capitals, the whole file-name part only.
    {"C:\\web\\INDEX.htm", 1, "", 1, {}, "C:\\web\\INDEX.TXT"},
    {"C:\\web\\index.htm", 1, "", 1, {}, "C:\\web\\INDEX.TXT"},
    {"C:\\web\\abcdefgh.html", 1, "", 1, {}, "C:\\web\\ABCDEFGH.TXT"},
    {"C:\\web\\abcdefghi.htm", 1, "", 1, {}, "C:\\web\\abcdefghi.txt"},
    {"C:\\web\\" + kHyo + "a.htm", 1, "", 1, {}, "C:\\web\\" + kHyo + "a.txt"},
    {"C:\\web\\index.htm", 1, "", 1, {"C:\\web\\INDEX.TXT"}, "C:\\web\\INDEX.VORL0.TXT"},
    {"C:\\web\\Index.HTM", 1, "", 1, {"C:\\web\\index.txt"}, "C:\\web\\INDEX.TXT"},
    {"C:\\web\\index.htm", 0, "d:\\out", 1, {}, "d:\\out\\INDEX.TXT"},
    // Half-width katakana are single bytes: the name is still 8.3.
    {"C:\\web\\\xB1\xB2x.htm", 1, "", 1, {}, "C:\\web\\\xB1\xB2X.TXT"},
};

TEST(OutputPath, WindowsNaming) {
    for (const NamingCase& c : kWindowsNaming) {
        SCOPED_TRACE("input: " + c.input + " SaveFolda: " + c.SaveFolda);
        FakeTaker taker(c.existing);
        std::string output = "stale";
        EXPECT_EQ(vorlax::MakeOutputPath(MakeOptions(c), c.input, output, taker, kWindowsPaths),
                  OutputPath::kTaken);
        EXPECT_EQ(output, c.output);
        // The chosen name is the first free candidate: every name tried before it exists.
        ASSERT_FALSE(taker.asked.empty());
        EXPECT_EQ(taker.asked.back(), c.output);
        for (std::size_t i = 0; i + 1 < taker.asked.size(); ++i)
            EXPECT_EQ(c.existing.count(taker.asked[i]), 1u) << taker.asked[i];
    }
}

const NamingCase kPosixNaming[] = {
    {"/srv/web/index.html", 1, "", 0, {"/srv/web/index.txt"}, "/srv/web/index.vorl0.txt"},
    {"/srv/web/index.html", 0, "/out", 0, {}, "/out/index.txt"},
    {"/srv/web/index.html", 0, "/out/", 0, {}, "/out/index.txt"},
    // A final 0x5C is an ordinary byte of a POSIX name.
    {"/srv/web/index.html", 0, "/" + kHyo, 0, {}, "/" + kHyo + "/index.txt"},
    {"a\\b.htm", 1, "", 0, {}, "a\\b.txt"},
    {"C:x.HTM", 1, "", 0, {}, "C:x.TXT"},
    // UTF-8 names: the dot after "い" (E3 81 84) counts; not an 8.3 name.
    {"d/\xE3\x81\x84.htm", 1, "", 1, {}, "d/\xE3\x81\x84.txt"},
    {"d/x.htm", 1, "", 1, {}, "d/X.TXT"},
};

TEST(OutputPath, PosixNaming) {
    for (const NamingCase& c : kPosixNaming) {
        SCOPED_TRACE("input: " + c.input + " SaveFolda: " + c.SaveFolda);
        FakeTaker taker(c.existing);
        std::string output;
        EXPECT_EQ(vorlax::MakeOutputPath(MakeOptions(c), c.input, output, taker, kPosixPaths),
                  OutputPath::kTaken);
        EXPECT_EQ(output, c.output);
    }
}

// The platform's own limit, less the NUL it counts: MAX_PATH (260) on
// Windows, PATH_MAX elsewhere.
TEST(OutputPath, LimitIsThePlatforms) {
#ifdef _WIN32
    EXPECT_EQ(vorlax::kMaxPath, 259u);
#else
    EXPECT_EQ(vorlax::kMaxPath, static_cast<std::size_t>(PATH_MAX) - 1);
#endif
}

TEST(OutputPath, LengthLimit) {
    using vorlax::kMaxPath;
    vorlax::Options o;
    {
        // b.txt is exactly the limit.
        const std::string input = std::string(kMaxPath - 6, 'a') + "\\b.htm";
        FakeTaker taker({});
        std::string output;
        EXPECT_EQ(vorlax::MakeOutputPath(o, input, output, taker, kWindowsPaths),
                  OutputPath::kTaken);
        EXPECT_EQ(output.size(), kMaxPath);
    }
    {
        // One byte more.
        const std::string input = std::string(kMaxPath - 5, 'a') + "\\b.htm";
        FakeTaker taker({});
        std::string output = "stale";
        EXPECT_EQ(vorlax::MakeOutputPath(o, input, output, taker, kWindowsPaths),
                  OutputPath::kTooLong);
        EXPECT_EQ(output, "");
        EXPECT_TRUE(taker.asked.empty());
    }
    {
        // The suffix pushes the second candidate over the limit.
        const std::string input = std::string(kMaxPath - 10, 'a') + "\\b.htm";  // b.txt: 4 bytes under
        FakeTaker taker({input.substr(0, input.size() - 4) + ".txt"});
        std::string output;
        EXPECT_EQ(vorlax::MakeOutputPath(o, input, output, taker, kWindowsPaths),
                  OutputPath::kTooLong);
        EXPECT_EQ(taker.asked.size(), 1u);
    }
    {
        // A save folder as long as its buffer holds and a name: too long
        // where the limit is MAX_PATH.
        std::memset(o.SaveFolda, 'd', 259);
        o.SaveFolda[259] = '\0';
        o.SWfolda = 0;
        FakeTaker taker({});
        std::string output;
        EXPECT_EQ(vorlax::MakeOutputPath(o, "x.htm", output, taker, kWindowsPaths),
                  259 + 6 > kMaxPath ? OutputPath::kTooLong : OutputPath::kTaken);
    }
}

TEST(OutputPath, TakerFailureNamesTheCandidate) {
    vorlax::Options o;
    o.SWfolda = 0;
    std::strcpy(o.SaveFolda, "Z:\\none");
    FakeTaker taker({"Z:\\none\\x.txt"}, "Z:\\none\\x.vorl0.txt");
    std::string output;
    EXPECT_EQ(vorlax::MakeOutputPath(o, "x.htm", output, taker, kWindowsPaths),
              OutputPath::kCreateFailed);
    EXPECT_EQ(output, "Z:\\none\\x.vorl0.txt");
}

// On disk: the exclusive create never overwrites, whatever the existing file is.
class OutputPathOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorlax_naming_" + std::to_string(std::random_device()()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
        return names;
    }
    fs::path dir_;
};

TEST_F(OutputPathOnDisk, CollisionsAreSkippedAndNothingIsOverwritten) {
    vorlax::Options o;
    Write("index.html", "<p>x");
    const std::string expected[] = {"index.txt", "index.vorl0.txt", "index.vorl1.txt"};
    for (const std::string& name : expected) {
        vorlax::NewFileTaker taker;
        std::string output;
        ASSERT_EQ(vorlax::MakeOutputPath(o, Path("index.html"), output, taker),
                  OutputPath::kTaken);
        EXPECT_EQ(output, Path(name));
        std::FILE* f = taker.Release();
        ASSERT_NE(f, nullptr);
        std::fputs(name.c_str(), f);
        std::fclose(f);
    }
    for (const std::string& name : expected) EXPECT_EQ(Read(name), name);
    EXPECT_EQ(Read("index.html"), "<p>x");
}

TEST_F(OutputPathOnDisk, InputNamedTxtIsKept) {
    vorlax::Options o;
    Write("a.txt", "keep");
    vorlax::NewFileTaker taker;
    std::string output;
    ASSERT_EQ(vorlax::MakeOutputPath(o, Path("a.txt"), output, taker), OutputPath::kTaken);
    EXPECT_EQ(output, Path("a.vorl0.txt"));
    EXPECT_EQ(Read("a.txt"), "keep");
}

TEST_F(OutputPathOnDisk, FolderOfThatNameIsSkipped) {
    vorlax::Options o;
    fs::create_directory(dir_ / "b.txt");
    vorlax::NewFileTaker taker;
    std::string output;
    ASSERT_EQ(vorlax::MakeOutputPath(o, Path("b.htm"), output, taker), OutputPath::kTaken);
    EXPECT_EQ(output, Path("b.vorl0.txt"));
}

TEST_F(OutputPathOnDisk, SaveFolderThatDoesNotExist) {
    vorlax::Options o;
    o.SWfolda = 0;
    const std::string folder = Path("missing");
    std::memcpy(o.SaveFolda, folder.c_str(), folder.size() + 1);
    vorlax::NewFileTaker taker;
    std::string output;
    EXPECT_EQ(vorlax::MakeOutputPath(o, "x.htm", output, taker), OutputPath::kCreateFailed);
    EXPECT_EQ(output, folder + std::string(1, vorlax::kNativePaths.folder_separator) + "x.txt");
    EXPECT_EQ(taker.Release(), nullptr);
    EXPECT_TRUE(Names().empty());
}

TEST_F(OutputPathOnDisk, CapitalNameIsTheOneTaken) {
    // The name tested for existence is the name written, in its final case.
    vorlax::Options o;
    Write("INDEX.TXT", "keep");
    vorlax::NewFileTaker taker;
    std::string output;
    ASSERT_EQ(vorlax::MakeOutputPath(o, Path("INDEX.HTM"), output, taker), OutputPath::kTaken);
    EXPECT_EQ(output, Path("INDEX.vorl0.TXT"));
    EXPECT_EQ(Read("INDEX.TXT"), "keep");
}

}  // namespace
