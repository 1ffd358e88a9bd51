// The shell extension's list file: the selection in order, selected folders
// expanded depth first over a directory listing, paths that would be too
// long left out, and the lines as a text-mode stream writes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "shellext/list_file.h"
#include "temp_folder.h"

namespace vorlax::shellext {
namespace {

struct Entry {
    std::string name;
    bool is_folder;
};

// A file system as a table: each folder's entries in the order a search
// returns them. "*.*" lists everything, "*.htm" the names ending in ".htm"
// in any case; every pattern asked for is recorded.
class TableLister final : public FolderLister {
public:
    explicit TableLister(std::map<std::string, std::vector<Entry>> folders)
        : folders_(std::move(folders)) {}

    void List(const std::string& pattern,
              const std::function<void(const char*, bool)>& visit) override {
        patterns.push_back(pattern);
        const std::size_t cut = pattern.rfind('\\');
        const std::string folder = pattern.substr(0, cut);
        const std::string wildcard = pattern.substr(cut + 1);
        const auto found = folders_.find(folder);
        if (found == folders_.end()) return;
        for (const Entry& e : found->second) {
            if (wildcard == "*.htm" && !EndsWithHtm(e.name)) continue;
            visit(e.name.c_str(), e.is_folder);
        }
    }

    std::vector<std::string> patterns;

private:
    static bool EndsWithHtm(const std::string& name) {
        if (name.size() < 4) return false;
        std::string end = name.substr(name.size() - 4);
        for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return end == ".htm";
    }

