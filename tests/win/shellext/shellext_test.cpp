// The shell extension as the shell drives it, under Wine. The direct cases
// load shVorlax.dll (beside the test program) with LoadLibraryA and drive it
// through DllGetClassObject, the factory and the object's two interfaces,
// on real files and folders in the prefix; choosing an item starts the
// stand-in Vorlax.exe, whose record shows the command line and the list
// file's bytes. The Explorer-like cases register the extension as an
// installation does and let shellext_explorer_host.exe right-click a file
// and a folder through the shell's own data objects; the stand-in then
// converts what the list names.
//
// VORLAX_PLATFORM_ID: the platform id the script made Wine report (2,
// Windows NT, by default; 1 when it runs the program as Windows 98).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "shellext/commands.h"
#include "tests/win/gui_driver.h"
#include "tests/win/shellext/data_object.h"
#include "tests/win/shellext/host_support.h"

namespace vorlax::test {
std::string_view EmbeddedFile(std::string_view name);
}

namespace vorlax::shellext::test {
namespace {

using wintest::ProgramFolder;

const CLSID kClassId = {0x7D6E5756, 0x62BA, 0x4BF7, {0x9B, 0xDE, 0x71, 0xF5, 0x12, 0xAE, 0x9B, 0xBB}};
constexpr char kClassIdText[] = "{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}";

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

GetClassObjectFn get_class_object;
CanUnloadNowFn can_unload_now;

// A result as "0x8007000E", for readable comparisons.
std::string Hr(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

template <typename F>
F Export(HMODULE module, const char* name) {
    // Through a generic function type, which any other converts to.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string DllPath() { return ProgramFolder() + "shVorlax.dll"; }
std::string StubPath() { return ProgramFolder() + "shellext_stub_vorlax.exe"; }

// Loads the DLL and finds its two exports; null when either is missing.
HMODULE LoadExtension() {
    HMODULE module = LoadLibraryA(DllPath().c_str());
    if (module == nullptr) {
        ADD_FAILURE() << "LoadLibraryA " << DllPath() << ": error " << GetLastError();
        return nullptr;
    }
    get_class_object = Export<GetClassObjectFn>(module, "DllGetClassObject");
    can_unload_now = Export<CanUnloadNowFn>(module, "DllCanUnloadNow");
    if (!get_class_object || !can_unload_now) {
        ADD_FAILURE() << "the exports are missing";
        FreeLibrary(module);
        return nullptr;
    }
    return module;
}

// Signalled by the stand-in when its record is complete.
HANDLE StubDone() {
    static const HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kStubDoneEvent);
    return done;
}

DWORD PlatformId() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version.dwPlatformId;
}

// ---- the tree the cases work on

const std::string kRoot = "C:\\shx";
const std::string kTree = kRoot + "\\t";
const std::string kApp = kRoot + "\\app\\";
const std::string kBlankApp = kRoot + "\\Program Files\\表 ソ\\";
const std::string kEmptyApp = kRoot + "\\no program\\";
const char kPage[] = "<html><body><p>ページ</p></body></html>\r\n";

void MakeTree() {
    const std::string stub = StubPath();
    for (const char* folder :
         {"", "\\t", "\\t\\one", "\\t\\site", "\\t\\site\\表", "\\t\\site\\表\\ソ", "\\t\\mix",
          "\\t\\表ソ", "\\t\\long", "\\app", "\\Program Files", "\\Program Files\\表 ソ",
          "\\no program"})
        wintest::MakeFolders(kRoot + folder);
    for (const char* file :
         {"\\one\\page.html", "\\site\\a.htm", "\\site\\notes.txt", "\\site\\表\\表1.htm",
          "\\site\\表\\ソ\\deep.htm", "\\mix\\x.htmx", "\\mix\\y.txt", "\\mix\\z.HTML",
          "\\表ソ\\ソース.htm", "\\long\\a long page name.html"})
        wintest::WriteBytes(kTree + file, kPage);
    // Names that CP932 cannot hold, made in Unicode: C:\shx\t\intl holds
    // a.htm, café.htm and the folder dé with x.htm.
    CreateDirectoryW(L"C:\\shx\\t\\intl", nullptr);
    CreateDirectoryW(L"C:\\shx\\t\\intl\\d\u00e9", nullptr);
    for (const wchar_t* file : {L"C:\\shx\\t\\intl\\a.htm", L"C:\\shx\\t\\intl\\caf\u00e9.htm",
                                L"C:\\shx\\t\\intl\\d\u00e9\\x.htm"}) {
        HANDLE f = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_TRUE(f != INVALID_HANDLE_VALUE) << "create a file with a name CP932 cannot hold";
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    EXPECT_TRUE(CopyFileA(stub.c_str(), (kApp + "Vorlax.exe").c_str(), FALSE) != 0) << "copy the stub";
    EXPECT_TRUE(CopyFileA(stub.c_str(), (kBlankApp + "Vorlax.exe").c_str(), FALSE) != 0) << "copy the stub into a folder with blanks";
}

// "Application Path" under HKEY_LOCAL_MACHINE\SOFTWARE\Zel\Vorlax; none when null.
void SetInstallFolder(const char* folder) {
    wintest::DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax");
    if (folder == nullptr) return;
    wintest::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax", "Application Path", folder);
    EXPECT_TRUE(wintest::ValueAt(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax", "Application Path")) << "create the install key";
}

// ---- the extension, as the shell obtains it

struct Extension {
    IClassFactory* factory = nullptr;
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;

    Extension() {
        EXPECT_EQ(Hr(get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory))), Hr(S_OK)) << "DllGetClassObject";
        if (!factory) return;
        EXPECT_EQ(Hr(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))), Hr(S_OK)) << "CreateInstance";
        if (init) {
            EXPECT_EQ(Hr(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu))), Hr(S_OK))
                << "QueryInterface IContextMenu";
        }
    }
    ~Extension() {
        if (menu) menu->Release();
        if (init) init->Release();
        if (factory) factory->Release();
    }
    bool ok() const { return menu != nullptr; }
};

