// The shell extension's commands: the item count of a menu request, the
// verb of an invocation, the kinds of command-string request and the cut of
// the help text, the command line for Vorlax.exe, registry strings, and the
// registration names agreeing with each other.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/names.h"
#include "shellext/commands.h"

namespace vorlax::shellext {
namespace {

TEST(ShellExtCommands, ItemTextsAreCp932) {
    EXPECT_EQ(std::string(kConvertItem), "HTML\x81\xA8\xC3\xB7\xBD\xC4 \x95\xCF\x8A\xB7(&T)");
    EXPECT_EQ(std::strlen(kHelpText), 32u);
}

TEST(ShellExtCommands, MenuItemCount) {
    struct Case {
        unsigned flags;
        bool folder, shift;
        unsigned first, last;
        unsigned items;
    };
    const Case cases[] = {
        {0x0, false, false, 100, 200, 1},  // CMF_NORMAL, files
        {0x0, false, true, 100, 200, 1},   // Shift matters for folders only
        {0x0, true, false, 100, 200, 1},
        {0x0, true, true, 100, 200, 2},
        {0x1, true, true, 100, 200, 0},    // CMF_DEFAULTONLY
        {0x8, true, true, 100, 200, 0},    // CMF_NOVERBS
        {0x9, false, false, 100, 200, 0},
        {0x2, false, false, 100, 200, 1},  // CMF_VERBSONLY
        {0x4, true, true, 100, 200, 2},    // CMF_EXPLORE
        {0x5, false, false, 100, 200, 1},  // CMF_EXPLORE among others
        {0xA, false, false, 100, 200, 1},
        {0x10, true, true, 100, 200, 2},   // bits above the low four do not count
        {0x11, true, true, 100, 200, 0},
        // The id range first..last decides how many fit.
        {0x0, true, true, 100, 101, 2},
        {0x0, true, true, 100, 100, 1},
        {0x0, false, false, 100, 100, 1},
        {0x0, false, false, 100, 99, 0},
        {0x0, true, true, 0xFFFFFFFF, 0xFFFFFFFF, 1},
        {0x0, true, true, 0, 0xFFFFFFFF, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MenuItemCount(c.flags, c.folder, c.shift, c.first, c.last), c.items)
            << "flags " << c.flags << " folder " << c.folder << " shift " << c.shift << " ids "
            << c.first << ".." << c.last;
}

TEST(ShellExtCommands, Verb) {
    struct Case {
        std::uintptr_t verb;
        bool accepted, include_subfolders;
    };
    static const char kVerbString[] = "open";
    const Case cases[] = {
        {0, true, false},
        {1, true, true},
        {2, true, true},
        {0xFFFF, true, true},
        {0x10000, false, false},
        {0x10001, false, false},
        {reinterpret_cast<std::uintptr_t>(kVerbString), false, false},
    };
    for (const Case& c : cases) {
        const Invocation i = ReadVerb(c.verb);
        EXPECT_EQ(i.accepted, c.accepted) << c.verb;
        EXPECT_EQ(i.include_subfolders, c.include_subfolders) << c.verb;
    }
}

TEST(ShellExtCommands, CommandStringRequests) {
    using R = CommandStringRequest;
    struct Case {
        unsigned flags;
        R request;
    };
    const Case cases[] = {
        {0x0, R::kVerb},          // GCS_VERBA
        {0x1, R::kHelpTextAnsi},  // GCS_HELPTEXTA
        {0x2, R::kValidate},      // GCS_VALIDATEA
        {0x4, R::kVerb},          // GCS_VERBW
        {0x5, R::kHelpTextWide},  // GCS_HELPTEXTW
        {0x6, R::kValidate},      // GCS_VALIDATEW
        {0x14, R::kVerb},         // GCS_VERBICONW
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyCommandString(c.flags), c.request) << c.flags;
}

TEST(ShellExtCommands, HelpTextCutToTheCapacity) {
    // 選択された (10 bytes), ﾌｧｲﾙ (4), の (2), ﾃｷｽﾄ (4), 形式への変換 (12).
    struct Case {
        std::size_t capacity, bytes;
    };
    const Case cases[] = {
        {0, 0}, {1, 0}, {2, 0}, {3, 2}, {11, 10}, {12, 11}, {15, 14}, {16, 14},
        {31, 30}, {32, 30}, {33, 32}, {40, 32}, {260, 32},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnsiFit(kHelpText, c.capacity, Cp932Steps()), c.bytes) << c.capacity;
}

TEST(ShellExtCommands, ProgramCommandLine) {
    struct Case {
        const char* folder;
        const char* list;
        const char* line;
    };
    const Case cases[] = {
        {"C:\\Vorlax\\", "C:\\TEMP\\zel1A.tmp", "\"C:\\Vorlax\\Vorlax.exe\" /r \"C:\\TEMP\\zel1A.tmp\""},
        {"C:\\Program Files\\Vorlax 1\\", "C:\\Documents and Settings\\u\\Temp\\zelFFFF.tmp",
         "\"C:\\Program Files\\Vorlax 1\\Vorlax.exe\" /r "
         "\"C:\\Documents and Settings\\u\\Temp\\zelFFFF.tmp\""},
        {"C:\\表\\", "C:\\t\\zel0.tmp", "\"C:\\表\\Vorlax.exe\" /r \"C:\\t\\zel0.tmp\""},
        {"", "zel2.tmp", "\"Vorlax.exe\" /r \"zel2.tmp\""},
    };
    for (const Case& c : cases) EXPECT_EQ(ProgramCommandLine(c.folder, c.list), c.line) << c.folder;
}

TEST(ShellExtCommands, ProgramCommandLineInUtf16) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* list;
        const wchar_t* line;
    };
    const Case cases[] = {
        {L"C:\\Vorlax\\", L"C:\\TEMP\\zel1A.tmp", L"\"C:\\Vorlax\\Vorlax.exe\" /r \"C:\\TEMP\\zel1A.tmp\""},
        {L"C:\\Program Files\\\u8868 \u00e9\\", L"C:\\Users\\Jos\u00e9\\zelFFFF.tmp",
         L"\"C:\\Program Files\\\u8868 \u00e9\\Vorlax.exe\" /r \"C:\\Users\\Jos\u00e9\\zelFFFF.tmp\""},
        {L"", L"zel2.tmp", L"\"Vorlax.exe\" /r \"zel2.tmp\""},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(ProgramCommandLine(std::wstring(c.folder), std::wstring(c.list)) == c.line);
}

TEST(ShellExtCommands, RegistryStringInUtf16) {
    struct Case {
        std::wstring data;
        std::size_t bytes;  // as the registry reports the size
        std::wstring value;
    };
    const std::wstring folder = L"C:\\\u8868\\";
    const Case cases[] = {
        {folder + L'\0', (folder.size() + 1) * sizeof(wchar_t), folder},
        {folder, folder.size() * sizeof(wchar_t), folder},  // no terminator stored
        {folder, folder.size() * sizeof(wchar_t) - 1, L"C:\\\u8868"},  // an odd byte is no character
        {std::wstring(L"ab\0cd", 5), 5 * sizeof(wchar_t), L"ab"},
        {L"", 0, L""},
    };
    for (const Case& c : cases) EXPECT_TRUE(RegistryString(c.data.data(), c.bytes) == c.value);
}

TEST(ShellExtCommands, RegistryString) {
    struct Case {
        std::string data;
        std::string value;
    };
    const Case cases[] = {
        {std::string("C:\\V\\\0", 6), "C:\\V\\"},
        {"C:\\V\\", "C:\\V\\"},  // no terminator stored
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0", 1), ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegistryString(c.data.data(), c.data.size()), c.value) << c.value;
}

TEST(ShellExtRegistration, NamesAgree) {
    using namespace common;
    char id[64];
    std::snprintf(id, sizeof id, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  kClassId.data1, kClassId.data2, kClassId.data3, kClassId.data4[0],
                  kClassId.data4[1], kClassId.data4[2], kClassId.data4[3], kClassId.data4[4],
                  kClassId.data4[5], kClassId.data4[6], kClassId.data4[7]);
    EXPECT_STREQ(id, kClassIdString);
    EXPECT_EQ(std::string(kClassKey), std::string("CLSID\\") + kClassIdString);
    EXPECT_EQ(std::string(kServerKey), std::string(kClassKey) + "\\InProcServer32");
    const std::string handlers = "\\shellex\\ContextMenuHandlers\\";
    EXPECT_EQ(std::string(kFolderHandlerKey), "Directory" + handlers + kHandlerName);
    EXPECT_EQ(FileClassHandlerKey("htmlfile"), "htmlfile" + handlers + kHandlerName);
}

}  // namespace
}  // namespace vorlax::shellext
