// Vorlax.exe as a user meets it, driven from outside: its command line,
// its settings in the registry, the main window, the jobs and their
// message boxes, the about box. Every test starts the real program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/options.h"
#include "engine/pipeline.h"
#include "tests/win/gui_driver.h"

namespace vorlax::wintest {
namespace {

constexpr char kOpenFailure[] = "\nこのファイルのオープンに失敗しました";
constexpr char kAbortQuestion[] = "変換処理中です\n変換を中止しますか？";
constexpr char kEditorQuestion[] = "5個のﾌｧｲﾙをｴﾃﾞｨﾀｰで開きました\nこれ以降のﾌｧｲﾙも開きますか?";

// A Japanese page in Shift-JIS and a small English one.
const std::string kJapanesePage =
    "<html><head><title>テスト</title></head><body><h1>表示の見出し</h1>"
    "<p>ソフトウェアの<b>説明</b>です。</p><ul><li>一つ目<li>二つ目</ul>"
    "<table><tr><td>表</td><td>能</td></tr></table><center>中央</center></body></html>";
const std::string kPlainPage = "<p>Hello, <i>world</i>.</p><pre> keep\n  this</pre>";

std::string Converted(const std::string& html) { return ConvertHtml(Options{}, html); }

class VorlaxApp : public ::testing::Test {
protected:
    void SetUp() override {
        // The literals, the names made and the texts read back are CP932:
        // the test program's manifest gives it code page 932 in a prefix
        // of any locale, as the program's own does.
        ASSERT_EQ(GetACP(), 932u) << "the test program runs without its manifest";
        ClearSettings();
        dir_ = std::string("C:\\vt\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(dir_);
        MakeFolders(dir_);
        dir_ += "\\";
        SetEnvironmentVariableA("VORLAX_STUB_LOG", (dir_ + "editor.log").c_str());
    }

    // Writes a page into the test's folder; its full path.
    std::string Page(const std::string& name, const std::string& html = kPlainPage) {
        WriteBytes(dir_ + name, html);
        return dir_ + name;
    }

    // A page of `size` bytes that takes a while to convert: a comment of
    // NULs, written as a sparse file so it costs no disk.
    std::string SlowPage(const std::string& name, LONGLONG size = 1LL << 30) {
        const std::string path = dir_ + name;
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const char head[] = "<p>slow</p><!--";
        DWORD written = 0;
        WriteFile(file, head, sizeof head - 1, &written, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = size;
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        return path;
    }

    void UseEditorStub() {
        SetSetting("option", "Editor", REG_SZ, SzBytes(ProgramFolder() + "editor_stub.exe"));
    }

    std::vector<std::string> EditorLog() {
        std::vector<std::string> lines;
        const std::string log = ReadBytes(dir_ + "editor.log").value_or("");
        std::size_t start = 0;
        for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(log.substr(start, end - start));
        return lines;
    }
    std::string EditorLine(const std::string& output) {
        return ProgramFolder() + "editor_stub.exe \"" + output + "\"";
    }

    // Runs Vorlax.exe with arguments to its end, answering no box.
    DWORD RunToEnd(const std::string& arguments) {
        Process p = Start(VorlaxCommand(arguments), dir_);
        return p.Wait(30000);
    }

    std::string dir_;
};

// ---- the command line

TEST_F(VorlaxApp, ConvertsEveryArgumentAndEndsByItself) {
    const std::string a = Page("a.htm", kJapanesePage), b = Page("b.htm");
    SlowPage("c.htm", 400 << 20);
    Process p = Start(VorlaxCommand("\"" + a + "\" b.htm c.htm"), dir_);
    // While it works, the main window is its only window.
    ASSERT_TRUE(WaitForMainWindow(p));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "c.txt"); }));
    EXPECT_EQ(VisibleTopWindows(p.id()), 1);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(ReadBytes(dir_ + "a.txt"), Converted(kJapanesePage));
    EXPECT_EQ(ReadBytes(dir_ + "b.txt"), Converted(kPlainPage));
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"a.htm", "a.txt", "b.htm", "b.txt", "c.htm", "c.txt"}));
}

// A Japanese name in the current folder, as a user types it: on a system of
// any code page (in the locale stage, 1252).
TEST_F(VorlaxApp, AJapaneseNameOnTheCommandLine) {
    Page("日本語の頁.htm", kJapanesePage);
    EXPECT_EQ(RunToEnd("日本語の頁.htm"), 0u);
    EXPECT_EQ(ReadBytes(dir_ + "日本語の頁.txt"), Converted(kJapanesePage));
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"日本語の頁.htm", "日本語の頁.txt"}));
}

TEST_F(VorlaxApp, SlashEOpensOnlyTheLaterOutputsAndIsNotStored) {
    UseEditorStub();
    Page("a.htm");
    Page("b.htm");
    EXPECT_EQ(RunToEnd("a.htm /e b.htm"), 0u);
    ASSERT_TRUE(WaitUntil([&] { return EditorLog().size() >= 1; }));
    Sleep(300);
    EXPECT_EQ(EditorLog(), std::vector<std::string>{EditorLine("b.txt")});  // beside the input, as named
    EXPECT_EQ(SettingValue("option", "SWedit")->bytes, DwordBytes(0));
}