HMENU PopupWithTwoItems() {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "前");
    AppendMenuA(popup, MF_STRING, 2, "後");
    return popup;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\r\n";
    return all;
}

const std::string kOneItemMenu = std::string("1 前\nSEP\n100 ") + kConvertItem + "\nSEP\n2 後\n";
const std::string kTwoItemMenu = std::string("1 前\nSEP\n100 ") + kConvertItem + "\n101 " +
                                 kConvertWithSubfoldersItem + "\nSEP\n2 後\n";
const std::string kUnchangedMenu = "1 前\n2 後\n";

// Chooses a menu item by its command offset `verb`.
HRESULT Invoke(IContextMenu* menu, UINT_PTR verb, HANDLE done) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = reinterpret_cast<LPCSTR>(verb);
    info.nShow = SW_SHOWNORMAL;
    ResetEvent(done);
    return menu->InvokeCommand(&info);
}

// ---- the menu cases: a selection, a menu request, a choice, the list file

struct MenuCase {
    const char* name;
    std::vector<std::string> selection;
    TestDataObject::Mode mode;
    bool shift;
    UINT flags, first, last;
    HRESULT menu_result;
    std::string menu;
    int verb;  // -1: nothing chosen
    std::string install_folder;
    std::vector<std::string> listed;
    // Only where the extension reads names in Unicode (Windows NT): the
    // ANSI road gets such names from the system already replaced.
    bool unicode_only = false;
};

