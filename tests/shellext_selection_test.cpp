// The shell extension's selection filter: where a path's name begins, the
// ".htm" extension test and the long-name fix-up, all stepping over CP932
// double-byte characters (表 and ソ end in the byte 0x5C, "\").
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shellext/selection.h"

namespace vorlax::shellext {
namespace {

const CharacterSteps& steps = Cp932Steps();

TEST(ShellExtSelection, FileNameStart) {
    struct Case {
        const char* path;
        std::size_t start;
    };
    const Case cases[] = {
        {"a.htm", 0},
        {"C:\\dir\\a.htm", 7},
        {"C:a.htm", 2},
        {"C:/x/y.htm", 5},
        {"C:\\dir\\", 7},
        {"C:\\表", 3},          // 0x95 0x5C: one character, no separator
        {"C:\\表\\x.htm", 6},
        {"C:\\ソ\\ソ", 6},
        {"C:\\\x83", 3},        // a lead byte at the end stands alone
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FileNameStart(c.path, steps), c.start) << c.path;
}

TEST(ShellExtSelection, HtmlExtension) {
    struct Case {
        const char* path;
        bool html;
    };
    const Case cases[] = {
        {"C:\\a.htm", true},
        {"C:\\a.html", true},
        {"C:\\A.HTML", true},
        {"C:\\a.HtM", true},
        {"C:\\a.htmx", true},   // any extension that begins with the four
        {"C:\\.htm", true},
        {"C:\\a.txt", false},
        {"C:\\a.ht", false},
        {"C:\\a.h", false},
        {"C:\\a.", false},
        {"C:\\a", false},
        {"C:\\a.htm.txt", false},  // the last "." counts
        {"C:\\d.htm\\a", false},   // a "." in a folder is not the file's
        {"C:\\d.htm\\a.txt", false},
        {"C:\\表.htm", true},
        {"C:\\ソ.html", true},
        {"C:\\表.htm\\ソ", false},
        {"C:\\a.\x83htm", false},  // ".", then a double-byte character
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(HasHtmlExtension(c.path, steps), c.html) << c.path;
}

TEST(ShellExtSelection, LongNameFixUp) {
    const std::string folder250 = "C:\\" + std::string(246, 'd') + "\\";  // 250 bytes
    struct Case {
        std::string path, long_name, result;
    };
    const std::vector<Case> cases = {
        {"C:\\PROGRA~1\\PAGEON~1.HTM", "page one.html", "C:\\PROGRA~1\\page one.html"},
        {"C:\\dir\\a.htm", "a.htm", "C:\\dir\\a.htm"},
        {"C:\\dir\\ABC~1.HTM", "", "C:\\dir\\ABC~1.HTM"},  // no name reported
        {"C:\\表\\ABC~1.HTM", "表ソ.html", "C:\\表\\表ソ.html"},
        {"C:\\ソ", "ソ長い名前", "C:\\ソ長い名前"},
        {"A~1.HTM", "abc.htm", "abc.htm"},
        // The joined path must fit in 259 bytes; otherwise the path stays.
        {folder250 + "X~1.HTM", std::string(9, 'n'), folder250 + std::string(9, 'n')},
        {folder250 + "X~1.HTM", std::string(10, 'n'), folder250 + "X~1.HTM"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithLongName(c.path.c_str(), c.long_name.c_str(), steps), c.result) << c.path;
}

TEST(ShellExtSelection, FoldersAlwaysFilesOnlyWithHtmlExtension) {
    struct Item {
        const char* path;
        bool is_folder;
        bool kept;
    };
    const Item items[] = {
        {"C:\\pages", true, true},
        {"C:\\a.txt", false, false},
        {"C:\\b.html", false, true},
        {"C:\\folder.txt", true, true},  // a folder's name does not matter
        {"C:\\c.htmx", false, true},
        {"C:\\d", false, false},
        {"C:\\表", true, true},
    };
    Selection selection;
    Selection expected;
    for (const Item& item : items) {
        EXPECT_EQ(AddToSelection(selection, item.path, item.is_folder, steps), item.kept)
            << item.path;
        if (item.kept) expected.push_back({item.path, item.is_folder});
    }
    EXPECT_EQ(selection, expected);
}

}  // namespace
}  // namespace vorlax::shellext