TEST_F(VorlaxApp, ListFiles) {
    struct Case {
        const char* name;
        std::string list;                // "@" stands for the test's folder
        std::vector<std::string> made;   // outputs expected
        bool empty_name_box;             // the open failure of an empty path
    };
    const Case cases[] = {
        {"crlf", "@a.htm\r\n@b.htm\r\n", {"a.txt", "b.txt"}, false},
        {"lf", "@a.htm\n@b.htm", {"a.txt", "b.txt"}, false},
        {"empty", "", {}, false},
        {"blank-line", "@a.htm\r\n\r\n@b.htm\r\n", {"a.txt"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* out : {"a.txt", "b.txt"}) DeleteFileA((dir_ + out).c_str());
        Page("a.htm");
        Page("b.htm");
        std::string list = c.list;
        for (std::size_t at; (at = list.find('@')) != std::string::npos;) list.replace(at, 1, dir_);
        const std::string list_path = Page("list.lst", list);
        Process p = Start(VorlaxCommand("/r \"" + list_path + "\""), dir_);
        if (c.empty_name_box) {
            auto box = WaitForMessageBox(p.id());
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text, kOpenFailure);
            Press(box->window, IDOK);
        }
        EXPECT_EQ(p.Wait(), 0u);
        EXPECT_FALSE(Exists(list_path));
        for (const char* out : {"a.txt", "b.txt"}) {
            const bool expected = std::find(c.made.begin(), c.made.end(), out) != c.made.end();
            EXPECT_EQ(Exists(dir_ + out), expected) << out;
        }
    }
}

TEST_F(VorlaxApp, AMissingListFileEndsTheRunQuietly) {
    Page("a.htm");
    Process p = Start(VorlaxCommand("/r nolist.lst a.htm"), dir_);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(ListFolder(dir_), std::vector<std::string>{"a.htm"});
}

TEST_F(VorlaxApp, AListLineOf259BytesIsOnePath) {
    // Folders deep enough that the page's path is exactly 259 bytes.
    std::string folder = dir_;
    while (folder.size() < 259 - 20) folder += "deep-folder\\";
    const std::string name = std::string(259 - folder.size() - 4, 'n') + ".htm";
    MakeFolders(folder.substr(0, folder.size() - 1));
    const std::string page = folder + name;
    ASSERT_EQ(page.size(), 259u);
    WriteBytes(page, kPlainPage);
    const std::string list = Page("list.lst", page + "\r\n");
    EXPECT_EQ(RunToEnd("/r \"" + list + "\""), 0u);
    EXPECT_EQ(ReadBytes(folder + name.substr(0, name.size() - 4) + ".txt"), Converted(kPlainPage));
    EXPECT_FALSE(Exists(list));
}

TEST_F(VorlaxApp, WildcardsExpandSortedWithoutRegardToCase) {
    // a.htm sorts before B.htm only without regard to case; B.htm is a
    // folder, whose open failure stops the job after a.htm.
    Page("a.htm");
    MakeFolders(dir_ + "B.htm");
    Process p = Start(VorlaxCommand("*.htm"), dir_);
    auto box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, std::string("B.htm") + kOpenFailure);
    EXPECT_TRUE(Exists(dir_ + "a.txt"));
    Press(box->window, IDOK);
    EXPECT_EQ(p.Wait(), 0u);
}

TEST_F(VorlaxApp, AQuotedWildcardIsAName) {
    Page("a.htm");
    Process p = Start(VorlaxCommand("\"*.htm\""), dir_);
    auto box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, std::string("*.htm") + kOpenFailure);
    Press(box->window, IDOK);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_FALSE(Exists(dir_ + "a.txt"));
}

TEST_F(VorlaxApp, AShortAliasConvertsUnderTheLongName) {
    const std::string page = Page("longfilename.html");
    char alias[MAX_PATH] = "";
    GetShortPathNameA(page.c_str(), alias, MAX_PATH);
    const std::string short_path = alias;
    if (short_path.empty() || short_path == page) GTEST_SKIP() << "no 8.3 alias here";
    EXPECT_EQ(RunToEnd(short_path), 0u);
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"longfilename.html", "longfilename.txt"}));
}

TEST_F(VorlaxApp, SwitchesWithOtherArgumentsAreInputPaths) {
    struct Case {
        const char* arguments;
        const char* failing;
    };
    const Case cases[] = {{"/install other.htm", "/install"}, {"/r", "/r"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Page("other.htm");
        Process p = Start(VorlaxCommand(c.arguments), dir_);
        auto box = WaitForMessageBox(p.id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, std::string(c.failing) + kOpenFailure);
        Press(box->window, IDOK);
        EXPECT_EQ(p.Wait(), 0u);
        EXPECT_FALSE(Exists(dir_ + "other.txt"));
    }
}

TEST_F(VorlaxApp, InstallAloneOpensNoWindow) {
    Process p = Start(VorlaxCommand("/INSTALL"), dir_);
    EXPECT_EQ(p.Wait(), 1u);
    EXPECT_TRUE(SettingValues("option").empty());
}

// ---- resources

// One menu, flattened: "id text" per item, "-" for a separator, "[text]"
// (with "help" when it is right-justified) for a pop-up.
void Flatten(HMENU menu, std::vector<std::string>& out) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        char text[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (info.fType & MFT_SEPARATOR) {
            out.push_back("-");
        } else if (info.hSubMenu) {
            out.push_back(std::string("[") + text + "]" + (info.fType & MFT_RIGHTJUSTIFY ? " help" : ""));
            Flatten(info.hSubMenu, out);
        } else {
            out.push_back(std::to_string(info.wID) + " " + text);
        }
    }
}