std::vector<MenuCase> MenuCases() {
    using M = TestDataObject::Mode;
    const std::string t = kTree;
    char short_path[MAX_PATH] = "";
    GetShortPathNameA((t + "\\long\\a long page name.html").c_str(), short_path, MAX_PATH);
    const std::string too_long = t + "\\" + std::string(290, 'x') + ".html";
    return {
        {"one .html file", {t + "\\one\\page.html"}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\one\\page.html"}},
        {"one .html file, Shift held", {t + "\\one\\page.html"}, M::kServe, true, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\one\\page.html"}},
        {"one .html file, UTF-16 names", {t + "\\one\\page.html"}, M::kServeWide, false, 0, 100,
         200, MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\one\\page.html"}},
        {"folder without Shift", {t + "\\site"}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\site\\a.htm"}},
        {"folder with Shift, second item", {t + "\\site"}, M::kServe, true, 0, 100, 200,
         MAKE_HRESULT(0, 0, 2), kTwoItemMenu, 1, kApp,
         {t + "\\site\\表\\ソ\\deep.htm", t + "\\site\\表\\表1.htm", t + "\\site\\a.htm"}},
        {"folder with Shift, first item", {t + "\\site"}, M::kServe, true, 0, 100, 200,
         MAKE_HRESULT(0, 0, 2), kTwoItemMenu, 0, kApp, {t + "\\site\\a.htm"}},
        {"files and a folder in the shell's order",
         {t + "\\mix\\x.htmx", t + "\\mix\\y.txt", t + "\\site", t + "\\mix\\z.HTML"}, M::kServe,
         false, 0, 100, 200, MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp,
         {t + "\\mix\\x.htmx", t + "\\site\\a.htm", t + "\\mix\\z.HTML"}},
        {"no HTML file: an empty list", {t + "\\mix\\y.txt"}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {}},
        {"nothing selected: an empty list", {}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {}},
        {"CMF_DEFAULTONLY: no items", {t + "\\site"}, M::kServe, true, CMF_DEFAULTONLY, 100, 200,
         MAKE_HRESULT(0, 0, 0), kUnchangedMenu, -1, kApp, {}},
        {"CMF_NOVERBS: no items", {t + "\\site"}, M::kServe, true, CMF_NOVERBS, 100, 200,
         MAKE_HRESULT(0, 0, 0), kUnchangedMenu, -1, kApp, {}},
        {"CMF_EXPLORE: the items", {t + "\\site"}, M::kServe, true, CMF_EXPLORE, 100, 200,
         MAKE_HRESULT(0, 0, 2), kTwoItemMenu, 1, kApp,
         {t + "\\site\\表\\ソ\\deep.htm", t + "\\site\\表\\表1.htm", t + "\\site\\a.htm"}},
        {"an id range with room for one item", {t + "\\site"}, M::kServe, true, 0, 100, 100,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\site\\a.htm"}},
        {"an empty id range", {t + "\\site"}, M::kServe, true, 0, 100, 99, MAKE_HRESULT(0, 0, 0),
         kUnchangedMenu, -1, kApp, {}},
        {"double-byte names ending in 0x5C", {t + "\\表ソ\\ソース.htm", t + "\\表ソ"}, M::kServe,
         true, 0, 100, 200, MAKE_HRESULT(0, 0, 2), kTwoItemMenu, 1, kApp,
         {t + "\\表ソ\\ソース.htm", t + "\\表ソ\\ソース.htm"}},
        {"a short name gets its long name", {short_path}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\long\\a long page name.html"}},
        {"install folder with blanks", {t + "\\one\\page.html"}, M::kServe, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kBlankApp, {t + "\\one\\page.html"}},
        {"paths that do not exist", {t + "\\missing.html", t + "\\missing folder"}, M::kServe,
         true, 0, 100, 200, MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\missing.html"}},
        {"a path too long for a path buffer is left out", {too_long, t + "\\one\\page.html"},
         M::kServe, false, 0, 100, 200, MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp,
         {t + "\\one\\page.html"}},
        // Left out, never written as another name ("caf?.htm" is a
        // wildcard, "cafe.htm" another file).
        {"a selected name that CP932 cannot hold is left out",
         {t + "\\intl\\caf\xC3\xA9.htm", t + "\\intl\\a.htm"}, M::kServeUtf8, false, 0, 100, 200,
         MAKE_HRESULT(0, 0, 1), kOneItemMenu, 0, kApp, {t + "\\intl\\a.htm"}, true},
        {"a folder walk passes over names that CP932 cannot hold", {t + "\\intl"}, M::kServe, true, 0,
         100, 200, MAKE_HRESULT(0, 0, 2), kTwoItemMenu, 1, kApp, {t + "\\intl\\a.htm"}, true},
    };
}

// The direct cases: the DLL loaded for each test and freed after it, when
// nothing of it may be alive any more.
class DirectHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MakeTree(); }
    void SetUp() override {
        module_ = LoadExtension();
        ASSERT_TRUE(module_);
    }
    void TearDown() override {
        if (!module_) return;
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow after the cases";
        FreeLibrary(module_);
    }

private:
    HMODULE module_ = nullptr;
};

void RunMenuCase(const MenuCase& c, HANDLE done) {
    const std::string name = c.name;
    SetInstallFolder(c.install_folder.c_str());
    TestDataObject data(c.selection, c.mode);
    {
        Extension ext;
        if (!ext.ok()) return;
        // Every search, file, process and thread handle the extension
        // opens is closed again.
        const unsigned long handles = OwnHandleCount();
        EXPECT_EQ(Hr(ext.init->Initialize(nullptr, &data, nullptr)), Hr(S_OK)) << name + ": Initialize";
        EXPECT_TRUE(data.references() == 2) << name + ": the extension holds the data object once";
        SetShift(c.shift);
        HMENU popup = PopupWithTwoItems();
        EXPECT_EQ(Hr(ext.menu->QueryContextMenu(popup, 1, c.first, c.last, c.flags)), Hr(c.menu_result)) << name + ": QueryContextMenu";
        SetShift(false);
        EXPECT_EQ(MenuListing(popup), c.menu) << name + ": menu";
        DestroyMenu(popup);
        if (c.verb >= 0) {
            const std::set<std::string> lists_before = ListFiles();
            HRESULT invoked = Invoke(ext.menu, static_cast<UINT_PTR>(c.verb), done);
            DWORD error = GetLastError();
            if (invoked == E_FAIL) {
                // Under Wine a new process now and then dies while it loads,
                // and the start fails: one more try, said on the output, so
                // that a real fault still fails.
                std::printf("%s: the stand-in did not start (error %lu), tried again\n", c.name, error);
                invoked = Invoke(ext.menu, static_cast<UINT_PTR>(c.verb), done);
                error = GetLastError();
            }
            EXPECT_EQ(Hr(invoked), Hr(S_OK)) << name + ": InvokeCommand, error " + std::to_string(error);
            const std::string record = invoked == S_OK ? AwaitStub(done, c.install_folder) : std::string();
            const std::string list_path = RecordedListFile(record);
            EXPECT_TRUE(IsListFileName(list_path)) << name + ": list file name " + list_path;
            EXPECT_TRUE(lists_before.count(list_path) == 0) << name + ": a new list file";
            EXPECT_EQ(record, ExpectedRecord(c.install_folder, list_path, Lines(c.listed))) << name + ": the stub's record";
        }
        const unsigned long handles_after = OwnHandleCount();
        EXPECT_TRUE(handles_after == handles) << name + ": " + std::to_string(handles) + " handles before, " + std::to_string(handles_after) + " after";
    }
    EXPECT_TRUE(data.references() == 1) << name + ": the data object is released with the extension";
}

// ---- failures of InvokeCommand

TEST_F(DirectHost, MenuCases) {
    for (const MenuCase& c : MenuCases()) {
        if (c.unicode_only && PlatformId() != VER_PLATFORM_WIN32_NT) continue;
        SCOPED_TRACE(c.name);
        RunMenuCase(c, StubDone());
    }
}

TEST_F(DirectHost, InvokeCommandFailures) {
    const HANDLE done = StubDone();
    const std::string page = kTree + "\\one\\page.html";
    {
        const std::string name = "a verb given as a string";
        SetInstallFolder(kApp.c_str());
        TestDataObject data({page});
        Extension ext;
        ext.init->Initialize(nullptr, &data, nullptr);
        const std::set<std::string> before = ListFiles();
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = "open";
        EXPECT_EQ(Hr(ext.menu->InvokeCommand(&info)), Hr(E_INVALIDARG)) << name;
        EXPECT_TRUE(ListFiles() == before) << name + ": no list file written";
        EXPECT_TRUE(!wintest::Exists(kApp + kStubRecordFile)) << name + ": nothing started";
    }
    // The program can't be started: the list file written stays behind.
    struct Case {
        const char* name;
        const char* install_folder;  // null: no "Application Path"
        HRESULT result;
    };
    const Case cases[] = {
        {"\"Application Path\" missing", nullptr, E_INVALIDARG},
        {"no Vorlax.exe in the install folder", kEmptyApp.c_str(), E_FAIL},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        SetInstallFolder(c.install_folder);
        TestDataObject data({page});
        Extension ext;
        ext.init->Initialize(nullptr, &data, nullptr);
        const std::set<std::string> before = ListFiles();
        EXPECT_EQ(Hr(Invoke(ext.menu, 0, done)), Hr(c.result)) << name;
        std::set<std::string> made = ListFiles();
        for (const std::string& old : before) made.erase(old);
        EXPECT_TRUE(made.size() == 1) << name + ": the list file stays";
        for (const std::string& list : made) {
            EXPECT_EQ(wintest::ReadBytes(list).value_or(""), page + "\r\n") << name + ": the list file's bytes";
            DeleteFileA(list.c_str());
        }
        EXPECT_TRUE(!wintest::Exists(kApp + kStubRecordFile)) << name + ": nothing started";
    }
}

// ---- Initialize: failures, and a second call on the same object

TEST_F(DirectHost, InitializeFailuresAndASecondCall) {
    const HANDLE done = StubDone();
    using M = TestDataObject::Mode;
    struct Case {
        const char* name;
        M mode;
    };
    const Case failures[] = {{"the data request fails", M::kFail},
                             {"a medium without a memory handle", M::kNoHandle}};
    SetInstallFolder(kApp.c_str());
    {
        Extension ext;
        EXPECT_EQ(Hr(ext.init->Initialize(nullptr, nullptr, nullptr)), Hr(E_FAIL)) << "no data object";
    }
    for (const Case& c : failures) {
        const std::string name = c.name;
        TestDataObject good({kTree + "\\one\\page.html"});
        TestDataObject bad({kTree + "\\one\\page.html"}, c.mode);
        Extension ext;
        ext.init->Initialize(nullptr, &good, nullptr);
        EXPECT_EQ(Hr(ext.init->Initialize(nullptr, &bad, nullptr)), Hr(E_FAIL)) << name;
        EXPECT_TRUE(good.references() == 1) << name + ": the earlier data object is released";
        // The selection is empty afterwards: the list has no lines.
        EXPECT_EQ(Hr(Invoke(ext.menu, 0, done)), Hr(S_OK)) << name + ": InvokeCommand";
        const std::string record = AwaitStub(done, kApp);
        EXPECT_EQ(record, ExpectedRecord(kApp, RecordedListFile(record), "")) << name + ": empty list";
    }
    {
        const std::string name = "a second Initialize";
        TestDataObject folder({kTree + "\\site"});
        TestDataObject file({kTree + "\\one\\page.html"});
        Extension ext;
        ext.init->Initialize(nullptr, &folder, nullptr);
        EXPECT_EQ(Hr(ext.init->Initialize(nullptr, &file, nullptr)), Hr(S_OK)) << name;
        EXPECT_TRUE(folder.references() == 1 && file.references() == 2) << name + ": holds the new data object only";
        // The folder flag stays from the first call: two items with Shift.
        SetShift(true);
        HMENU popup = PopupWithTwoItems();
        EXPECT_EQ(Hr(ext.menu->QueryContextMenu(popup, 1, 100, 200, 0)), Hr(MAKE_HRESULT(0, 0, 2))) << name + ": QueryContextMenu";
        SetShift(false);
        EXPECT_EQ(MenuListing(popup), kTwoItemMenu) << name + ": menu";
        DestroyMenu(popup);
        EXPECT_EQ(Hr(Invoke(ext.menu, 1, done)), Hr(S_OK)) << name + ": InvokeCommand";
        const std::string record = AwaitStub(done, kApp);
        EXPECT_EQ(record, ExpectedRecord(kApp, RecordedListFile(record), kTree + "\\one\\page.html\r\n")) << name + ": only the new selection is listed";
    }
}

// ---- GetCommandString

// The answers do not depend on the platform (the script runs them as
// Windows 98 too).
TEST_F(DirectHost, CommandStrings) {
    Extension ext;
    ASSERT_TRUE(ext.ok());
    const std::string help = kHelpText;
    const std::wstring wide_help = L"選択されたﾌｧｲﾙのﾃｷｽﾄ形式への変換";
    struct Case {
        const char* name;
        UINT_PTR command;
        UINT flags;
        UINT capacity;
        HRESULT result;
        std::string bytes;  // the buffer afterwards (64 bytes, 0xCC where untouched)
    };
    auto ansi = [](const std::string& text) {
        std::string b = text + '\0';
        return b + std::string(64 - b.size(), '\xCC');
    };
    auto wide = [](const std::wstring& text) {
        std::string b(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(WCHAR));
        return b + std::string(64 - b.size(), '\xCC');
    };
    const std::string untouched(64, '\xCC');
    const Case cases[] = {
        {"GCS_HELPTEXTA", 0, GCS_HELPTEXTA, 40, S_OK, ansi(help)},
        {"GCS_HELPTEXTA, second item", 1, GCS_HELPTEXTA, 40, S_OK, ansi(help)},
        {"GCS_HELPTEXTA, any id", 7, GCS_HELPTEXTA, 64, S_OK, ansi(help)},
        {"GCS_HELPTEXTA, exact room", 0, GCS_HELPTEXTA, 33, S_OK, ansi(help)},
        {"GCS_HELPTEXTA cut", 0, GCS_HELPTEXTA, 12, S_OK, ansi(help.substr(0, 11))},
        {"GCS_HELPTEXTA cut before a double-byte character", 0, GCS_HELPTEXTA, 32, S_OK,
         ansi(help.substr(0, 30))},
        {"GCS_HELPTEXTA, room for the terminator only", 0, GCS_HELPTEXTA, 1, S_OK, ansi("")},
        {"GCS_HELPTEXTA, no room", 0, GCS_HELPTEXTA, 0, E_INVALIDARG, untouched},
        {"GCS_HELPTEXTW", 0, GCS_HELPTEXTW, 32, S_OK, wide(wide_help)},
        {"GCS_HELPTEXTW, second item", 1, GCS_HELPTEXTW, 32, S_OK, wide(wide_help)},
        {"GCS_HELPTEXTW, exact room", 0, GCS_HELPTEXTW, 21, S_OK, wide(wide_help)},
        {"GCS_HELPTEXTW cut", 0, GCS_HELPTEXTW, 5, S_OK, wide(wide_help.substr(0, 4))},
        {"GCS_VALIDATEA", 0, GCS_VALIDATEA, 40, S_OK, untouched},
        {"GCS_VALIDATEW", 1, GCS_VALIDATEW, 40, S_OK, untouched},
        {"GCS_VERBA", 0, GCS_VERBA, 40, E_NOTIMPL, untouched},
        {"GCS_VERBW", 0, GCS_VERBW, 40, E_NOTIMPL, untouched},
        {"GCS_VERBICONW", 0, GCS_VERBICONW, 40, E_NOTIMPL, untouched},
    };
    for (const Case& c : cases) {
        char buffer[64];
        std::memset(buffer, 0xCC, sizeof buffer);
        EXPECT_EQ(Hr(ext.menu->GetCommandString(c.command, c.flags, nullptr, buffer, c.capacity)), Hr(c.result)) << c.name;
        EXPECT_EQ(std::string(buffer, sizeof buffer), c.bytes) << std::string(c.name) + ": buffer";
    }
}

// ---- the module: factories, objects, interfaces, the object count

TEST_F(DirectHost, FactoriesObjectsInterfacesAndTheObjectCount) {
    const CLSID other = {0x7D6E5756, 0x62BA, 0x4BF7, {0x9B, 0xDE, 0x71, 0xF5, 0x12, 0xAE, 0x9B, 0xBC}};
    EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow with nothing alive";
    {
        void* out = &out;
        EXPECT_EQ(Hr(get_class_object(other, IID_IClassFactory, &out)), Hr(CLASS_E_CLASSNOTAVAILABLE)) << "another class id";
        EXPECT_TRUE(out == nullptr) << "another class id: out pointer null";
        out = &out;
        EXPECT_EQ(Hr(get_class_object(kClassId, IID_IContextMenu, &out)), Hr(E_NOINTERFACE)) << "a factory for an interface it lacks";
        EXPECT_TRUE(out == nullptr) << "a factory for an interface it lacks: out pointer null";
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow after refused requests";
    }
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Hr(get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory))), Hr(S_OK)) << "DllGetClassObject IClassFactory";
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow with a factory alive";
        IUnknown* unknown = nullptr;
        EXPECT_EQ(Hr(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))), Hr(S_OK)) << "factory IUnknown";
        EXPECT_TRUE(unknown == factory) << "factory IUnknown is the factory";
        void* out = &out;
        EXPECT_EQ(Hr(factory->QueryInterface(IID_IShellExtInit, &out)), Hr(E_NOINTERFACE)) << "factory IShellExtInit";
        EXPECT_TRUE(out == nullptr) << "factory IShellExtInit: out pointer null";
        EXPECT_TRUE(factory->AddRef() == 3) << "factory AddRef counts";
        EXPECT_TRUE(factory->Release() == 2) << "factory Release counts";
        EXPECT_TRUE(unknown->Release() == 1) << "factory Release counts down";

        IUnknown* outer = unknown;  // any non-null unknown asks for aggregation
        out = &out;
        EXPECT_EQ(Hr(factory->CreateInstance(outer, IID_IUnknown, &out)), Hr(CLASS_E_NOAGGREGATION)) << "aggregation";
        EXPECT_TRUE(out == nullptr) << "aggregation: out pointer null";
        out = &out;
        EXPECT_EQ(Hr(factory->CreateInstance(nullptr, IID_IDataObject, &out)), Hr(E_NOINTERFACE)) << "an object for an interface it lacks";
        EXPECT_TRUE(out == nullptr) << "an object for an interface it lacks: out pointer null";

        IUnknown* object = nullptr;
        EXPECT_EQ(Hr(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))), Hr(S_OK)) << "CreateInstance IUnknown";
        EXPECT_TRUE(factory->Release() == 0) << "the factory goes with its last reference";
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow with an object alive";
        IShellExtInit* init = nullptr;
        IContextMenu* menu = nullptr;
        IUnknown* again = nullptr;
        EXPECT_EQ(Hr(object->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init))), Hr(S_OK)) << "object IShellExtInit";
        EXPECT_EQ(Hr(object->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu))), Hr(S_OK)) << "object IContextMenu";
        EXPECT_EQ(Hr(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again))), Hr(S_OK)) << "IContextMenu's IUnknown";
        EXPECT_TRUE(static_cast<void*>(object) == static_cast<void*>(init)) << "IUnknown is the IShellExtInit part";
        EXPECT_TRUE(static_cast<void*>(again) == static_cast<void*>(init)) << "IUnknown through IContextMenu is the IShellExtInit part";
        EXPECT_TRUE(static_cast<void*>(menu) != static_cast<void*>(init)) << "IContextMenu is its own part";
        out = &out;
        EXPECT_EQ(Hr(object->QueryInterface(IID_IContextMenu2, &out)), Hr(E_NOINTERFACE)) << "object IContextMenu2";
        EXPECT_TRUE(out == nullptr) << "object IContextMenu2: out pointer null";
        EXPECT_TRUE(init->AddRef() == 5) << "object AddRef counts through either part";
        EXPECT_TRUE(menu->Release() == 4) << "object Release counts through either part";
        again->Release();
        menu->Release();
        init->Release();
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow with one reference left";
        EXPECT_TRUE(object->Release() == 0) << "the object goes with its last reference";
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow after the last object";
    }
    {
        // A locked factory keeps the module loaded after its release.
        IClassFactory* factory = nullptr;
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        EXPECT_EQ(Hr(factory->LockServer(TRUE)), Hr(S_OK)) << "LockServer(TRUE)";
        factory->Release();
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow with a lock held";
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        EXPECT_EQ(Hr(factory->LockServer(FALSE)), Hr(S_OK)) << "LockServer(FALSE)";
        factory->Release();
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow after the unlock";
        // An unlock without a lock does not cancel a later lock.
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        factory->LockServer(FALSE);
        factory->LockServer(FALSE);
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow: unlocks do not undo the factory";
        factory->LockServer(TRUE);
        factory->Release();
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_FALSE)) << "DllCanUnloadNow: a lock after extra unlocks holds";
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        factory->LockServer(FALSE);
        factory->Release();
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "DllCanUnloadNow at the end";
    }
}

