// The jobs' order of work, progress lines, stops and the list file; the
// five-file question of the editor launch.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/job_steps.h"

namespace vorlax::app {
namespace {

// Records what a job does; conversions of the paths in `failing` return 0.
class FakeHost final : public JobHost {
public:
    std::set<std::string> failing;
    std::map<std::string, std::string> long_names;
    std::vector<std::string> log;

    void Progress(const std::string& line) override { log.push_back("progress " + line); }
    int Convert(const std::string& path) override {
        log.push_back("convert " + path);
        return failing.count(path) ? 0 : 1;
    }
    void Refuse(const std::string& path) override { log.push_back("refuse " + path); }
    std::string LongName(const std::string& path) override {
        log.push_back("look up " + path);
        auto it = long_names.find(path);
        return it == long_names.end() ? std::string() : it->second;
    }
    void OpenLaterOutputsInEditor() override { log.push_back("editor on"); }
};

using Log = std::vector<std::string>;

TEST(AppJobs, ProgressLines) {
    EXPECT_EQ(CountedProgress(1, 4, "a.htm"), "変換中[1/4]:a.htm");
    EXPECT_EQ(CountedProgress(4294967295UL, 4294967295UL, ""), "変換中[4294967295/4294967295]:");
    EXPECT_EQ(PlainProgress("b.htm"), "変換中 : b.htm");
    EXPECT_EQ(FileNamePart("C:\\web\\a.htm"), "a.htm");
    EXPECT_EQ(FileNamePart("C:a.htm"), "a.htm");
    EXPECT_EQ(FileNamePart("x/\x95\x5C.htm"), "\x95\x5C.htm");
}

TEST(AppJobs, PathArguments) {
    const std::string folder = "C:\\" + std::string(240, 'd') + "\\";
    const std::string long_arg = folder + std::string(12, 'n') + ".htm";  // 260 bytes
    struct Case {
        std::vector<std::string> args;
        std::set<std::string> failing;
        Log log;
    };
    const Case cases[] = {
        {{"a.htm", "b.htm"}, {},
         {"look up a.htm", "progress 変換中 : a.htm", "convert a.htm", "look up b.htm", "progress 変換中 : b.htm",
          "convert b.htm"}},
        {{"a.htm", "/E", "b.htm"}, {},
         {"look up a.htm", "progress 変換中 : a.htm", "convert a.htm", "editor on", "look up b.htm",
          "progress 変換中 : b.htm", "convert b.htm"}},
        {{"a.htm", "b.htm", "c.htm"}, {"b.htm"},
         {"look up a.htm", "progress 変換中 : a.htm", "convert a.htm", "look up b.htm", "progress 変換中 : b.htm",
          "convert b.htm"}},
        // A short alias converts under the long name, its folder kept.
        {{"C:\\web\\LONGFI~1.HTM"}, {},
         {"look up C:\\web\\LONGFI~1.HTM", "progress 変換中 : longfilename.html", "convert C:\\web\\longfilename.html"}},
        {{"/install", "other.htm"}, {"/install"},
         {"look up /install", "progress 変換中 : install", "convert /install"}},
        {{}, {}, {}},
        // A wildcard that reaches the job is a name, never a pattern.
        {{"*.htm"}, {"*.htm"}, {"progress 変換中 : *.htm", "convert *.htm"}},
        // A path too long is refused whole, without a look-up, and ends the job.
        {{long_arg, "b.htm"}, {}, {"progress 変換中 : " + std::string(12, 'n') + ".htm", "refuse " + long_arg}},
        {{long_arg.substr(0, 259)}, {},
         {"look up " + long_arg.substr(0, 259), "progress 変換中 : " + std::string(12, 'n') + ".ht",
          "convert " + long_arg.substr(0, 259)}},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.failing = c.failing;
        host.long_names["C:\\web\\LONGFI~1.HTM"] = "longfilename.html";
        host.long_names["*.htm"] = "a.htm";
        RunPathArguments(c.args, host);
        EXPECT_EQ(host.log, c.log);
    }
}

TEST(AppJobs, ALongNameThatMakesThePathTooLongIsRefused) {
    FakeHost host;
    const std::string folder = "C:\\" + std::string(240, 'd') + "\\";
    const std::string name = std::string(20, 'n') + ".html";
    host.long_names[folder + "X~1.HTM"] = name;
    RunPathArguments({folder + "X~1.HTM", "b.htm"}, host);
    EXPECT_EQ(host.log, (Log{"look up " + folder + "X~1.HTM", "progress 変換中 : " + name, "refuse " + folder + name}));
}

TEST(AppJobs, DroppedPaths) {
    const std::string long_path = "C:\\" + std::string(251, 'd') + "\\a.htm";  // 260 bytes
    struct Case {
        std::vector<std::string> paths;
        std::set<std::string> failing;
        Log log;
    };
    const Case cases[] = {
        {{"C:\\a.htm", "C:\\b.htm"}, {},
         {"progress 変換中[1/2]:a.htm", "convert C:\\a.htm", "progress 変換中[2/2]:b.htm", "convert C:\\b.htm"}},
        {{"C:\\a.htm", "C:\\b.htm", "C:\\c.htm"}, {"C:\\b.htm"},
         {"progress 変換中[1/3]:a.htm", "convert C:\\a.htm", "progress 変換中[2/3]:b.htm", "convert C:\\b.htm"}},
        // Whole, never cut: the file of the cut name is not converted.
        {{"C:\\a.htm", long_path, "C:\\c.htm"}, {},
         {"progress 変換中[1/3]:a.htm", "convert C:\\a.htm", "progress 変換中[2/3]:a.htm", "refuse " + long_path}},
        {{long_path.substr(1)}, {}, {"progress 変換中[1/1]:a.htm", "convert " + long_path.substr(1)}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.failing = c.failing;
        RunDroppedPaths(c.paths, host);
        EXPECT_EQ(host.log, c.log);
    }
}

TEST(AppJobs, ListForm) {
    EXPECT_TRUE(IsListForm({"v", "/r", "list"}));
    EXPECT_TRUE(IsListForm({"v", "/R", "list", "ignored"}));
    EXPECT_FALSE(IsListForm({"v", "/r"}));  // "/r" alone is an input path
    EXPECT_FALSE(IsListForm({"v", "a", "/r"}));
}

// What a job does with a list file's bytes: the paths it converts and
// refuses.
Log RunList(const std::string& bytes, std::set<std::string> failing = {}) {
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    FakeHost host;
    host.failing = std::move(failing);
    RunListFile(f, host);
    std::fclose(f);
    Log done;
    for (const std::string& line : host.log)
        if (line.rfind("progress ", 0) != 0) done.push_back(line);
    return done;
}

TEST(AppJobs, ListFiles) {
    const std::string p259 = "C:\\" + std::string(256, 'p');
    const std::string p260 = p259 + "q";
    const std::string p300 = std::string(300, 'q');
    const std::string huge(kMaxListLine + 10, 'h');
    struct Case {
        std::string bytes;
        Log done;
    };
    const Case cases[] = {
        {"C:\\a.htm\r\nC:\\b.htm\r\n", {"convert C:\\a.htm", "convert C:\\b.htm"}},
        {"C:\\a.htm\nC:\\b.htm", {"convert C:\\a.htm", "convert C:\\b.htm"}},
        {"", {}},
        {"a\r\n\r\nb\r\n", {"convert a", "convert ", "convert b"}},  // an empty line is an empty path
        {"a\rjunk\nb\n", {"convert a", "convert b"}},                   // cut at the first CR
        {std::string("a\0junk\nb\n", 9), {"convert a", "convert b"}},    // and at a NUL
        // A line of 259 bytes is one path, and the next line the next one.
        {p259 + "\r\nb\r\n", {"convert " + p259, "convert b"}},
        {p259 + "\nb\n", {"convert " + p259, "convert b"}},
        // A longer line is refused whole and ends the job.
        {p260 + "\r\nb\r\n", {"refuse " + p260}},
        {"a\n" + p300 + "\nb\n", {"convert a", "refuse " + p300}},
        {p300, {"refuse " + p300}},
        // A line longer than any path is named by its beginning.
        {huge + "\nb\n", {"refuse " + huge.substr(0, kMaxListLine)}},
    };
    for (const Case& c : cases) EXPECT_EQ(RunList(c.bytes), c.done) << c.bytes.substr(0, 40);
    EXPECT_EQ(RunList("a\nb\nc\n", {"b"}), (Log{"convert a", "convert b"}));
}

TEST(AppJobs, Selections) {
    const char one[] = "C:\\web\\a.htm\0";
    const char many[] = "C:\\web\0a.htm\0b.htm\0c.htm\0";
    const char root[] = "C:\\\0a.htm\0b.htm\0";
    EXPECT_EQ(SelectionStrings(one, sizeof one), (Log{"C:\\web\\a.htm"}));
    EXPECT_EQ(SelectionStrings(many, sizeof many), (Log{"C:\\web", "a.htm", "b.htm", "c.htm"}));
    EXPECT_FALSE(SelectionLooksLikeFolder(SelectionStrings(one, sizeof one)));
    EXPECT_TRUE(SelectionLooksLikeFolder(SelectionStrings(root, sizeof root)));

    struct Case {
        Log strings;
        bool folder;
        std::set<std::string> failing;
        Log log;
    };
    const Case cases[] = {
        {{"C:\\web\\a.htm"}, false, {}, {"progress 変換中[1/1]:a.htm", "convert C:\\web\\a.htm"}},
        {{"C:\\web", "a.htm", "b.htm"}, true, {},
         {"progress 変換中[1/2]:a.htm", "convert C:\\web\\a.htm", "progress 変換中[2/2]:b.htm", "convert C:\\web\\b.htm"}},
        {{"C:\\", "a.htm"}, true, {}, {"progress 変換中[1/1]:a.htm", "convert C:\\a.htm"}},
        {{"C:\\web", "a.htm", "b.htm"}, true, {"C:\\web\\a.htm"}, {"progress 変換中[1/2]:a.htm", "convert C:\\web\\a.htm"}},
        // A composed path over the limit is refused and ends the job there.
        {{"C:\\web", std::string(253, 'n'), "b.htm"}, true, {},
         {"progress 変換中[1/2]:" + std::string(253, 'n'), "refuse C:\\web\\" + std::string(253, 'n')}},
        {{"C:\\web", std::string(252, 'n'), "b.htm"}, true, {"C:\\web\\b.htm"},
         {"progress 変換中[1/2]:" + std::string(252, 'n'), "convert C:\\web\\" + std::string(252, 'n'),
          "progress 変換中[2/2]:b.htm", "convert C:\\web\\b.htm"}},
        {{"C:\\" + std::string(257, 'o')}, false, {},
         {"progress 変換中[1/1]:" + std::string(257, 'o'), "refuse C:\\" + std::string(257, 'o')}},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.failing = c.failing;
        RunSelection(c.strings, c.folder, host);
        EXPECT_EQ(host.log, c.log);
    }
}

// What seven outputs of one job do with SWedit on, for each answer.
Log SevenOutputs(bool answer) {
    EditorLaunch launch;
    launch.Reset();
    Log log;
    for (int i = 1; i <= 7; ++i) {
        std::string command;
        const std::string output = "C:\\a b\\" + std::to_string(i) + ".txt";
        EditorLaunch::Step step = launch.Next(1, "notepad", output, command);
        if (step == EditorLaunch::Step::kAsk) {
            log.push_back("ask");
            step = launch.Answer(answer);
        }
        if (step == EditorLaunch::Step::kLaunch) {
            log.push_back(command);
            launch.Launched();
        }
    }
    return log;
}

TEST(AppJobs, FiveFileQuestion) {
    const Log first = {"notepad \"C:\\a b\\1.txt\"", "notepad \"C:\\a b\\2.txt\"", "notepad \"C:\\a b\\3.txt\"",
                       "notepad \"C:\\a b\\4.txt\"", "notepad \"C:\\a b\\5.txt\"", "ask"};
    Log yes = first, no = first;
    yes.push_back("notepad \"C:\\a b\\6.txt\"");
    yes.push_back("notepad \"C:\\a b\\7.txt\"");
    EXPECT_EQ(SevenOutputs(true), yes);
    EXPECT_EQ(SevenOutputs(false), no);
}

TEST(AppJobs, EditorCommandLine) {
    struct Case {
        int swedit;
        std::string editor, output;
        EditorLaunch::Step step;
        std::string command;
    };
    const Case cases[] = {
        {0, "notepad", "a.txt", EditorLaunch::Step::kNone, ""},
        {2, "notepad", "a.txt", EditorLaunch::Step::kNone, ""},  // only 1 opens
        {1, "notepad", "C:\\a b\\x.txt", EditorLaunch::Step::kLaunch, "notepad \"C:\\a b\\x.txt\""},
        {1, std::string(200, 'e'), std::string(57, 'o'), EditorLaunch::Step::kLaunch,
         std::string(200, 'e') + " \"" + std::string(57, 'o') + "\""},
        {1, std::string(200, 'e'), std::string(58, 'o'), EditorLaunch::Step::kTooLong, ""},
        // The editor is taken with at most 259 bytes.
        {1, std::string(300, 'e'), "", EditorLaunch::Step::kTooLong, ""},
    };
    for (const Case& c : cases) {
        EditorLaunch launch;
        std::string command;
        EXPECT_EQ(launch.Next(c.swedit, c.editor, c.output, command), c.step);
        EXPECT_EQ(command, c.command);
    }
}

}  // namespace
}  // namespace vorlax::app