TEST_F(VorlaxApp, ResourcesOfTheProgram) {
    HMODULE exe = LoadLibraryExA((ProgramFolder() + "Vorlax.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    HMENU menu = LoadMenuA(exe, MAKEINTRESOURCEA(125));
    ASSERT_TRUE(menu);
    std::vector<std::string> items;
    Flatten(menu, items);
    EXPECT_EQ(items, (std::vector<std::string>{
                         "[ファイル(&F)]", "40001 開いて変換(&O)...", "-", "2 Vorlaxの終了(&X)",
                         "[オプション(&O)]", "1047 変換後にエディタで開く(&E)", "1024 常に手前に表示(&A)", "-",
                         "65535 設定(&O)...", "[ヘルプ(&H)] help", "40004 目次(&C)", "-", "40005 バージョン情報(&A)"}));
    DestroyMenu(menu);
    EXPECT_TRUE(LoadImageA(exe, MAKEINTRESOURCEA(126), IMAGE_ICON, 16, 16, 0));
    EXPECT_TRUE(LoadImageA(exe, MAKEINTRESOURCEA(126), IMAGE_ICON, 32, 32, 0));
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(104), MAKEINTRESOURCEA(12)));  // RT_GROUP_CURSOR
    FreeLibrary(exe);

    // File and product version 1.7.3.0.
    const std::string path = ProgramFolder() + "Vorlax.exe";
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010007u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010007u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00030000u);

    // The main window's texts and its status bar.
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    EXPECT_EQ(WindowText(GetDlgItem(main, 1035)), "【HTML => TEXT変換】");
    EXPECT_EQ(WindowText(GetDlgItem(main, 1031)), "変換したいＨＴＭＬファイルをここに\nドラッグ＆ドロップしてください");
    EXPECT_EQ(ClassOf(GetDlgItem(main, 1030)), "msctls_statusbar32");
    EXPECT_EQ(StatusText(main), "");
    // The status bar lies along the top edge.
    POINT client_origin{0, 0};
    ClientToScreen(main, &client_origin);
    EXPECT_EQ(WindowRect(GetDlgItem(main, 1030)).top, client_origin.y);
}

// ---- settings in the registry

TEST_F(VorlaxApp, AFirstStartStoresEveryDefault) {
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    const std::map<std::string, RegValue> expected = {
        {"SWspcut", {REG_DWORD, DwordBytes(1)}},   {"SWtitle", {REG_DWORD, DwordBytes(1)}},
        {"SWspcut2", {REG_DWORD, DwordBytes(1)}},  {"SWeofcut", {REG_DWORD, DwordBytes(1)}},
        {"SWendcr", {REG_DWORD, DwordBytes(1)}},   {"SWlink", {REG_DWORD, DwordBytes(0)}},
        {"SWlink_n", {REG_DWORD, DwordBytes(0)}},  {"SWlink_e", {REG_DWORD, DwordBytes(1)}},
        {"Column", {REG_DWORD, DwordBytes(79)}},   {"SWqk", {REG_DWORD, DwordBytes(0)}},
        {"SWimage", {REG_DWORD, DwordBytes(0)}},   {"SWimageStr", {REG_DWORD, DwordBytes(1)}},
        {"AltString", {REG_SZ, SzBytes("[画像(%s)]")}}, {"SWtableLeft", {REG_DWORD, DwordBytes(0)}},
        {"SWdiv", {REG_DWORD, DwordBytes(0)}},     {"SWsfn", {REG_DWORD, DwordBytes(0)}},
        {"SWfolda", {REG_DWORD, DwordBytes(1)}},   {"SaveFolda", {REG_SZ, SzBytes("")}},
        {"SWmcode_s", {REG_DWORD, DwordBytes(1)}}, {"SWmcode", {REG_DWORD, DwordBytes(0)}},
        {"SWedit", {REG_DWORD, DwordBytes(0)}},    {"Editor", {REG_SZ, SzBytes("notepad")}},
        {"SW_AOT", {REG_DWORD, DwordBytes(0)}},
    };
    const auto stored = SettingValues("option");
    ASSERT_EQ(stored.size(), expected.size());
    for (const auto& [name, value] : expected) {
        ASSERT_TRUE(stored.count(name)) << name;
        EXPECT_EQ(stored.at(name).type, value.type) << name;
        EXPECT_EQ(stored.at(name).bytes, value.bytes) << name;
    }
    PostCommand(main, 2);
    EXPECT_EQ(p.Wait(), 0u);
}

TEST_F(VorlaxApp, ValuesOfTheWrongSizeAreReplaced) {
    SetSetting("option", "Column", REG_BINARY, std::string("\x48\x00", 2));
    SetSetting("option", "Editor", REG_SZ, SzBytes(std::string(300, 'e')));
    SetSetting("option", "SWdiv", REG_DWORD, DwordBytes(1));
    Process p = Start(VorlaxCommand(), dir_);
    ASSERT_TRUE(WaitForMainWindow(p));
    EXPECT_EQ(SettingValue("option", "Column")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(SettingValue("option", "Column")->bytes, DwordBytes(79));
    EXPECT_EQ(SettingValue("option", "Editor")->bytes, SzBytes("notepad"));
    EXPECT_EQ(SettingValue("option", "SWdiv")->bytes, DwordBytes(1));  // kept
}

TEST_F(VorlaxApp, StoredOptionsGovernTheConversion) {
    SetSetting("option", "SWdiv", REG_DWORD, DwordBytes(1));
    SetSetting("option", "Column", REG_DWORD, DwordBytes(40));
    const std::string html = "<table><tr><td>a</td><td>b</td></tr></table><center>c</center>";
    Page("t.htm", html);
    EXPECT_EQ(RunToEnd("t.htm"), 0u);
    Options o;
    o.SWdiv = 1;
    o.Column = 40;
    EXPECT_EQ(ReadBytes(dir_ + "t.txt"), ConvertHtml(o, html));
}

TEST_F(VorlaxApp, MenuTogglesAreStoredAtOnce) {
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    auto stored = [](const char* name, DWORD v) {
        return WaitUntil([&] { auto r = SettingValue("option", name); return r && r->bytes == DwordBytes(v); });
    };
    EXPECT_FALSE(IsTopmost(main));
    PostCommand(main, 1047);
    EXPECT_TRUE(stored("SWedit", 1));
    PostCommand(main, 1024);
    EXPECT_TRUE(stored("SW_AOT", 1));
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(main); }));
    PostCommand(main, 1047);
    PostCommand(main, 1024);
    EXPECT_TRUE(stored("SWedit", 0));
    EXPECT_TRUE(stored("SW_AOT", 0));
    EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(main); }));
    PostCommand(main, 2);
    EXPECT_EQ(p.Wait(), 0u);
}