// ---- debug lines: a reader of the system's debug-output buffer

struct DebugCapture {
    HANDLE buffer_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    HANDLE data_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                        "DBWIN_BUFFER");
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
    std::atomic<bool> stop{false};
    std::vector<std::string> lines;
    HANDLE thread = nullptr;
    HANDLE running = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    // The reader runs before the DLL is loaded: a thread that starts while
    // the loader is busy would miss the process-attach line.
    DebugCapture() {
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(running, INFINITE);
    }
    static DWORD WINAPI Run(void* self) {
        auto* c = static_cast<DebugCapture*>(self);
        const DWORD pid = GetCurrentProcessId();
        SetEvent(c->buffer_ready);
        SetEvent(c->running);
        // A line written before Stop() has set its event by then: the reader
        // ends only when none is waiting, so the last line is never lost.
        for (;;) {
            if (WaitForSingleObject(c->data_ready, 100) != WAIT_OBJECT_0) {
                if (c->stop) break;
                continue;
            }
            DWORD from;
            std::memcpy(&from, c->view, sizeof from);
            if (from == pid) c->lines.emplace_back(c->view + sizeof from);
            SetEvent(c->buffer_ready);
        }
        return 0;
    }
    std::vector<std::string> Stop() {
        stop = true;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
        return lines;
    }
    // The buffer goes with the reader: while it exists, every debug line of
    // every other process waits for a reader that no longer reads.
    ~DebugCapture() {
        if (thread) Stop();
        UnmapViewOfFile(view);
        for (HANDLE h : {mapping, buffer_ready, data_ready, running}) CloseHandle(h);
    }
};

