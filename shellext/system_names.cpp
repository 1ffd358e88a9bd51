#include "shellext/system_names.h"

#include <cstdio>
#include <cstring>

#include "common/names.h"
#include "shellext/commands.h"
#include "shellext/platform.h"

namespace vorlax::shellext {

using common::kInstallFolderValue;
using common::kInstallKey;

namespace {

constexpr UINT kCp932 = 932;

template <typename Function>
void LookUp(HMODULE module, const char* name, Function*& function) {
    function = module != nullptr
                   ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                   : nullptr;
}

bool IsWindowsNt() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// "Application Path" in the system's code page; false when the key or the
// value can't be read.
bool ReadInstallFolder(std::string& folder) {
    HKEY key;
    // Reading needs no more than read access, which every user has.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char data[255];
    DWORD size = sizeof data;
    const LONG status = RegQueryValueExA(key, kInstallFolderValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    folder = RegistryString(data, size);
    return true;
}

}  // namespace

bool Cp932ToWide(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    const int units = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(),
                                          static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return false;
    wide.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                               wide.data(), units) == units;
}

bool WideToCp932(const wchar_t* wide, std::string& text) {
    text.clear();
    if (*wide == L'\0') return true;
    BOOL defaulted = FALSE;
    const int bytes = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr,
                                          &defaulted);
    if (bytes <= 1 || defaulted) return false;
    text.resize(static_cast<std::size_t>(bytes));
    if (WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide, -1, text.data(), bytes, nullptr,
                            &defaulted) != bytes ||
        defaulted)
        return false;
    text.pop_back();  // the terminator
    return true;
}

SystemNames::SystemNames() {
    // Windows 95, 98 and Me export some of these as stubs that fail: only
    // Windows NT takes the Unicode road, and only with the CP932 tables.
    if (!IsWindowsNt() || !IsValidCodePage(kCp932)) return;
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const HMODULE shell = GetModuleHandleA("shell32.dll");
    const HMODULE user = GetModuleHandleA("user32.dll");
    const HMODULE advapi = GetModuleHandleA("advapi32.dll");
    LookUp(shell, "DragQueryFileW", calls_.drag_query_file);
    LookUp(kernel, "FindFirstFileW", calls_.find_first);
    LookUp(kernel, "FindNextFileW", calls_.find_next);
    LookUp(kernel, "GetFileAttributesW", calls_.attributes);
    LookUp(kernel, "GetTempPathW", calls_.temp_path);
    LookUp(kernel, "GetTempFileNameW", calls_.temp_file_name);
    LookUp(kernel, "GetShortPathNameW", calls_.short_path);
    LookUp(kernel, "CreateFileW", calls_.create_file);
    LookUp(kernel, "DeleteFileW", calls_.delete_file);
    LookUp(advapi, "RegQueryValueExW", calls_.query_value);
    LookUp(kernel, "CreateProcessW", calls_.create_process);
    LookUp(user, "InsertMenuW", calls_.insert_menu);
    unicode_ = calls_.drag_query_file && calls_.find_first && calls_.find_next && calls_.attributes &&
               calls_.temp_path && calls_.temp_file_name && calls_.short_path && calls_.create_file &&
               calls_.delete_file && calls_.query_value && calls_.create_process && calls_.insert_menu;
}

const CharacterSteps& SystemNames::steps() const { return unicode_ ? Cp932Steps() : SystemSteps(); }

std::vector<std::string> SystemNames::DroppedPaths(HDROP drop) const {
    std::vector<std::string> paths;
    if (!unicode_) {
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            // A path that does not fit in a path buffer would come back cut:
            // such an item is left out rather than listed as another path.
            const UINT length = DragQueryFileA(drop, i, nullptr, 0);
            if (length == 0 || length >= MAX_PATH) continue;
            char path[MAX_PATH];
            if (DragQueryFileA(drop, i, path, MAX_PATH) == 0) continue;
            paths.emplace_back(path);
        }
        return paths;
    }
    const UINT count = calls_.drag_query_file(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = calls_.drag_query_file(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring wide(length + 1, L'\0');
        if (calls_.drag_query_file(drop, i, wide.data(), length + 1) != length) continue;
        std::string path;
        if (WideToCp932(wide.c_str(), path) && path.size() < kMaxPath) paths.push_back(path);
    }
    return paths;
}

std::string SystemNames::LongName(const std::string& path) const {
    if (!unicode_) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return path;
        FindClose(search);
        found.cFileName[MAX_PATH - 1] = '\0';
        return WithLongName(path.c_str(), found.cFileName, steps());
    }
    std::wstring wide;
    if (!Cp932ToWide(path, wide)) return path;
    WIN32_FIND_DATAW found;
    HANDLE search = calls_.find_first(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return path;
    FindClose(search);
    found.cFileName[MAX_PATH - 1] = L'\0';
    std::string name;
    // A long name that CP932 can't hold: the path as the shell gave it.
    if (!WideToCp932(found.cFileName, name)) return path;
    return WithLongName(path.c_str(), name.c_str(), steps());
}