TEST_F(VorlaxApp, AlwaysOnTopFromTheRegistry) {
    SetSetting("option", "SW_AOT", REG_DWORD, DwordBytes(1));
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    EXPECT_TRUE(IsTopmost(main));
}

// ---- the main window

RECT WorkArea() {
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

TEST_F(VorlaxApp, FirstStartIsCentredThenWhereItWasLeft) {
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    RECT r = WindowRect(main), work = WorkArea();
    const long w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, work.right / 2 - w / 2);
    EXPECT_EQ(r.top, work.bottom / 2 - h / 2);

    // Closed through the close box (which runs the exit command).
    SetWindowPos(main, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(main).left == 123; }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(SettingValue(nullptr, "WindowPos_left")->bytes, DwordBytes(123));
    EXPECT_EQ(SettingValue(nullptr, "WindowPos_top")->bytes, DwordBytes(77));

    Process again = Start(VorlaxCommand(), dir_);
    main = WaitForMainWindow(again);
    ASSERT_TRUE(main);
    EXPECT_EQ(WindowRect(main).left, 123);
    EXPECT_EQ(WindowRect(main).top, 77);
}

TEST_F(VorlaxApp, ASavedPlaceIsKeptInsideTheWorkArea) {
    // The window's size, from a first run.
    Process first = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(first);
    ASSERT_TRUE(main);
    const RECT r = WindowRect(main), work = WorkArea();
    const long w = r.right - r.left, h = r.bottom - r.top;
    first.Kill();
    struct Case {
        long left, top, x, y;
    };
    const Case cases[] = {
        {-50, -60, 0, 0},
        {-32000, -32000, 0, 0},  // closed while minimised
        {5000, 10, work.right - w, 10},
        {10, 5000, 10, work.bottom - h},
        {work.right - w - 1, work.bottom - h - 1, work.right - w - 1, work.bottom - h - 1},
    };
    for (const Case& c : cases) {
        SetSetting(nullptr, "WindowPos_left", REG_DWORD, DwordBytes(static_cast<DWORD>(c.left)));
        SetSetting(nullptr, "WindowPos_top", REG_DWORD, DwordBytes(static_cast<DWORD>(c.top)));
        Process p = Start(VorlaxCommand(), dir_);
        main = WaitForMainWindow(p);
        ASSERT_TRUE(main);
        EXPECT_EQ(WindowRect(main).left, c.x) << c.left << "," << c.top;
        EXPECT_EQ(WindowRect(main).top, c.y) << c.left << "," << c.top;
    }
}

TEST_F(VorlaxApp, ASecondPlainStartBringsTheFirstBack) {
    Process first = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(first);
    ASSERT_TRUE(main);
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }));
    Process second = Start(VorlaxCommand(), dir_);
    EXPECT_EQ(second.Wait(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(main) == FALSE; }));
    EXPECT_TRUE(first.Running());

    // A start with files runs on its own beside the first.
    Page("a.htm");
    EXPECT_EQ(RunToEnd("a.htm"), 0u);
    EXPECT_TRUE(Exists(dir_ + "a.txt"));
    EXPECT_TRUE(first.Running());
}

// ---- jobs

// The open dialog of a running main window, opened through the menu.
HWND OpenTheOpenDialog(DWORD pid, HWND main) {
    PostCommand(main, 40001);
    HWND dialog = WaitForTopWindow(pid, "#32770", "開いて変換");
    if (!dialog) ADD_FAILURE() << "no open dialog";
    return dialog;
}

// Opens the open dialog of a running main window and picks files in it.
bool ChooseInOpenDialog(DWORD pid, HWND main, const std::string& folder, const std::string& names) {
    HWND dialog = OpenTheOpenDialog(pid, main);
    // The folder first: the dialog may start where an earlier run left it.
    return dialog && ChooseInFileDialog(dialog, {folder, names});
}