// One whole use of the menu, from the DLL's load to its release, with the
// debug lines captured and compared.
TEST(DebugLines, OneUseOfTheMenu) {
    MakeTree();
    const HANDLE done = StubDone();
    DebugCapture capture;
    SetInstallFolder(kApp.c_str());
    HMODULE module = LoadExtension();
    ASSERT_TRUE(module);
    {
        // As the shell does it: the factory, the object, Initialize, the
        // menu, the help text, the choice, the release.
        IClassFactory* factory = nullptr;
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        IShellExtInit* init = nullptr;
        factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
        factory->Release();
        TestDataObject data({kTree + "\\one\\page.html"});
        init->Initialize(nullptr, &data, nullptr);
        IContextMenu* menu = nullptr;
        init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
        void* menu3 = nullptr;
        init->QueryInterface(IID_IContextMenu3, &menu3);
        init->Release();
        HMENU popup = CreatePopupMenu();
        menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL);
        WCHAR help[64];
        menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help), 64);
        EXPECT_EQ(Hr(Invoke(menu, 0, done)), Hr(S_OK)) << "debug lines: InvokeCommand";
        const std::string record = AwaitStub(done, kApp);
        EXPECT_EQ(record, ExpectedRecord(kApp, RecordedListFile(record), kTree + "\\one\\page.html\r\n")) << "debug lines: the stub's record";
        menu->Release();
        DestroyMenu(popup);
        EXPECT_EQ(Hr(can_unload_now()), Hr(S_OK)) << "debug lines: DllCanUnloadNow";
    }
    FreeLibrary(module);
    std::string got;
    for (const std::string& line : capture.Stop()) got += line;
    const std::string want =
        "In DLLMain, DLL_PROCESS_ATTACH\r\n"
        "In DllGetClassObject\r\n"
        "CShellExtClassFactory::CShellExtClassFactory()\r\n"
        "CShellExtClassFactory::QueryInterface()\r\n"
        "CShellExtClassFactory::CreateInstance()\r\n"
        "CShellExt::CShellExt()\r\n"
        "CShellExt::QueryInterface()==>IID_IShellExtInit\r\n"
        "CShellExt::AddRef()\r\n"
        "CShellExt::Initialize()\r\n"
        "CShellExt::QueryInterface()==>IID_IContextMenu\r\n"
        "CShellExt::AddRef()\r\n"
        "CShellExt::QueryInterface()==>Unknown Interface!\r\n"
        "CShellExt::Release()\r\n"
        "CShellExt::QueryContextMenu()\r\n"
        "CShellExt::GetCommandString()\r\n"
        "CShellExt::InvokeCommand()\r\n"
        "CShellExt::Release()\r\n"
        "In DLLCanUnloadNow\r\n"
        "In DLLMain, DLL_PROCESS_DETACH\r\n";
    EXPECT_EQ(got, want) << "the debug lines of one use of the menu";
}

