// The shell extension as Explorer loads it. Wine's own shell does not load
// context-menu handlers, so this host does what Explorer does: it finds the
// handlers of the selection's class in the registry (HKCR\.html's class, or
// Directory, then "shellex\ContextMenuHandlers"), creates each with
// CoCreateInstance on a single-threaded apartment, hands it the shell's own
// data object for the selected items, shows the menu, picks the item and
// waits for the program the item starts. It prints what it saw; the script
// compares that whole.
//
//   shellext_explorer_host.exe [--shift] [--real] --verb N PATH...
//
// The paths are in one folder. Like Explorer, the host is a Unicode program:
// it runs in the system's code page (it has no manifest), takes its paths
// from the Unicode command line and reads the menu in Unicode; what it
// prints is CP932. --real: the installed program is the real
// Vorlax.exe, not the stand-in; nothing is awaited (the caller waits for
// its outputs). The started program's record is printed
// with the list file's name replaced by "<list file>".
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/win/shellext/host_support.h"

using namespace vorlax::shellext::test;

namespace {

struct Request {
    bool shift = false;
    bool real = false;
    int verb = 0;
    std::vector<std::wstring> paths;
};

std::wstring Wide(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size()));
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

// What the host prints: CP932, whatever the system's code page.
std::string Cp932(const wchar_t* w) {
    char s[1024];
    const int n = WideCharToMultiByte(932, 0, w, -1, s, sizeof s, nullptr, nullptr);
    return n > 0 ? std::string(s) : std::string();
}
std::string Cp932(const std::wstring& w) { return Cp932(w.c_str()); }

// The menu, one line per item: "SEP" or "<id> <text>", read in Unicode.
std::string MenuListingCp932(HMENU menu) {
    std::string listing;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            listing += "?\n";
        else if (info.fType & MFT_SEPARATOR)
            listing += "SEP\n";
        else
            listing += std::to_string(info.wID) + " " + Cp932(text) + "\n";
    }
    return listing;
}

// The (default) value of a key under HKEY_CLASSES_ROOT; "" when missing.
std::string ClassDefault(const std::string& key) {
    char data[512];
    LONG size = sizeof data;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), data, &size) != ERROR_SUCCESS) return "";
    return data;
}

// The class key whose handlers apply: "Directory" for a folder, else the
// class that the extension names.
std::string ClassOf(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "Directory";
    const std::size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos ? "" : ClassDefault(Cp932(path.substr(dot)));
}

// The class ids of the context-menu handlers of a class, in key order.
std::vector<std::string> Handlers(const std::string& class_key) {
    std::vector<std::string> ids;
    HKEY key;
    const std::string handlers = class_key + "\\shellex\\ContextMenuHandlers";
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, handlers.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ids;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        // The key's default names the class; a key named by a class id works too.
        std::string id = ClassDefault(handlers + "\\" + name);
        if (id.empty() || id[0] != '{') id = name;
        std::printf("handler %s: %s\n", name, id.c_str());
        ids.push_back(id);
    }
    RegCloseKey(key);
    return ids;
}

// The shell's data object for the items (all in one folder), and the
// folder's own item list.
IDataObject* ShellDataObject(const std::vector<std::wstring>& paths, PIDLIST_ABSOLUTE& folder_pidl) {
    std::vector<PIDLIST_ABSOLUTE> items;
    for (const std::wstring& p : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        const HRESULT hr = SHParseDisplayName(p.c_str(), nullptr, &pidl, 0, nullptr);
        Check(SUCCEEDED(hr), "SHParseDisplayName " + Cp932(p));
        if (SUCCEEDED(hr)) items.push_back(pidl);
    }
    IDataObject* data = nullptr;
    if (items.empty()) return data;
    IShellFolder* folder = nullptr;
    PCUITEMID_CHILD child = nullptr;
    if (SUCCEEDED(SHBindToParent(items[0], IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) {
        std::vector<PCUITEMID_CHILD> children;
        for (PIDLIST_ABSOLUTE pidl : items) children.push_back(ILFindLastID(pidl));
        const HRESULT hr = folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                                 children.data(), IID_IDataObject, nullptr,
                                                 reinterpret_cast<void**>(&data));
        Check(SUCCEEDED(hr), "GetUIObjectOf IDataObject");
        folder->Release();
    }
    if (data != nullptr) {
        // What the extension will get: under Wine the names are UTF-16.
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            const auto* drop = static_cast<const DROPFILES*>(GlobalLock(medium.hGlobal));
            std::printf("the shell's CF_HDROP: %s names\n", drop->fWide ? "UTF-16" : "ANSI");
            GlobalUnlock(medium.hGlobal);
            ReleaseStgMedium(&medium);
        }
    }
    folder_pidl = ILClone(items[0]);
    ILRemoveLastID(folder_pidl);
    for (PIDLIST_ABSOLUTE pidl : items) CoTaskMemFree(pidl);
    return data;
}

