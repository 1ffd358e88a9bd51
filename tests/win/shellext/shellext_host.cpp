// The shell extension's test host: loads shVorlax.dll with LoadLibraryA and
// drives it as the shell does, through DllGetClassObject, the factory and
// the object's two interfaces, on real files and folders in the prefix.
// Choosing an item starts the stand-in Vorlax.exe, whose record shows the
// command line and the list file's bytes.
//
//   shellext_host.exe DLL STUB            every case; exit status 0 when all pass
//   shellext_host.exe --debug-lines DLL STUB
//                                         one whole use of the menu, with the
//                                         debug lines captured and compared
//   shellext_host.exe --command-strings DLL STUB
//                                         the command-string cases only, with
//                                         the platform id they ran on (the
//                                         answers must not depend on it)
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shellext/commands.h"
#include "tests/win/shellext/data_object.h"
#include "tests/win/shellext/host_support.h"

using namespace vorlax::shellext;
using namespace vorlax::shellext::test;

namespace {

const CLSID kClassId = {0x7D6E5756, 0x62BA, 0x4BF7, {0x9B, 0xDE, 0x71, 0xF5, 0x12, 0xAE, 0x9B, 0xBB}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

GetClassObjectFn get_class_object;
CanUnloadNowFn can_unload_now;

template <typename F>
F Export(HMODULE module, const char* name) {
    // Through a generic function type, which any other converts to.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loads the DLL and finds its two exports; null when either is missing.
HMODULE LoadExtension(const char* dll) {
    HMODULE module = LoadLibraryA(dll);
    if (module == nullptr) {
        std::printf("FAIL: LoadLibraryA %s: error %lu\n", dll, GetLastError());
        return nullptr;
    }
    get_class_object = Export<GetClassObjectFn>(module, "DllGetClassObject");
    can_unload_now = Export<CanUnloadNowFn>(module, "DllCanUnloadNow");
    if (!get_class_object || !can_unload_now) {
        std::printf("FAIL: the exports are missing\n");
        return nullptr;
    }
    return module;
}

// ---- the tree the cases work on

const std::string kRoot = "C:\\shx";
const std::string kTree = kRoot + "\\t";
const std::string kApp = kRoot + "\\app\\";
const std::string kBlankApp = kRoot + "\\Program Files\\表 ソ\\";
const std::string kEmptyApp = kRoot + "\\no program\\";
const char kPage[] = "<html><body><p>ページ</p></body></html>\r\n";

void MakeTree(const std::string& stub) {
    for (const char* folder :
         {"", "\\t", "\\t\\one", "\\t\\site", "\\t\\site\\表", "\\t\\site\\表\\ソ", "\\t\\mix",
          "\\t\\表ソ", "\\t\\long", "\\app", "\\Program Files", "\\Program Files\\表 ソ",
          "\\no program"})
        MakeFolder(kRoot + folder);
    for (const char* file :
         {"\\one\\page.html", "\\site\\a.htm", "\\site\\notes.txt", "\\site\\表\\表1.htm",
          "\\site\\表\\ソ\\deep.htm", "\\mix\\x.htmx", "\\mix\\y.txt", "\\mix\\z.HTML",
          "\\表ソ\\ソース.htm", "\\long\\a long page name.html"})
        MakeFile(kTree + file, kPage);
    // Names that CP932 cannot hold, made in Unicode: C:\shx\t\intl holds
    // a.htm, café.htm and the folder dé with x.htm.
    CreateDirectoryW(L"C:\\shx\\t\\intl", nullptr);
    CreateDirectoryW(L"C:\\shx\\t\\intl\\d\u00e9", nullptr);
    for (const wchar_t* file : {L"C:\\shx\\t\\intl\\a.htm", L"C:\\shx\\t\\intl\\caf\u00e9.htm",
                                L"C:\\shx\\t\\intl\\d\u00e9\\x.htm"}) {
        HANDLE f = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        Check(f != INVALID_HANDLE_VALUE, "create a file with a name CP932 cannot hold");
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    Check(CopyFileA(stub.c_str(), (kApp + "Vorlax.exe").c_str(), FALSE) != 0, "copy the stub");
    Check(CopyFileA(stub.c_str(), (kBlankApp + "Vorlax.exe").c_str(), FALSE) != 0,
          "copy the stub into a folder with blanks");
}

// "Application Path" under HKEY_LOCAL_MACHINE\SOFTWARE\Zel\Vorlax; none when null.
void SetInstallFolder(const char* folder) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax");
    if (folder == nullptr) return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Check(false, "create the install key");
        return;
    }
    RegSetValueExA(key, "Application Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>(std::strlen(folder) + 1));
    RegCloseKey(key);
}

// ---- the extension, as the shell obtains it

struct Extension {
    IClassFactory* factory = nullptr;
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;

    Extension() {
        CheckResult(get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                    S_OK, "DllGetClassObject");
        if (!factory) return;
        CheckResult(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)),
                    S_OK, "CreateInstance");
        if (init)
            CheckResult(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK,
                        "QueryInterface IContextMenu");
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
        CheckResult(ext.init->Initialize(nullptr, &data, nullptr), S_OK, name + ": Initialize");
        Check(data.references() == 2, name + ": the extension holds the data object once");
        SetShift(c.shift);
        HMENU popup = PopupWithTwoItems();
        CheckResult(ext.menu->QueryContextMenu(popup, 1, c.first, c.last, c.flags), c.menu_result,
                    name + ": QueryContextMenu");
        SetShift(false);
        CheckBytes(MenuListing(popup), c.menu, name + ": menu");
        DestroyMenu(popup);
        if (c.verb >= 0) {
            const std::set<std::string> lists_before = ListFiles();
            CheckResult(Invoke(ext.menu, static_cast<UINT_PTR>(c.verb), done), S_OK,
                        name + ": InvokeCommand");
            const std::string record = AwaitStub(done, c.install_folder);
            const std::string list_path = RecordedListFile(record);
            Check(IsListFileName(list_path), name + ": list file name " + list_path);
            Check(lists_before.count(list_path) == 0, name + ": a new list file");
            CheckBytes(record, ExpectedRecord(c.install_folder, list_path, Lines(c.listed)),
                       name + ": the stub's record");
        }
        const unsigned long handles_after = OwnHandleCount();
        Check(handles_after == handles, name + ": " + std::to_string(handles) + " handles before, " +
                                            std::to_string(handles_after) + " after");
    }
    Check(data.references() == 1, name + ": the data object is released with the extension");
}

// ---- failures of InvokeCommand

void RunInvokeFailures(HANDLE done) {
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
        CheckResult(ext.menu->InvokeCommand(&info), E_INVALIDARG, name);
        Check(ListFiles() == before, name + ": no list file written");
        Check(!Exists(kApp + kStubRecordFile), name + ": nothing started");
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
        CheckResult(Invoke(ext.menu, 0, done), c.result, name);
        std::set<std::string> made = ListFiles();
        for (const std::string& old : before) made.erase(old);
        Check(made.size() == 1, name + ": the list file stays");
        for (const std::string& list : made) {
            std::string bytes;
            ReadBytes(list, bytes);
            CheckBytes(bytes, page + "\r\n", name + ": the list file's bytes");
            DeleteFileA(list.c_str());
        }
        Check(!Exists(kApp + kStubRecordFile), name + ": nothing started");
    }
}