TEST_F(VorlaxApp, OpenDialogJobsShowTheirProgressThenDone) {
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"}) SlowPage(name, 300 << 20);
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    ASSERT_TRUE(ChooseInOpenDialog(p.id(), main, dir_, "\"a.htm\" \"b.htm\" \"c.htm\" \"d.htm\""));
    std::vector<std::string> seen;
    WaitUntil([&] {
        const std::string s = StatusText(main);
        if (!s.empty() && (seen.empty() || seen.back() != s)) seen.push_back(s);
        return s == "完了";
    }, 60000);
    EXPECT_EQ(seen, (std::vector<std::string>{"変換中[1/4]:a.htm", "変換中[2/4]:b.htm", "変換中[3/4]:c.htm",
                                              "変換中[4/4]:d.htm", "完了"}));
    for (const char* out : {"a.txt", "b.txt", "c.txt", "d.txt"})
        EXPECT_EQ(ReadBytes(dir_ + out), Converted("<p>slow</p>")) << out;

    // One file, chosen by its full path.
    SlowPage("e.htm", 300 << 20);
    ASSERT_TRUE(ChooseInOpenDialog(p.id(), main, dir_, dir_ + "e.htm"));
    seen.clear();
    WaitUntil([&] {
        const std::string s = StatusText(main);
        if (!s.empty() && (seen.empty() || seen.back() != s)) seen.push_back(s);
        return s == "完了" && seen.size() > 1;
    }, 30000);
    if (!seen.empty() && seen.front() == "完了") seen.erase(seen.begin());  // the first job's
    EXPECT_EQ(seen, (std::vector<std::string>{"変換中[1/1]:e.htm", "完了"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1031)));
    // Drops are accepted again.
    if (CanDropFiles()) {
        Page("f.htm");
        EXPECT_EQ(DropFiles({dir_ + "f.htm"}), 0);
        EXPECT_TRUE(WaitUntil([&] { return Exists(dir_ + "f.txt"); }));
    }
}

TEST_F(VorlaxApp, FiveFileQuestion) {
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        RemoveTree(dir_.substr(0, dir_.size() - 1));
        MakeFolders(dir_.substr(0, dir_.size() - 1));
        UseEditorStub();
        std::string args = "/e";
        for (int i = 1; i <= 7; ++i) args += " " + Page("f" + std::to_string(i) + ".htm");
        Process p = Start(VorlaxCommand(args), dir_);
        auto box = WaitForMessageBox(p.id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, kEditorQuestion);
        EXPECT_TRUE(WaitUntil([&] { return EditorLog().size() == 5; }));
        Press(box->window, yes ? IDYES : IDNO);
        EXPECT_EQ(p.Wait(), 0u);
        const std::size_t opened = yes ? 7 : 5;
        WaitUntil([&] { return EditorLog().size() == opened; }, 5000);
        Sleep(300);
        std::vector<std::string> expected;
        for (std::size_t i = 1; i <= opened; ++i) expected.push_back(EditorLine(dir_ + "f" + std::to_string(i) + ".txt"));
        std::vector<std::string> log = EditorLog();
        std::sort(log.begin(), log.end());
        EXPECT_EQ(log, expected);
    }
}

// Five files, the second slow; the question comes while it converts.
struct AbortCase {
    bool yes;
};

TEST_F(VorlaxApp, AbortingTheCommandLineJob) {
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        for (const std::string& name : ListFolder(dir_)) DeleteFileA((dir_ + name).c_str());
        Page("1.htm");
        SlowPage("2.htm");
        Page("3.htm");
        Page("4.htm");
        Page("5.htm");
        Process p = Start(VorlaxCommand("1.htm 2.htm 3.htm 4.htm 5.htm"), dir_);
        HWND main = WaitForMainWindow(p);
        ASSERT_TRUE(main);
        ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "2.txt"); }));
        PostCommand(main, 2);  // the exit command asks first
        auto box = WaitForMessageBox(p.id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, kAbortQuestion);
        Press(box->window, yes ? IDYES : IDNO);
        EXPECT_EQ(p.Wait(60000), 0u);
        EXPECT_TRUE(Exists(dir_ + "1.txt"));
        for (const char* out : {"2.txt", "3.txt", "4.txt", "5.txt"}) EXPECT_EQ(Exists(dir_ + out), !yes) << out;
        // The exit saved the place only when it went ahead.
        EXPECT_EQ(SettingValue(nullptr, "WindowPos_left").has_value(), yes);
        ClearSettings();
    }
}

TEST_F(VorlaxApp, AnAbortedInteractiveJobLeavesTheWindowUsable) {
    Page("1.htm");
    SlowPage("2.htm");
    Page("3.htm");
    Page("4.htm");
    Page("5.htm");
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    ASSERT_TRUE(ChooseInOpenDialog(p.id(), main, dir_, "\"1.htm\" \"2.htm\" \"3.htm\" \"4.htm\" \"5.htm\""));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "2.txt"); }));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 1031)));  // the drop hint greyed
    // "No" leaves it running; the open dialog does not come.
    PostCommand(main, 40001);
    auto box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kAbortQuestion);
    Press(box->window, IDNO);
    Sleep(200);
    EXPECT_FALSE(FindTopWindow(p.id(), "#32770", "開いて変換"));
    // "Yes" stops it, and the open dialog comes up.
    PostCommand(main, 40001);
    box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    Press(box->window, IDYES);
    HWND dialog = WaitForTopWindow(p.id(), "#32770", "開いて変換");
    ASSERT_TRUE(dialog);
    Press(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == "完了"; }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1031)));
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"1.htm", "1.txt", "2.htm", "3.htm", "4.htm", "5.htm"}));
    PostCommand(main, 2);
    EXPECT_EQ(p.Wait(), 0u);
}

// ---- drops from the X side, as from a file manager

class VorlaxDrop : public VorlaxApp {
protected:
    void SetUp() override {
        VorlaxApp::SetUp();
        if (!CanDropFiles()) GTEST_SKIP() << "no XDND tool (VORLAX_XDND)";
        process_ = Start(VorlaxCommand(), dir_);
        main_ = WaitForMainWindow(process_);
        ASSERT_TRUE(main_);
    }
    void TearDown() override {
        if (main_) {
            PostCommand(main_, 2);
            EXPECT_EQ(process_.Wait(), 0u);
        }
    }
    bool Done() { return WaitUntil([&] { return StatusText(main_) == "完了"; }); }

