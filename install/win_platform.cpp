#include "install/win_platform.h"

#include <shellapi.h>

namespace vorlax::install {

namespace {

HKEY RootKey(app::RegRoot root) {
    switch (root) {
        case app::RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
        case app::RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
        case app::RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

bool SystemPath(UINT(WINAPI* get)(LPSTR, UINT), std::string* folder) {
    char path[MAX_PATH] = "";
    const UINT n = get(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *folder = path;
    return true;
}

}  // namespace

std::string WinInstallPlatform::ModulePath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module_, path, MAX_PATH);
    return path;
}

bool WinInstallPlatform::WindowsFolder(std::string* folder) { return SystemPath(GetWindowsDirectoryA, folder); }
bool WinInstallPlatform::SystemFolder(std::string* folder) { return SystemPath(GetSystemDirectoryA, folder); }

std::string WinInstallPlatform::Resource(int id) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), "BIN_DATA");
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(module_, found));
}

WriteResult WinInstallPlatform::WriteNewFile(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return WriteResult::kNotCreated;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size() ? WriteResult::kWhole : WriteResult::kShort;
}

void WinInstallPlatform::RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool WinInstallPlatform::FileExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

void WinInstallPlatform::Message(const char* text) { MessageBoxA(owner_, text, "Vorlax", MB_OK); }

void WinInstallPlatform::OpenWithShell(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WinInstallPlatform::MakeKey(app::RegRoot root, const std::string& key) {
    HKEY handle;
    DWORD disposition;
    if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, const_cast<char*>(""), 0, app::kKeyAccess, nullptr, &handle,
                        &disposition) == ERROR_SUCCESS)
        RegCloseKey(handle);
}

void WinInstallPlatform::DeleteKey(app::RegRoot root, const std::string& key) {
    RegDeleteKeyA(RootKey(root), key.c_str());
}

}  // namespace vorlax::install