// ---- Initialize: failures, and a second call on the same object

void RunInitializeCases(HANDLE done) {
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
        CheckResult(ext.init->Initialize(nullptr, nullptr, nullptr), E_FAIL, "no data object");
    }
    for (const Case& c : failures) {
        const std::string name = c.name;
        TestDataObject good({kTree + "\\one\\page.html"});
        TestDataObject bad({kTree + "\\one\\page.html"}, c.mode);
        Extension ext;
        ext.init->Initialize(nullptr, &good, nullptr);
        CheckResult(ext.init->Initialize(nullptr, &bad, nullptr), E_FAIL, name);
        Check(good.references() == 1, name + ": the earlier data object is released");
        // The selection is empty afterwards: the list has no lines.
        CheckResult(Invoke(ext.menu, 0, done), S_OK, name + ": InvokeCommand");
        const std::string record = AwaitStub(done, kApp);
        CheckBytes(record, ExpectedRecord(kApp, RecordedListFile(record), ""), name + ": empty list");
    }
    {
        const std::string name = "a second Initialize";
        TestDataObject folder({kTree + "\\site"});
        TestDataObject file({kTree + "\\one\\page.html"});
        Extension ext;
        ext.init->Initialize(nullptr, &folder, nullptr);
        CheckResult(ext.init->Initialize(nullptr, &file, nullptr), S_OK, name);
        Check(folder.references() == 1 && file.references() == 2, name + ": holds the new data object only");
        // The folder flag stays from the first call: two items with Shift.
        SetShift(true);
        HMENU popup = PopupWithTwoItems();
        CheckResult(ext.menu->QueryContextMenu(popup, 1, 100, 200, 0), MAKE_HRESULT(0, 0, 2),
                    name + ": QueryContextMenu");
        SetShift(false);
        CheckBytes(MenuListing(popup), kTwoItemMenu, name + ": menu");
        DestroyMenu(popup);
        CheckResult(Invoke(ext.menu, 1, done), S_OK, name + ": InvokeCommand");
        const std::string record = AwaitStub(done, kApp);
        CheckBytes(record,
                   ExpectedRecord(kApp, RecordedListFile(record), kTree + "\\one\\page.html\r\n"),
                   name + ": only the new selection is listed");
    }
}