    Process process_;
    HWND main_ = nullptr;
};

TEST_F(VorlaxDrop, OneFileThenAnother) {
    Page("日本語ページ.html", kJapanesePage);
    ASSERT_EQ(DropFiles({dir_ + "日本語ページ.html"}), 0);
    ASSERT_TRUE(Done());
    EXPECT_EQ(ReadBytes(dir_ + "日本語ページ.txt"), Converted(kJapanesePage));
    // Drops are accepted again.
    SetWindowTextA(GetDlgItem(main_, 1030), "");
    Page("表.htm");
    ASSERT_EQ(DropFiles({dir_ + "表.htm"}), 0);
    ASSERT_TRUE(Done());
    EXPECT_EQ(ReadBytes(dir_ + "表.txt"), Converted(kPlainPage));
}

TEST_F(VorlaxDrop, ThreeFilesTheSecondMissing) {
    Page("a.htm");
    Page("c.htm");
    ASSERT_EQ(DropFiles({dir_ + "a.htm", dir_ + "b.htm", dir_ + "c.htm"}), 0);
    auto box = WaitForMessageBox(process_.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, dir_ + "b.htm" + kOpenFailure);
    Press(box->window, IDOK);
    ASSERT_TRUE(Done());
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"a.htm", "a.txt", "c.htm"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main_, 1031)));
    ASSERT_EQ(DropFiles({dir_ + "c.htm"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return Exists(dir_ + "c.txt"); }));
}

TEST_F(VorlaxDrop, JapaneseNamesTheSecondMissing) {
    Page("日本語の頁.html", kJapanesePage);
    ASSERT_EQ(DropFiles({dir_ + "日本語の頁.html", dir_ + "無い頁.htm"}), 0);
    auto box = WaitForMessageBox(process_.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, dir_ + "無い頁.htm" + kOpenFailure);
    Press(box->window, IDOK);
    ASSERT_TRUE(Done());
    EXPECT_EQ(ReadBytes(dir_ + "日本語の頁.txt"), Converted(kJapanesePage));
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"日本語の頁.html", "日本語の頁.txt"}));
}

TEST_F(VorlaxDrop, AFolderIsAnOpenFailure) {
    MakeFolders(dir_ + "folder.htm");
    ASSERT_EQ(DropFiles({dir_ + "folder.htm"}), 0);
    auto box = WaitForMessageBox(process_.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, dir_ + "folder.htm" + kOpenFailure);
    Press(box->window, IDOK);
    EXPECT_TRUE(Done());
}

TEST_F(VorlaxDrop, ADropWhileAJobRunsIsRefused) {
    SlowPage("slow.htm");
    Page("a.htm");
    ASSERT_EQ(DropFiles({dir_ + "slow.htm"}), 0);
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "slow.txt"); }));
    EXPECT_EQ(DropFiles({dir_ + "a.htm"}), 3);
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main_) == "完了"; }, 30000));
    EXPECT_FALSE(Exists(dir_ + "a.txt"));
}

// ---- one job at a time, whatever order the messages come in

TEST_F(VorlaxDrop, NoDropWhileAModalDialogIsOpen) {
    struct Case {
        const char* name;
        int command;
        const char* title;
    };
    const Case cases[] = {
        {"open", 40001, "開いて変換"},
        {"settings", 65535, "Vorlax - 設定"},
        {"about", 40005, "Vorlax - バージョン情報"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page = Page(std::string(c.name) + ".htm");
        const std::string output = dir_ + c.name + ".txt";
        PostCommand(main_, c.command);
        HWND dialog = WaitForTopWindow(process_.id(), "#32770", c.title);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(DropFiles({page}), 3);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        Sleep(300);
        EXPECT_FALSE(Exists(output));
        // Taken again once the dialog is gone.
        EXPECT_EQ(DropFiles({page}), 0);
        EXPECT_TRUE(WaitUntil([&] { return Exists(output); }));
        ASSERT_TRUE(Done());
    }
}

// A large page dropped while the open dialog is open, a small one chosen in
// it: only the small one converts, and the exit leaves no part of the large
// one's output behind.
TEST_F(VorlaxDrop, ADropDuringTheOpenDialogStartsNoSecondJob) {
    SlowPage("large.htm", 4LL << 30);
    Page("small.htm");
    HWND dialog = OpenTheOpenDialog(process_.id(), main_);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(DropFiles({dir_ + "large.htm"}), 3);
    ASSERT_TRUE(ChooseInFileDialog(dialog, {dir_, "\"small.htm\""}));
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main_) == "完了"; }, 30000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main_, 1031)));
    // No job runs: the exit asks nothing.
    PostCommand(main_, 2);
    EXPECT_EQ(process_.Wait(), 0u);
    main_ = nullptr;
    EXPECT_EQ(ListFolder(dir_), (std::vector<std::string>{"large.htm", "small.htm", "small.txt"}));
}