bool SystemNames::IsFolder(const std::string& path) const {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!unicode_) {
        attributes = GetFileAttributesA(path.c_str());
    } else {
        std::wstring wide;
        if (Cp932ToWide(path, wide)) attributes = calls_.attributes(wide.c_str());
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void SystemNames::AnsiLister::List(const std::string& pattern,
                                   const std::function<void(const char* name, bool is_folder)>& visit) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        visit(found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void SystemNames::WideLister::List(const std::string& pattern,
                                   const std::function<void(const char* name, bool is_folder)>& visit) {
    std::wstring wide;
    if (!Cp932ToWide(pattern, wide)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = calls_.find_first(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // An entry whose name CP932 can't hold is passed over, a folder too:
        // its name can't be written, nor its files' paths.
        std::string name;
        found.cFileName[MAX_PATH - 1] = L'\0';
        if (WideToCp932(found.cFileName, name))
            visit(name.c_str(), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (calls_.find_next(search, &found));
    FindClose(search);
}

void SystemNames::InsertItem(HMENU menu, UINT position, UINT id, const char* text) const {
    std::wstring wide;
    if (unicode_ && Cp932ToWide(text, wide))
        calls_.insert_menu(menu, position, MF_BYPOSITION | MF_STRING, id, wide.c_str());
    else
        InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, id, text);
}

HRESULT SystemNames::HelpText(const char* text, bool wide_request, char* buffer, UINT capacity) const {
    if (buffer == nullptr || capacity == 0) return E_INVALIDARG;
    // The text as UTF-16: from CP932 where the system has it, else the
    // system's code page is taken for CP932 (a Japanese Windows 9x).
    std::wstring wide;
    if (!Cp932ToWide(text, wide)) {
        wchar_t units[64];
        const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, units, 64);
        if (n <= 0) return E_FAIL;
        wide.assign(units, static_cast<std::size_t>(n - 1));
    }
    if (wide_request) {
        const std::size_t fit = wide.size() < capacity - 1 ? wide.size() : capacity - 1;
        auto* out = reinterpret_cast<WCHAR*>(buffer);
        std::memcpy(out, wide.data(), fit * sizeof(WCHAR));
        out[fit] = L'\0';
        return S_OK;
    }
    // In the system's code page: CP932 as it is on a Japanese system; on
    // another one what that code page makes of it.
    std::string ansi = text;
    if (GetACP() != kCp932) {
        char converted[256];
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, converted, sizeof converted,
                                          nullptr, nullptr);
        if (n > 0) ansi.assign(converted, static_cast<std::size_t>(n - 1));
    }
    const std::size_t fit = AnsiFit(ansi.c_str(), capacity, SystemSteps());
    std::memcpy(buffer, ansi.data(), fit);
    buffer[fit] = '\0';
    return S_OK;
}

HRESULT SystemNames::WriteListAndStart(const Selection& selection, bool include_subfolders) {
    return unicode_ ? WriteListAndStartWide(selection, include_subfolders)
                    : WriteListAndStartAnsi(selection, include_subfolders);
}

HRESULT SystemNames::WriteListAndStartAnsi(const Selection& selection, bool include_subfolders) {
    char folder[MAX_PATH];
    char list_file[MAX_PATH];
    const DWORD folder_length = GetTempPathA(MAX_PATH, folder);
    if (folder_length == 0 || folder_length >= MAX_PATH) return E_INVALIDARG;
    if (GetTempFileNameA(folder, kListFilePrefix, 0, list_file) == 0) return E_INVALIDARG;
    std::FILE* stream = std::fopen(list_file, kListFileMode);
    if (stream == nullptr) return E_INVALIDARG;
    StreamListSink sink(stream);
    WriteSelection(selection, include_subfolders, ansi_lister_, sink);
    std::fclose(stream);

    std::string install_folder;
    if (!ReadInstallFolder(install_folder)) return E_INVALIDARG;
    std::string command_line = ProgramCommandLine(install_folder, list_file);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return E_FAIL;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return S_OK;
}

HRESULT SystemNames::WriteListAndStartWide(const Selection& selection, bool include_subfolders) {
    wchar_t folder[MAX_PATH];
    wchar_t list_file[MAX_PATH];
    const DWORD folder_length = calls_.temp_path(MAX_PATH, folder);
    if (folder_length == 0 || folder_length >= MAX_PATH) return E_INVALIDARG;
    const std::wstring prefix(kListFilePrefix, kListFilePrefix + std::strlen(kListFilePrefix));
    if (calls_.temp_file_name(folder, prefix.c_str(), 0, list_file) == 0) return E_INVALIDARG;
    // Vorlax.exe reads the list's path in CP932: a temporary folder whose
    // name CP932 can't hold is named by its short form, or the list can't
    // be handed over at all.
    std::wstring handed = list_file;
    std::string unused;
    if (!WideToCp932(list_file, unused)) {
        wchar_t short_path[MAX_PATH];
        const DWORD n = calls_.short_path(list_file, short_path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH || !WideToCp932(short_path, unused)) {
            calls_.delete_file(list_file);
            return E_FAIL;
        }
        handed = short_path;
    }
    TextListSink sink;
    WriteSelection(selection, include_subfolders, wide_lister_, sink);
    const HANDLE file = calls_.create_file(list_file, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return E_INVALIDARG;
    DWORD written = 0;
    const bool whole = sink.text().empty() ||
                       (WriteFile(file, sink.text().data(), static_cast<DWORD>(sink.text().size()),
                                  &written, nullptr) &&
                        written == sink.text().size());
    CloseHandle(file);
    if (!whole) return E_INVALIDARG;

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return E_INVALIDARG;
    wchar_t data[255];
    DWORD size = sizeof data;
    const std::wstring value(kInstallFolderValue, kInstallFolderValue + std::strlen(kInstallFolderValue));
    const LONG status = calls_.query_value(key, value.c_str(), nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return E_INVALIDARG;
    std::wstring command_line = ProgramCommandLine(RegistryString(data, size), handed);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!calls_.create_process(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        return E_FAIL;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return S_OK;
}

}  // namespace vorlax::shellext
