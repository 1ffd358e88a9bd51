// Path splitting over CP932 names: trail bytes are never separators or dots.
#include <gtest/gtest.h>

#include <string>

#include "codes/paths.h"

namespace {

using vorlax::kPosixPaths;
using vorlax::kWindowsPaths;

// "表" is 0x95 0x5C in CP932: its trail byte is the code of "\".
const std::string kHyo = "\x95\x5C";
// "ソ" is 0x83 0x5C.
const std::string kSo = "\x83\x5C";

struct PathCase {
    std::string path;
    std::string file_name;  // FindFileNamePart
    std::string extension;  // FindExtension
    std::string stripped;   // StripExtension
    std::string folder;     // CutToFolder
};

const PathCase kWindowsCases[] = {
    {"C:\\" + kHyo + "\\a.htm", "a.htm", ".htm", "C:\\" + kHyo + "\\a", "C:\\" + kHyo + "\\"},
    {"C:\\" + kHyo, kHyo, "", "C:\\" + kHyo, "C:\\"},
    {kHyo + ".htm", kHyo + ".htm", ".htm", kHyo, ""},
    {"x\\" + kSo + "\\" + kSo + ".h", kSo + ".h", ".h", "x\\" + kSo + "\\" + kSo, "x\\" + kSo + "\\"},
    {"dir.old\\index", "index", "", "dir.old\\index", "dir.old\\"},
    {"a.b.htm", "a.b.htm", ".htm", "a.b", ""},
    {"dir\\.profile", ".profile", ".profile", "dir\\", "dir\\"},
    {".profile", ".profile", ".profile", ".profile", ""},
    {"C:file", "file", "", "C:file", "C:"},
    {"C:\\dir\\file", "file", "", "C:\\dir\\file", "C:\\dir\\"},
    {"file", "file", "", "file", ""},
    {"", "", "", "", ""},
    {"C:/web/index.html", "index.html", ".html", "C:/web/index", "C:/web/"},
    {"a\\b/c:d.e", "d.e", ".e", "a\\b/c:d", "a\\b/c:"},
    {"dir\\", "", "", "dir\\", "dir\\"},
    {"x.", "x.", ".", "x", ""},
    // A lead byte at the very end stands alone.
    {"a.b\\c\x95", "c\x95", "", "a.b\\c\x95", "a.b\\"},
    // 0x80 and 0xFD are no lead bytes in code page 932.
    {"a\x80\\b", "b", "", "a\x80\\b", "a\x80\\"},
    {"a\xFD\\b.c", "b.c", ".c", "a\xFD\\b", "a\xFD\\"},
    // Half-width katakana (0xA1..0xDF) are single bytes.
    {"\xB1\\\xB2.txt", "\xB2.txt", ".txt", "\xB1\\\xB2", "\xB1\\"},
};

const PathCase kPosixCases[] = {
    {"/home/u/a.htm", "a.htm", ".htm", "/home/u/a", "/home/u/"},
    {"dir.old/index", "index", "", "dir.old/index", "dir.old/"},
    {"dir/.profile", ".profile", ".profile", "dir/", "dir/"},
    {".profile", ".profile", ".profile", ".profile", ""},
    // "\" and ":" belong to the name on POSIX.
    {"C:file", "C:file", "", "C:file", ""},
    {"a\\b.htm", "a\\b.htm", ".htm", "a\\b", ""},
    // UTF-8: "い" is E3 81 84, whose last byte is a CP932 lead byte; the dot
    // after it must still count.
    {"d/\xE3\x81\x84.htm", "\xE3\x81\x84.htm", ".htm", "d/\xE3\x81\x84", "d/"},
    {"\xE3\x81\x84/x", "x", "", "\xE3\x81\x84/x", "\xE3\x81\x84/"},
};

void Check(const PathCase& c, const vorlax::PathSyntax& syntax) {
    SCOPED_TRACE("path: " + c.path);
    EXPECT_EQ(c.path.substr(vorlax::FindFileNamePart(c.path, syntax)), c.file_name);
    EXPECT_EQ(c.path.substr(vorlax::FindExtension(c.path, syntax)), c.extension);
    std::string stripped = c.path;
    vorlax::StripExtension(stripped, syntax);
    EXPECT_EQ(stripped, c.stripped);
    std::string folder = c.path;
    vorlax::CutToFolder(folder, syntax);
    EXPECT_EQ(folder, c.folder);
}

TEST(Paths, WindowsNames) {
    for (const PathCase& c : kWindowsCases) Check(c, kWindowsPaths);
}

TEST(Paths, PosixNames) {
    for (const PathCase& c : kPosixCases) Check(c, kPosixPaths);
}

TEST(Paths, ExtensionOfFolderlessPathWithoutDotIsTheEnd) {
    EXPECT_EQ(vorlax::FindExtension("dir.old\\index", kWindowsPaths), 13u);
}

TEST(Paths, LastCharacter) {
    struct Case {
        std::string path;
        bool ends_with_backslash;
    };
    const Case cases[] = {
        {"D:\\out\\", true}, {"D:\\out", false}, {"D:\\" + kHyo, false},
        {"D:\\" + kHyo + "\\", true}, {"\\", true}, {"", false}, {"\x95", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vorlax::EndsWithCharacter(c.path, '\\', kWindowsPaths), c.ends_with_backslash)
            << c.path;
    // Byte-wise names: a final 0x5C is a backslash whatever precedes it.
    EXPECT_TRUE(vorlax::EndsWithCharacter("a" + kHyo, '\\', kPosixPaths));
}

TEST(Paths, MultibyteCharacters) {
    EXPECT_FALSE(vorlax::HasMultibyteCharacter("index", kWindowsPaths));
    EXPECT_FALSE(vorlax::HasMultibyteCharacter("\xB1\xB2", kWindowsPaths));  // half-width kana
    EXPECT_TRUE(vorlax::HasMultibyteCharacter(kHyo, kWindowsPaths));
    EXPECT_TRUE(vorlax::HasMultibyteCharacter("a\xFC\x40", kWindowsPaths));
    EXPECT_FALSE(vorlax::HasMultibyteCharacter("a\xFD", kWindowsPaths));
    EXPECT_TRUE(vorlax::HasMultibyteCharacter("\xB1", kPosixPaths));
}

}  // namespace