TEST_F(DirectHost, RunsOnThePlatformAsked) {
    const char* asked = std::getenv("VORLAX_PLATFORM_ID");
    EXPECT_EQ(PlatformId(), asked ? std::strtoul(asked, nullptr, 10) : VER_PLATFORM_WIN32_NT);
}

// ---- as Explorer loads it

// The text in CP932, from UTF-8.
std::string Cp932(std::string_view utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    std::string text(static_cast<std::size_t>(n) * 2 + 1, '\0');
    const int m = WideCharToMultiByte(932, 0, wide.data(), n, text.data(), static_cast<int>(text.size()), nullptr,
                                      nullptr);
    text.resize(static_cast<std::size_t>(m));
    return text;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
}

bool UnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The extension installed as a user's machine has it: the classes, the
// handler keys and the class id in the registry view of the test program's
// own kind (an i686 one under WOW64 writes the 32-bit view), "Application
// Path", the DLL in the system folder and the stand-in as Vorlax.exe in the
// install folder. Then the Explorer-like host right-clicks; every output the
// stand-in converts must be the page's text with the default options.
class ExplorerHost : public ::testing::Test {
protected:
    void SetUp() override {
        label_ = UnderWow64() ? "wow64" : sizeof(void*) == 8 ? "win64" : "win32";
        install_ = UnderWow64() ? "C:\\Program Files (x86)\\Vorlax\\" : "C:\\Program Files\\Vorlax\\";
        base_ = "shx-e-" + label_;
        for (const char* key : {".htm", ".html"}) wintest::SetString(HKEY_CLASSES_ROOT, key, "", "htmlfile");
        for (const char* key : {"htmlfile\\shellex\\ContextMenuHandlers\\shVorlax",
                                "Directory\\shellex\\ContextMenuHandlers\\shVorlax"})
            wintest::SetString(HKEY_CLASSES_ROOT, key, "", kClassIdText);
        const std::string class_key = std::string("CLSID\\") + kClassIdText;
        wintest::SetString(HKEY_CLASSES_ROOT, class_key, "", "shVorlax");
        wintest::SetString(HKEY_CLASSES_ROOT, class_key + "\\InProcServer32", "", "shVorlax.dll");
        wintest::SetString(HKEY_CLASSES_ROOT, class_key + "\\InProcServer32", "ThreadingModel", "Apartment");
        wintest::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax", "Application Path", install_);
        char system[MAX_PATH] = "";
        GetSystemDirectoryA(system, MAX_PATH);
        ASSERT_TRUE(CopyFileA(DllPath().c_str(), (std::string(system) + "\\shVorlax.dll").c_str(), FALSE));
        wintest::MakeFolders(install_.substr(0, install_.size() - 1));
        ASSERT_TRUE(CopyFileA(StubPath().c_str(), (install_ + "Vorlax.exe").c_str(), FALSE));

        const std::string page(vorlax::test::EmbeddedFile("page.html"));
        const std::string c = "C:\\" + base_;
        wintest::MakeFolders(c + "\\pages");
        wintest::MakeFolders(c + "\\site\\表");
        for (const char* name : {"\\pages\\ページ.html", "\\pages\\other.html", "\\site\\top.htm",
                                 "\\site\\表\\nested.htm"})
            wintest::WriteBytes(c + name, page);
    }

