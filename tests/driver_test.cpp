// The file conversion driver on real files in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/output_path.h"
#include "driver_fixture.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using vorlax::Stage;

const char kSep = vorlax::kNativePaths.folder_separator;
const std::string kHyo = "\x95\x5C";  // 表
const std::string kInput = "one<br>" + kHyo + " two";
const std::string kText = "one\r\n" + kHyo + " two\r\n";

class Driver : public vorlax::test::DriverFixture {
protected:
    Driver() : DriverFixture("vorlax_driver_") {}
};

TEST_F(Driver, ConvertsBesideTheInputAndCreatesNothingElse) {
    Write("a.htm", kInput);
    EXPECT_EQ(Convert(Path("a.htm")), 1);
    EXPECT_EQ(Read(Path("a.txt")), kText);
    EXPECT_EQ(Names(), (std::set<std::string>{"a.htm", "a.txt"}));
    EXPECT_EQ(recorder_.events,
              (std::vector<std::string>{"converted " + Path("a.htm") + " -> " + Path("a.txt"),
                                        "editor " + Path("a.txt")}));
    EXPECT_EQ(recorder_.stages, (std::vector<Stage>{Stage::kRead, Stage::kDetect, Stage::kDecode,
                                                    Stage::kScan, Stage::kAlign, Stage::kWrite}));
    EXPECT_FALSE(abort_.load());
    EXPECT_EQ(Read(Path("a.htm")), kInput);
}

TEST_F(Driver, SecondConversionTakesTheNextName) {
    Write("a.htm", kInput);
    Write("a.txt", "mine");
    EXPECT_EQ(Convert(Path("a.htm")), 1);
    EXPECT_EQ(Convert(Path("a.htm")), 1);
    EXPECT_EQ(Read(Path("a.txt")), "mine");
    EXPECT_EQ(Read(Path("a.vorl0.txt")), kText);
    EXPECT_EQ(Read(Path("a.vorl1.txt")), kText);
    EXPECT_EQ(Names(), (std::set<std::string>{"a.htm", "a.txt", "a.vorl0.txt", "a.vorl1.txt"}));
}

TEST_F(Driver, InputNamedTxtIsNotOverwritten) {
    Write("a.txt", kInput);
    EXPECT_EQ(Convert(Path("a.txt")), 1);
    EXPECT_EQ(Read(Path("a.txt")), kInput);
    EXPECT_EQ(Read(Path("a.vorl0.txt")), kText);
}

TEST_F(Driver, EmptyInputGivesOneLineEnd) {
    Write("e.htm", "");
    EXPECT_EQ(Convert(Path("e.htm")), 1);
    EXPECT_EQ(Read(Path("e.txt")), "\r\n");
}

TEST_F(Driver, MissingInputReportsThePathAsGivenAndCreatesNothing) {
    // The path is reported byte for byte, with its mixed separators.
    const std::string given = dir_.string() + "/./missing.htm";
    EXPECT_EQ(Convert(given), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"open " + given}));
    EXPECT_TRUE(recorder_.stages.empty());
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(abort_.load());
}

TEST_F(Driver, MissingSaveFolderReportsTheOutputPath) {
    Write("a.htm", kInput);
    options_.SWfolda = 0;
    const std::string folder = Path("missing");
    std::memcpy(options_.SaveFolda, folder.c_str(), folder.size() + 1);
    EXPECT_EQ(Convert(Path("a.htm")), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"open " + folder + kSep + "a.txt"}));
    EXPECT_EQ(Names(), (std::set<std::string>{"a.htm"}));
    EXPECT_FALSE(abort_.load());
}

TEST_F(Driver, OverlongOutputPathIsReportedWithTheInput) {
    std::string input;
    if (vorlax::kMaxPath < sizeof options_.SaveFolda + 6) {
        // The save folder makes the output path too long.
        Write("a.htm", kInput);
        input = Path("a.htm");
        options_.SWfolda = 0;
        const std::string folder = Path(std::string(257 - dir_.string().size(), 'd'));  // 258 bytes
        ASSERT_EQ(folder.size(), 258u);
        std::memcpy(options_.SaveFolda, folder.c_str(), folder.size() + 1);
    } else {
        // Where paths may be longer than any save folder, an input without
        // an extension two bytes short of the limit: its output adds ".TXT".
        std::filesystem::path folder = dir_;
        const std::size_t target = vorlax::kMaxPath - 2;
        while (target - folder.string().size() - 1 > 210) {
            folder /= std::string(200, 'd');
            std::filesystem::create_directory(folder);
        }
        input = (folder / std::string(target - folder.string().size() - 1, 'x')).string();
        ASSERT_EQ(input.size(), target);
        std::FILE* f = std::fopen(input.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(kInput.c_str(), f);
        std::fclose(f);
    }
    EXPECT_EQ(Convert(input), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"long " + input}));
    EXPECT_FALSE(abort_.load());
    // Nothing written beside the input.
    const std::filesystem::path beside = std::filesystem::path(input).parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(beside), {}), 1);
}

