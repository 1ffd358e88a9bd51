// UnInst_Vorlax.exe: the uninstaller's steps over the real Windows calls.
// It has no window of its own and ignores its command line.
#include <windows.h>
#include <shlobj.h>

#include "common/win/system.h"
#include "uninstall/uninstall.h"

namespace vorlax::uninstall {
namespace {

using common::kKeyAccess;
using common::RootKey;
using common::SystemNamedFolder;

class WinPlatform final : public UninstallPlatform {
public:
    bool MainProgramRunning() override { return FindWindowA(common::kWindowClass, common::kProgramName) != nullptr; }

    int Message(const std::string& text, unsigned flags) override {
        return MessageBoxA(nullptr, text.c_str(), common::kProgramName, flags);
    }

    void ShowLastError() override {
        const DWORD error = GetLastError();
        char* text = nullptr;
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
        MessageBoxA(nullptr, text ? text : "", "Win32 API Error", MB_ICONERROR);
        if (text) LocalFree(text);
    }

    bool FileExists(const std::string& path) override {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    }

    bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
    bool RemoveFolder(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }

    bool IsWindowsNT() override {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }

    // MoveFileExA works on Windows NT only (which is where it is asked
    // for); Windows 95 need not even have the entry.
    bool DeleteAtRestart(const std::string& path) override {
        using MoveFileExCall = BOOL WINAPI(LPCSTR, LPCSTR, DWORD);
        auto* move = common::KernelFunction<MoveFileExCall>("MoveFileExA");
        return move && move(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    }

    bool SystemFolder(std::string* folder) override { return SystemNamedFolder(GetSystemDirectoryA, folder); }
    bool WindowsFolder(std::string* folder) override { return SystemNamedFolder(GetWindowsDirectoryA, folder); }
    bool Wow64SystemFolder(std::string* folder) override { return common::Wow64SystemFolder(folder); }

    std::string ShortPath(const std::string& path) override {
        char short_path[MAX_PATH] = "";
        const DWORD n = GetShortPathNameA(path.c_str(), short_path, MAX_PATH);
        return n > 0 && n < MAX_PATH ? std::string(short_path) : path;
    }

    void MakeFileExist(const std::string& path) override {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }

    void WriteIniString(const std::string& file, const char* section, const char* key,
                            const std::string& value) override {
        WritePrivateProfileStringA(section, key, value.c_str(), file.c_str());
    }

    bool ReadString(RegRoot root, const std::string& key, const char* name, std::string* value) override {
        HKEY handle;
        if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, kKeyAccess, &handle) != ERROR_SUCCESS) return false;
        char buffer[256] = {};
        DWORD type = 0, size = 255;
        const LONG result = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(handle);
        if (result != ERROR_SUCCESS) return false;
        if (size == 0) buffer[0] = '\0';
        *value = buffer;
        return true;
    }

    void DeleteKey(RegRoot root, const std::string& key) override { RegDeleteKeyA(RootKey(root), key.c_str()); }

    void DeleteKeyIfEmpty(RegRoot root, const std::string& key) override {
        HKEY handle;
        if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
        DWORD subkeys = 1, values = 1;
        const LONG result = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                             nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(handle);
        // Windows 95 deletes a key with all below it: only an empty one goes.
        if (result == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyA(RootKey(root), key.c_str());
    }

    std::string ModulePath() override {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        return path;
    }

    bool TemporaryName(std::string* name) override {
        char folder[MAX_PATH] = "", path[MAX_PATH] = "";
        const DWORD n = GetTempPathA(MAX_PATH, folder);
        if (n == 0 || n >= MAX_PATH) return false;
        if (!GetTempFileNameA(folder, kBatchPrefix, 0, path)) return false;
        DeleteFileA(path);
        *name = path;
        return true;
    }

    bool WriteNewFile(const std::string& path, const std::string& bytes) override {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return true;
    }

    bool StartBatch(const std::string& path) override {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION process = {};
        std::string command = path;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS,
                            nullptr, nullptr, &startup, &process))
            return false;
        // The batch may only run once the uninstaller is done: it runs
        // idle, the uninstaller as fast as the system allows.
        SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
        CloseHandle(process.hProcess);
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        return true;
    }

    bool ProgramsFolder(std::string* folder) override {
        IMalloc* allocator = nullptr;
        if (SHGetMalloc(&allocator) == E_FAIL || !allocator) return false;
        LPITEMIDLIST list = nullptr;
        bool found = false;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list)) && list) {
            char path[MAX_PATH] = "";
            if (SHGetPathFromIDListA(list, path)) {
                *folder = path;
                found = true;
            }
            allocator->Free(list);
        }
        allocator->Release();
        return found;
    }
};

}  // namespace
}  // namespace vorlax::uninstall

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vorlax::uninstall::WinPlatform platform;
    return vorlax::uninstall::RunUninstall(platform);
}