// The system ends the session while a job runs: WM_QUERYENDSESSION asks
// first, and the output under way is gone before the program lets the
// session end.
TEST_F(VorlaxApp, TheSessionEndingDuringAJob) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wparam;
        int answer;      // the button pressed in the question; 0: no question
        LRESULT result;  // what the window answers
        bool goes_on;    // the job still runs afterwards
    };
    const Case cases[] = {
        {"query, keep", WM_QUERYENDSESSION, 0, IDNO, FALSE, true},
        {"query, stop", WM_QUERYENDSESSION, 0, IDYES, TRUE, false},
        {"end", WM_ENDSESSION, TRUE, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : ListFolder(dir_)) DeleteFileA((dir_ + name).c_str());
        SlowPage("slow.htm", 3LL << 30);
        Process p = Start(VorlaxCommand(), dir_);
        HWND main = WaitForMainWindow(p);
        ASSERT_TRUE(main);
        ASSERT_TRUE(ChooseInOpenDialog(p.id(), main, dir_, "\"slow.htm\""));
        ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "slow.txt"); }));
        SentMessage sent(main, c.message, c.wparam, 0);
        if (c.answer) {
            auto box = WaitForMessageBox(p.id());
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text, kAbortQuestion);
            Press(box->window, c.answer);
        }
        ASSERT_TRUE(sent.Wait());
        EXPECT_EQ(sent.result(), c.result);
        // Before the window answered, the output under way was removed.
        EXPECT_EQ(Exists(dir_ + "slow.txt"), c.goes_on);
        EXPECT_FALSE(ShowsMessageBox(p.id()));
        p.Kill();  // as the system ends the program
        if (!c.goes_on) {
            EXPECT_EQ(ListFolder(dir_), std::vector<std::string>{"slow.htm"});
        }
    }
}

// The session ends while the worker shows a box: the box is answered for
// the user, and the window lets the session end.
TEST_F(VorlaxApp, TheSessionEndingWhileTheWorkerAsks) {
    Process p = Start(VorlaxCommand("missing.htm"), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    auto box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, std::string("missing.htm") + kOpenFailure);
    SentMessage sent(main, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(sent.Wait(10000));
    EXPECT_FALSE(IsWindow(box->window));
}

TEST_F(VorlaxApp, ASecondPlainStartDuringAJobLeavesItRunning) {
    SlowPage("slow.htm", 600 << 20);
    Process first = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(first);
    ASSERT_TRUE(main);
    ASSERT_TRUE(ChooseInOpenDialog(first.id(), main, dir_, "\"slow.htm\""));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "slow.txt"); }));
    Process second = Start(VorlaxCommand(), dir_);
    EXPECT_EQ(second.Wait(), 0u);
    EXPECT_FALSE(ShowsMessageBox(first.id()));
    EXPECT_EQ(StatusText(main), "変換中[1/1]:slow.htm");
    // The job goes on to its end.
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main) == "完了"; }, 60000));
    EXPECT_EQ(ReadBytes(dir_ + "slow.txt"), Converted("<p>slow</p>"));
}

// ---- paths too long for the platform

// A page whose path is 300 bytes, and a page named as the first 259 bytes
// of that path: "page.htm" in the same folder, which could be converted.
struct LongPaths {
    std::string folder, whole, cut;
};

LongPaths MakeLongPaths(const std::string& dir) {
    LongPaths p;
    p.folder = dir + std::string(100, 'd') + "\\";
    p.folder += std::string(251 - p.folder.size() - 1, 'e') + "\\";
    p.cut = p.folder + "page.htm";
    p.whole = p.cut + std::string(300 - p.cut.size() - 4, 'l') + ".htm";
    MakeFolders(p.folder.substr(0, p.folder.size() - 1));
    WriteBytes(p.whole, kPlainPage);
    WriteBytes(p.cut, kPlainPage);
    return p;
}