// ---- GetCommandString

void RunCommandStrings() {
    Extension ext;
    if (!ext.ok()) return;
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
        CheckResult(ext.menu->GetCommandString(c.command, c.flags, nullptr, buffer, c.capacity),
                    c.result, c.name);
        CheckBytes(std::string(buffer, sizeof buffer), c.bytes, std::string(c.name) + ": buffer");
    }
}

// ---- the module: factories, objects, interfaces, the object count

void RunModuleCases() {
    const CLSID other = {0x7D6E5756, 0x62BA, 0x4BF7, {0x9B, 0xDE, 0x71, 0xF5, 0x12, 0xAE, 0x9B, 0xBC}};
    CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow with nothing alive");
    {
        void* out = &out;
        CheckResult(get_class_object(other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE,
                    "another class id");
        Check(out == nullptr, "another class id: out pointer null");
        out = &out;
        CheckResult(get_class_object(kClassId, IID_IContextMenu, &out), E_NOINTERFACE,
                    "a factory for an interface it lacks");
        Check(out == nullptr, "a factory for an interface it lacks: out pointer null");
        CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow after refused requests");
    }
    {
        IClassFactory* factory = nullptr;
        CheckResult(get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                    S_OK, "DllGetClassObject IClassFactory");
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow with a factory alive");
        IUnknown* unknown = nullptr;
        CheckResult(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK,
                    "factory IUnknown");
        Check(unknown == factory, "factory IUnknown is the factory");
        void* out = &out;
        CheckResult(factory->QueryInterface(IID_IShellExtInit, &out), E_NOINTERFACE,
                    "factory IShellExtInit");
        Check(out == nullptr, "factory IShellExtInit: out pointer null");
        Check(factory->AddRef() == 3, "factory AddRef counts");
        Check(factory->Release() == 2, "factory Release counts");
        Check(unknown->Release() == 1, "factory Release counts down");

        IUnknown* outer = unknown;  // any non-null unknown asks for aggregation
        out = &out;
        CheckResult(factory->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION,
                    "aggregation");
        Check(out == nullptr, "aggregation: out pointer null");
        out = &out;
        CheckResult(factory->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE,
                    "an object for an interface it lacks");
        Check(out == nullptr, "an object for an interface it lacks: out pointer null");

        IUnknown* object = nullptr;
        CheckResult(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)),
                    S_OK, "CreateInstance IUnknown");
        Check(factory->Release() == 0, "the factory goes with its last reference");
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow with an object alive");
        IShellExtInit* init = nullptr;
        IContextMenu* menu = nullptr;
        IUnknown* again = nullptr;
        CheckResult(object->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK,
                    "object IShellExtInit");
        CheckResult(object->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK,
                    "object IContextMenu");
        CheckResult(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK,
                    "IContextMenu's IUnknown");
        Check(static_cast<void*>(object) == static_cast<void*>(init),
              "IUnknown is the IShellExtInit part");
        Check(static_cast<void*>(again) == static_cast<void*>(init),
              "IUnknown through IContextMenu is the IShellExtInit part");
        Check(static_cast<void*>(menu) != static_cast<void*>(init), "IContextMenu is its own part");
        out = &out;
        CheckResult(object->QueryInterface(IID_IContextMenu2, &out), E_NOINTERFACE,
                    "object IContextMenu2");
        Check(out == nullptr, "object IContextMenu2: out pointer null");
        Check(init->AddRef() == 5, "object AddRef counts through either part");
        Check(menu->Release() == 4, "object Release counts through either part");
        again->Release();
        menu->Release();
        init->Release();
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow with one reference left");
        Check(object->Release() == 0, "the object goes with its last reference");
        CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow after the last object");
    }
    {
        // A locked factory keeps the module loaded after its release.
        IClassFactory* factory = nullptr;
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        CheckResult(factory->LockServer(TRUE), S_OK, "LockServer(TRUE)");
        factory->Release();
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow with a lock held");
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        CheckResult(factory->LockServer(FALSE), S_OK, "LockServer(FALSE)");
        factory->Release();
        CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow after the unlock");
        // An unlock without a lock does not cancel a later lock.
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        factory->LockServer(FALSE);
        factory->LockServer(FALSE);
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow: unlocks do not undo the factory");
        factory->LockServer(TRUE);
        factory->Release();
        CheckResult(can_unload_now(), S_FALSE, "DllCanUnloadNow: a lock after extra unlocks holds");
        get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        factory->LockServer(FALSE);
        factory->Release();
        CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow at the end");
    }
}