// "Application Path", in this process's view of the registry, as the
// extension reads it.
std::string InstallFolder() {
    char data[MAX_PATH] = "";
    DWORD size = sizeof data;
    RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax", "Application Path", RRF_RT_REG_SZ,
                 nullptr, data, &size);
    return data;
}

// One handler through its whole use, as Explorer drives it.
void UseHandler(const std::string& id, const std::string& class_key, const Request& request,
                HANDLE done) {
    CLSID class_id;
    if (FAILED(CLSIDFromString(Wide(id).c_str(), &class_id))) {
        Check(false, "class id " + id);
        return;
    }
    IShellExtInit* init = nullptr;
    HRESULT hr = CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                  reinterpret_cast<void**>(&init));
    std::printf("CoCreateInstance: 0x%08lX\n", static_cast<unsigned long>(hr));
    if (FAILED(hr)) {
        ++failures;
        return;
    }
    PIDLIST_ABSOLUTE folder_pidl = nullptr;
    IDataObject* data = ShellDataObject(request.paths, folder_pidl);
    HKEY class_handle = nullptr;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, class_key.c_str(), 0, KEY_READ, &class_handle);
    hr = init->Initialize(folder_pidl, data, class_handle);
    std::printf("Initialize: 0x%08lX\n", static_cast<unsigned long>(hr));
    IContextMenu* menu = nullptr;
    init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    if (menu != nullptr) {
        const UINT first = 1;
        HMENU popup = CreatePopupMenu();
        SetShift(request.shift);
        hr = menu->QueryContextMenu(popup, 0, first, 0x7FFF, CMF_NORMAL);
        SetShift(false);
        std::printf("QueryContextMenu: 0x%08lX\nmenu:\n%s", static_cast<unsigned long>(hr),
                    MenuListingCp932(popup).c_str());
        WCHAR help[128] = L"";
        hr = menu->GetCommandString(request.verb, GCS_HELPTEXTW, nullptr,
                                    reinterpret_cast<LPSTR>(help), 128);
        std::printf("GetCommandString: 0x%08lX %s\n", static_cast<unsigned long>(hr),
                    Cp932(help).c_str());
        // Explorer's invocation record, with the command offset as the verb.
        CMINVOKECOMMANDINFOEX info = {};
        info.cbSize = sizeof info;
        info.fMask = CMIC_MASK_UNICODE;
        info.lpVerb = MAKEINTRESOURCEA(request.verb);
        info.lpVerbW = MAKEINTRESOURCEW(request.verb);
        info.nShow = SW_SHOWNORMAL;
        ResetEvent(done);
        hr = menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
        std::printf("InvokeCommand: 0x%08lX\n", static_cast<unsigned long>(hr));
        if (SUCCEEDED(hr) && !request.real) {
            std::string record = AwaitStub(done, InstallFolder());
            Check(!record.empty(), "the program reported back");
            const std::string list = RecordedListFile(record);
            Check(IsListFileName(list), "list file name " + list);
            for (std::size_t at; !list.empty() && (at = record.find(list)) != std::string::npos;)
                record.replace(at, list.size(), "<list file>");
            std::string shown;
            for (char c : record) shown += c == '\r' ? std::string("\\r") : std::string(1, c);
            std::printf("record:\n%s", shown.c_str());
        }
        menu->Release();
        DestroyMenu(popup);
    }
    if (class_handle) RegCloseKey(class_handle);
    if (data) data->Release();
    CoTaskMemFree(folder_pidl);
    init->Release();
}

DWORD WINAPI Apartment(void* argument) {
    const Request& request = *static_cast<const Request*>(argument);
    CoInitialize(nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kStubDoneEvent);
    const std::string class_key = ClassOf(request.paths[0]);
    std::printf("class: %s\n", class_key.c_str());
    const std::vector<std::string> ids = Handlers(class_key);
    Check(!ids.empty(), "a handler is registered");
    for (const std::string& id : ids) UseHandler(id, class_key, request, done);
    // Explorer lets go of handler DLLs that say they may be unloaded.
    CoFreeUnusedLibrariesEx(0, 0);
    std::printf("shVorlax.dll loaded afterwards: %s\n",
                GetModuleHandleA("shVorlax.dll") != nullptr ? "yes" : "no");
    CloseHandle(done);
    CoUninitialize();
    return 0;
}

}  // namespace

int main() {
    Request request;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--shift") == 0)
            request.shift = true;
        else if (std::wcscmp(argv[i], L"--real") == 0)
            request.real = true;
        else if (std::wcscmp(argv[i], L"--verb") == 0 && i + 1 < argc)
            request.verb = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else
            request.paths.push_back(argv[i]);
    }
    if (argv != nullptr) LocalFree(argv);
    if (request.paths.empty()) {
        std::printf("usage: shellext_explorer_host [--shift] --verb N PATH...\n");
        return 2;
    }
    HANDLE thread = CreateThread(nullptr, 0, Apartment, &request, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::printf("%s\n", failures == 0 ? "done" : "FAILED");
    return failures == 0 ? 0 : 1;
}