TEST_F(Driver, AbortInAnyStageLeavesNoOutput) {
    const Stage stages[] = {Stage::kRead, Stage::kDetect, Stage::kDecode,
                            Stage::kScan, Stage::kAlign,  Stage::kWrite};
    Write("a.htm", kInput);
    for (const Stage& stage : stages) {
        SCOPED_TRACE(static_cast<int>(stage));
        abort_.store(false);
        recorder_.events.clear();
        recorder_.stages.clear();
        recorder_.abort_at = &stage;
        EXPECT_EQ(Convert(Path("a.htm")), 0);
        EXPECT_TRUE(recorder_.events.empty());  // no message, no editor
        EXPECT_EQ(recorder_.stages.back(), stage);  // no stage after the abort
        EXPECT_TRUE(abort_.load());
        EXPECT_EQ(Names(), (std::set<std::string>{"a.htm"}));
    }
}

TEST_F(Driver, AbortAtTheScannerOfALongDocument) {
    // The scanner polls the request before every byte and ends at once.
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "<p>paragraph " + std::to_string(i) + "</p>\n";
    Write("big.htm", big);
    const Stage scan = Stage::kScan;
    recorder_.abort_at = &scan;
    EXPECT_EQ(Convert(Path("big.htm")), 0);
    EXPECT_EQ(recorder_.stages.back(), Stage::kScan);
    EXPECT_EQ(Names(), (std::set<std::string>{"big.htm"}));
}

TEST_F(Driver, AbortAlreadyRaisedConvertsNothing) {
    Write("a.htm", kInput);
    abort_.store(true);
    EXPECT_EQ(Convert(Path("a.htm")), 0);
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_EQ(Names(), (std::set<std::string>{"a.htm"}));
    EXPECT_TRUE(abort_.load());  // the driver never clears it
}

TEST_F(Driver, EditorCommandTooLongStopsTheJobButKeepsTheOutput) {
    Write("a.htm", kInput);
    recorder_.editor_result = false;
    EXPECT_EQ(Convert(Path("a.htm")), 0);
    EXPECT_EQ(Read(Path("a.txt")), kText);
    EXPECT_FALSE(abort_.load());
}

TEST_F(Driver, SaveFolderEndingInADoubleByteCharacter) {
    // 表 ends in the byte of "\", yet the folder still needs its separator.
    const std::string folder = Path(kHyo);
#ifdef _WIN32
    ASSERT_EQ(_mkdir(folder.c_str()), 0);
#else
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
#endif
    Write("a.htm", kInput);
    options_.SWfolda = 0;
    std::memcpy(options_.SaveFolda, folder.c_str(), folder.size() + 1);
    EXPECT_EQ(Convert(Path("a.htm")), 1);
    const std::string output = folder + kSep + "a.txt";
    EXPECT_EQ(recorder_.events.front(), "converted " + Path("a.htm") + " -> " + output);
    EXPECT_EQ(Read(output), kText);
    // Converting from that folder again, beside the input.
    options_.SWfolda = 1;
    recorder_.events.clear();
    EXPECT_EQ(Convert(output), 1);
    EXPECT_EQ(recorder_.events.front(),
              "converted " + output + " -> " + folder + kSep + "a.vorl0.txt");
}

TEST(DriverMessages, Formats) {
    EXPECT_EQ(vorlax::ComposeMessage(vorlax::kOpenFailureFormat, "C:\\" + kHyo + "\\a.htm"),
              "C:\\" + kHyo + "\\a.htm\n\x82\xB1\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xCC"
              "\x83I\x81[\x83v\x83\x93\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
    EXPECT_EQ(vorlax::ComposeMessage("%s!", "a%sb"), "a%sb!");
    EXPECT_EQ(std::string(vorlax::kAccessFailureFormat).substr(0, 3), "%s\n");
    EXPECT_EQ(std::string(vorlax::kPathTooLongFormat).substr(0, 3), "%s\n");
}

}  // namespace