    std::map<std::string, std::vector<Entry>> folders_;
};

class LinesSink final : public ListSink {
public:
    void WriteLine(const std::string& path) override { lines.push_back(path); }
    std::vector<std::string> lines;
};

using Lines = std::vector<std::string>;

// C:\site with two levels of subfolders, Japanese names whose second byte
// is "\" included.
TableLister Site() {
    return TableLister({
        {"C:\\site",
         {{".", true}, {"..", true}, {"a.htm", false}, {"表", true}, {"notes.txt", false},
          {"b.HTM", false}, {"old.htm", true}, {"ソフト", true}}},
        {"C:\\site\\表",
         {{".", true}, {"..", true}, {"deep", true}, {"表1.htm", false}}},
        {"C:\\site\\表\\deep", {{".", true}, {"..", true}, {"z.htm", false}}},
        {"C:\\site\\old.htm", {{".", true}, {"..", true}, {"in-old.htm", false}}},
        {"C:\\site\\ソフト", {{".", true}, {"..", true}}},
    });
}

TEST(ShellExtListFile, FolderWithoutSubfoldersListsItsOwnHtmFiles) {
    TableLister lister = Site();
    LinesSink sink;
    WriteFolderEntries("C:\\site", false, lister, sink);
    EXPECT_EQ(sink.lines, (Lines{"C:\\site\\a.htm", "C:\\site\\b.HTM"}));
    EXPECT_EQ(lister.patterns, (Lines{"C:\\site\\*.htm"}));
}

TEST(ShellExtListFile, FolderWithSubfoldersGoesDepthFirst) {
    TableLister lister = Site();
    LinesSink sink;
    WriteFolderEntries("C:\\site", true, lister, sink);
    EXPECT_EQ(sink.lines, (Lines{"C:\\site\\表\\deep\\z.htm", "C:\\site\\表\\表1.htm",
                                 "C:\\site\\old.htm\\in-old.htm", "C:\\site\\a.htm",
                                 "C:\\site\\b.HTM"}));
    EXPECT_EQ(lister.patterns,
              (Lines{"C:\\site\\*.*", "C:\\site\\表\\*.*", "C:\\site\\表\\deep\\*.*",
                     "C:\\site\\表\\deep\\*.htm", "C:\\site\\表\\*.htm",
                     "C:\\site\\old.htm\\*.*", "C:\\site\\old.htm\\*.htm",
                     "C:\\site\\ソフト\\*.*", "C:\\site\\ソフト\\*.htm", "C:\\site\\*.htm"}));
}

TEST(ShellExtListFile, SelectionInTheShellsOrderWithFoldersInPlace) {
    struct Case {
        const char* name;
        Selection selection;
        bool include_subfolders;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"empty", {}, false, {}},
        {"empty with subfolders", {}, true, {}},
        {"files only",
         {{"C:\\x\\one.html", false}, {"C:\\x\\two.htmx", false}},
         false,
         {"C:\\x\\one.html", "C:\\x\\two.htmx"}},
        {"file, folder, file",
         {{"C:\\first.htm", false}, {"C:\\site", true}, {"C:\\last.htm", false}},
         false,
         {"C:\\first.htm", "C:\\site\\a.htm", "C:\\site\\b.HTM", "C:\\last.htm"}},
        {"folder without HTML files", {{"C:\\site\\ソフト", true}}, true, {}},
        {"missing folder", {{"C:\\gone", true}}, true, {}},
        {"two folders",
         {{"C:\\site\\表", true}, {"C:\\site\\old.htm", true}},
         true,
         {"C:\\site\\表\\deep\\z.htm", "C:\\site\\表\\表1.htm", "C:\\site\\old.htm\\in-old.htm"}},
    };
    for (const Case& c : cases) {
        TableLister lister = Site();
        LinesSink sink;
        WriteSelection(c.selection, c.include_subfolders, lister, sink);
        EXPECT_EQ(sink.lines, c.lines) << c.name;
    }
}

TEST(ShellExtListFile, JoinedPathsOverMaxPathAreLeftOut) {
    // A folder of 250 bytes: its files may have names of up to 8 bytes
    // (250 + "\" + 8 = 259); its subfolders likewise, and a subfolder's own
    // search pattern must fit as well.
    const std::string folder = "C:\\" + std::string(247, 'f');
    ASSERT_EQ(folder.size(), 250u);
    const std::string sub = folder + "\\s";  // 252 bytes: "a.htm" fits, "abc.htm" not
    TableLister lister({
        {folder,
         {{"1234.htm", false}, {"12345.htm", false}, {"s", true}, {"sub45678", true}}},
        {sub, {{"a.htm", false}, {"abc.htm", false}}},
        {folder + "\\sub45678", {{"x.htm", false}}},
    });
    LinesSink sink;
    WriteFolderEntries(folder, true, lister, sink);
    EXPECT_EQ(sink.lines, (Lines{sub + "\\a.htm", folder + "\\1234.htm"}));
    // "sub45678" is 259 bytes long: no room for its search patterns.
    for (const std::string& pattern : lister.patterns)
        EXPECT_LT(pattern.size(), kMaxPath) << pattern;
}

TEST(ShellExtListFile, TextLinesAreTheFilesBytes) {
    TextListSink sink;
    EXPECT_EQ(sink.text(), "");
    sink.WriteLine("C:\\表\\a.htm");
    sink.WriteLine("C:\\b c\\d.html");
    EXPECT_EQ(sink.text(), "C:\\表\\a.htm\r\nC:\\b c\\d.html\r\n");
}

TEST(ShellExtListFile, StreamLinesEndAsTheTextModeWritesThem) {
    vorlax::test::TempFolder dir("shellext_list_");
    const std::string path = dir.Path("list.tmp");
    std::FILE* stream = std::fopen(path.c_str(), kListFileMode);
    ASSERT_NE(stream, nullptr);
    StreamListSink sink(stream);
    sink.WriteLine("C:\\表\\a.htm");
    sink.WriteLine("C:\\b c\\d.html");
    std::fclose(stream);
#ifdef _WIN32
    EXPECT_EQ(vorlax::test::TempFolder::ReadFile(path), "C:\\表\\a.htm\r\nC:\\b c\\d.html\r\n");
#else
    EXPECT_EQ(vorlax::test::TempFolder::ReadFile(path), "C:\\表\\a.htm\nC:\\b c\\d.html\n");
#endif
}

}  // namespace
}  // namespace vorlax::shellext