    // Runs the host with these arguments; its report must be
    // expected/NAME.txt (@APP@ the install folder, @BASE@ the cases' folder
    // on drive C), and each output the page's conversion.
    void RightClick(const char* name, const std::string& arguments, const std::vector<std::string>& outputs) {
        SetEnvironmentVariableA("VORLAX_STUB_CONVERT", "1");
        std::string report;
        const DWORD status = wintest::RunCapturing(
            "\"" + ProgramFolder() + "shellext_explorer_host.exe\" " + arguments, report, 120000);
        SetEnvironmentVariableA("VORLAX_STUB_CONVERT", nullptr);
        EXPECT_EQ(status, 0u) << report;
        report.erase(std::remove(report.begin(), report.end(), '\r'), report.end());
        std::string expected = Cp932(vorlax::test::EmbeddedFile(std::string(name) + ".txt"));
        ReplaceAll(expected, "@APP@", install_);
        ReplaceAll(expected, "@BASE@", base_);
        EXPECT_EQ(report, expected) << "the host's report against expected/" << name << ".txt";
        for (const std::string& output : outputs)
            EXPECT_EQ(wintest::ReadBytes("C:\\" + base_ + output), vorlax::test::EmbeddedFile("page.default.txt"))
                << "C:\\" << base_ << output;
    }