// The open-failure box names the whole path, shortened in the middle, and
// fits the screen.
void ExpectWholePathRefused(const MessageBoxSeen& box, const std::string& path) {
    const std::string suffix = kOpenFailure;
    ASSERT_GT(box.text.size(), suffix.size());
    EXPECT_EQ(box.text.substr(box.text.size() - suffix.size()), suffix);
    const std::string shown = box.text.substr(0, box.text.size() - suffix.size());
    const std::size_t gap = shown.find("...");
    ASSERT_NE(gap, std::string::npos) << shown;
    const std::string head = shown.substr(0, gap), tail = shown.substr(gap + 3);
    EXPECT_FALSE(head.empty());
    EXPECT_FALSE(tail.empty());
    EXPECT_LT(head.size() + tail.size(), path.size());
    EXPECT_EQ(path.substr(0, head.size()), head);
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
    const RECT r = WindowRect(box.window);
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(VorlaxDrop, AnOverLongDroppedPathIsRefusedWhole) {
    const LongPaths paths = MakeLongPaths(dir_);
    ASSERT_EQ(paths.cut.size(), 259u);
    ASSERT_TRUE(Exists(paths.whole));
    ASSERT_TRUE(Exists(paths.cut));
    ASSERT_EQ(DropFiles({paths.whole}), 0);
    auto box = WaitForMessageBox(process_.id());
    EXPECT_TRUE(box);
    if (box) {
        ExpectWholePathRefused(*box, paths.whole);
        Press(box->window, IDOK);
    }
    ASSERT_TRUE(Done());
    // Nothing was converted, the page of the cut name least of all.
    EXPECT_EQ(ListFolder(paths.folder), (std::vector<std::string>{paths.cut.substr(paths.folder.size()),
                                                                  paths.whole.substr(paths.folder.size())}));
}

TEST_F(VorlaxApp, OverLongPathsOnTheCommandLineAndInAListAreRefusedWhole) {
    const LongPaths paths = MakeLongPaths(dir_);
    const std::string list = dir_ + "list.lst";
    struct Case {
        const char* name;
        std::string arguments;
    };
    const Case cases[] = {
        {"command line", "\"" + paths.whole + "\" \"" + paths.cut + "\""},
        {"list file", "/r \"" + list + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(list, paths.whole + "\r\n" + paths.cut + "\r\n");
        Process p = Start(VorlaxCommand(c.arguments), dir_);
        auto box = WaitForMessageBox(p.id());
        EXPECT_TRUE(box);
        if (box) {
            ExpectWholePathRefused(*box, paths.whole);
            Press(box->window, IDOK);
        }
        EXPECT_EQ(p.Wait(), 0u);
        EXPECT_EQ(ListFolder(paths.folder), (std::vector<std::string>{paths.cut.substr(paths.folder.size()),
                                                                      paths.whole.substr(paths.folder.size())}));
    }
    EXPECT_FALSE(Exists(list));
}

// ---- the about box, the help file

TEST_F(VorlaxApp, AboutBox) {
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    for (int close : {IDOK, IDCANCEL}) {
        PostCommand(main, 40005);
        HWND about = WaitForTopWindow(p.id(), "#32770", "Vorlax - バージョン情報");
        ASSERT_TRUE(about);
        EXPECT_EQ(WindowText(GetDlgItem(about, 1025)),
                  "HTML=>TEXT変換フィルタ\nVorlax Ver.1.73 for WIN95/98/Me/NT4.0/2000/XP\n(C) 2026 Vorlax の開発者");
        EXPECT_EQ(WindowText(GetDlgItem(about, 1034)), "http://www.example.com/vorlax/");
        EXPECT_EQ(WindowText(GetDlgItem(about, 1038)), "mailto:vorlax@example.com");
        PostMessageA(about, WM_COMMAND, close, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    }
}

TEST_F(VorlaxApp, HelpAndLinksOpenThroughTheShell) {
    // .txt files and http: and mailto: addresses open with the stub.
    OpenVerbOverride txt(TextFileClass()), http("http"), mailto("mailto");
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    PostCommand(main, 40004);
    ASSERT_TRUE(WaitUntil([&] { return EditorLog().size() == 1; }));
    EXPECT_EQ(EditorLog()[0], "\"" + ProgramFolder() + "editor_stub.exe\" \"" + ProgramFolder() + "Vorlax.txt\"");

    PostCommand(main, 40005);
    HWND about = WaitForTopWindow(p.id(), "#32770", "Vorlax - バージョン情報");
    ASSERT_TRUE(about);
    for (int id : {1034, 1038})
        PostMessageA(about, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(about, id)));
    ASSERT_TRUE(WaitUntil([&] { return EditorLog().size() == 3; }));
    std::vector<std::string> log = EditorLog();
    std::sort(log.begin() + 1, log.end());
    const std::string stub = "\"" + ProgramFolder() + "editor_stub.exe\" ";
    EXPECT_EQ(log[1], stub + "\"http://www.example.com/vorlax/\"");
    EXPECT_EQ(log[2], stub + "\"mailto:vorlax@example.com\"");
    PostMessageA(about, WM_COMMAND, IDOK, 0);
}

TEST_F(VorlaxApp, AWindowClosedWhileMinimisedStartsAtTheCorner) {
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }));
    const RECT minimised = WindowRect(main);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(SettingValue(nullptr, "WindowPos_left")->bytes, DwordBytes(static_cast<DWORD>(minimised.left)));
    Process again = Start(VorlaxCommand(), dir_);
    main = WaitForMainWindow(again);
    ASSERT_TRUE(main);
    if (minimised.left < 0 && minimised.top < 0) {
        EXPECT_EQ(WindowRect(main).left, 0);
        EXPECT_EQ(WindowRect(main).top, 0);
    }
}

// ---- screenshots, for the README (VORLAX_SCREENSHOTS names the folder)

TEST_F(VorlaxApp, Screenshots) {
    const std::string shots = ScreenshotFolder();
    if (shots.empty()) GTEST_SKIP() << "VORLAX_SCREENSHOTS is not set";
    Process p = Start(VorlaxCommand(), dir_);
    HWND main = WaitForMainWindow(p);
    ASSERT_TRUE(main);
    Sleep(700);
    EXPECT_TRUE(SaveScreenshot(main, shots + "main-idle.bmp"));

    SlowPage("ページ.html", 3LL << 30);
    ASSERT_TRUE(ChooseInOpenDialog(p.id(), main, dir_, "\"ページ.html\""));
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main).rfind("変換中", 0) == 0; }));
    Sleep(500);
    EXPECT_TRUE(SaveScreenshot(main, shots + "main-converting.bmp"));

    PostCommand(main, 40001);
    auto box = WaitForMessageBox(p.id());
    ASSERT_TRUE(box);
    Sleep(500);
    EXPECT_TRUE(SaveScreenshot(box->window, shots + "abort-question.bmp"));
    Press(box->window, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main) == "完了"; }, 60000));
    Sleep(500);
    EXPECT_TRUE(SaveScreenshot(main, shots + "main-done.bmp"));

    PostCommand(main, 40005);
    HWND about = WaitForTopWindow(p.id(), "#32770", "Vorlax - バージョン情報");
    ASSERT_TRUE(about);
    Sleep(700);
    EXPECT_TRUE(SaveScreenshot(about, shots + "about.bmp"));
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    PostCommand(main, 2);
    EXPECT_EQ(p.Wait(), 0u);

    // A path too long for the platform, shortened in the middle.
    const LongPaths paths = MakeLongPaths(dir_);
    Process refused = Start(VorlaxCommand("\"" + paths.whole + "\""), dir_);
    box = WaitForMessageBox(refused.id());
    ASSERT_TRUE(box);
    Sleep(500);
    EXPECT_TRUE(SaveScreenshot(box->window, shots + "long-path.bmp"));
    Press(box->window, IDOK);
    EXPECT_EQ(refused.Wait(), 0u);
}

}  // namespace
}  // namespace vorlax::wintest