// ---- debug lines: a reader of the system's debug-output buffer

struct DebugCapture {
    HANDLE buffer_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    HANDLE data_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                        "DBWIN_BUFFER");
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
    volatile bool stop = false;
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
        while (!c->stop) {
            if (WaitForSingleObject(c->data_ready, 100) != WAIT_OBJECT_0) continue;
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
        return lines;
    }
};

int DebugLines(const char* dll, HANDLE done) {
    Check(dll != nullptr, "arguments");
    DebugCapture capture;
    SetInstallFolder(kApp.c_str());
    HMODULE module = LoadExtension(dll);
    if (module == nullptr) return 1;
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
        CheckResult(Invoke(menu, 0, done), S_OK, "debug lines: InvokeCommand");
        const std::string record = AwaitStub(done, kApp);
        CheckBytes(record,
                   ExpectedRecord(kApp, RecordedListFile(record), kTree + "\\one\\page.html\r\n"),
                   "debug lines: the stub's record");
        menu->Release();
        DestroyMenu(popup);
        CheckResult(can_unload_now(), S_OK, "debug lines: DllCanUnloadNow");
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
    CheckBytes(got, want, "the debug lines of one use of the menu");
    std::printf("debug lines: %s\n", failures == 0 ? "as expected" : "FAILED");
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 4 ? argv[1] : "";
    if ((argc != 3 && argc != 4) || (argc == 4 && mode != "--debug-lines" && mode != "--command-strings")) {
        std::printf("usage: shellext_host [--debug-lines | --command-strings] DLL STUB\n");
        return 2;
    }
    const char* dll = argv[argc - 2];
    MakeTree(argv[argc - 1]);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kStubDoneEvent);
    if (mode == "--debug-lines") return DebugLines(dll, done);

    HMODULE module = LoadExtension(dll);
    if (module == nullptr) return 1;
    if (mode == "--command-strings") {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        RunCommandStrings();
        std::printf("command strings on platform id %lu: %d failures\n", version.dwPlatformId, failures);
        FreeLibrary(module);
        return failures == 0 ? 0 : 1;
    }
    int cases = 0;
    RunModuleCases();
    ++cases;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    for (const MenuCase& c : MenuCases()) {
        if (c.unicode_only && version.dwPlatformId != VER_PLATFORM_WIN32_NT) continue;
        const int before = failures;
        RunMenuCase(c, done);
        std::printf("%s: %s\n", failures == before ? "ok" : "FAILED", c.name);
        ++cases;
    }
    RunInitializeCases(done);
    RunInvokeFailures(done);
    RunCommandStrings();
    cases += 3;
    CheckResult(can_unload_now(), S_OK, "DllCanUnloadNow after every case");
    FreeLibrary(module);
    std::printf("%d groups of cases, %d failures\n", cases, failures);
    return failures == 0 ? 0 : 1;
}