    std::string label_, install_, base_;
};

TEST_F(ExplorerHost, AFile) {
    RightClick("explorer_file", "--verb 0 \"C:\\" + base_ + "\\pages\\ページ.html\"", {"\\pages\\ページ.txt"});
    EXPECT_FALSE(wintest::Exists("C:\\" + base_ + "\\pages\\other.txt")) << "an unselected file was converted";
}

TEST_F(ExplorerHost, AFolderWithShift) {
    RightClick("explorer_folder", "--shift --verb 1 C:\\" + base_ + "\\site",
               {"\\site\\top.txt", "\\site\\表\\nested.txt"});
    EXPECT_FALSE(wintest::Exists("C:\\" + base_ + "\\pages\\other.txt")) << "an unselected file was converted";
}

// The i686 extension beside the x86-64 one in a 64-bit system: its class
// and "Application Path" in the 32-bit view, which the 64-bit one sees under
// Wow6432Node.
TEST_F(ExplorerHost, UnderWow64TheKeysAreInThe32BitView) {
    if (!UnderWow64()) GTEST_SKIP() << "not under WOW64";
    const REGSAM view = KEY_READ | KEY_WOW64_64KEY;
    HKEY key;
    const std::string server = std::string("Software\\Classes\\Wow6432Node\\CLSID\\") + kClassIdText + "\\InProcServer32";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, server.c_str(), 0, view, &key), ERROR_SUCCESS)
        << "the 32-bit class is not under Wow6432Node";
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Zel\\Vorlax", 0, view, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Application Path", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "the 32-bit \"Application Path\" is not under Wow6432Node";
    RegCloseKey(key);
}

}  // namespace
}  // namespace vorlax::shellext::test
