#include "install/win_platform.h"

#include <shellapi.h>

#include "common/win/system.h"

namespace vorlax::install {

using common::RootKey;
using common::SystemNamedFolder;

std::string WinInstallPlatform::ModulePath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module_, path, MAX_PATH);
    return path;
}

bool WinInstallPlatform::WindowsFolder(std::string* folder) { return SystemNamedFolder(GetWindowsDirectoryA, folder); }
bool WinInstallPlatform::SystemFolder(std::string* folder) { return SystemNamedFolder(GetSystemDirectoryA, folder); }

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

void WinInstallPlatform::Message(const char* text) { MessageBoxA(owner_, text, common::kProgramName, MB_OK); }

void WinInstallPlatform::OpenWithShell(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WinInstallPlatform::MakeKey(common::RegRoot root, const std::string& key) {
    HKEY handle;
    DWORD disposition;
    if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, const_cast<char*>(""), 0, common::kKeyAccess, nullptr, &handle,
                        &disposition) == ERROR_SUCCESS)
        RegCloseKey(handle);
}

void WinInstallPlatform::DeleteKey(common::RegRoot root, const std::string& key) {
    RegDeleteKeyA(RootKey(root), key.c_str());
}

}  // namespace vorlax::install
