// What the Win32 sides of Vorlax.exe, its installer and the uninstaller
// share: the registry's roots and the access keys are opened with, the
// folders the system names, and the calls that only some Windows versions
// have.
#pragma once

#include <windows.h>

#include <string>

#include "common/names.h"

namespace vorlax::common {

inline HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
        case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
        case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

// Keys are opened and created with read and write access.
inline constexpr REGSAM kKeyAccess = KEY_READ | KEY_WRITE;

// A folder the system names (GetWindowsDirectoryA, GetSystemDirectoryA),
// read into a 260-byte buffer; false when it can't be had.
inline bool SystemNamedFolder(UINT(WINAPI* get)(LPSTR, UINT), std::string* folder) {
    char path[MAX_PATH] = "";
    const UINT n = get(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *folder = path;
    return true;
}

// A function of kernel32.dll that only some Windows versions have, looked
// up at run time; null where the system lacks it.
template <typename Function>
Function* KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

// Where a 32-bit program's system folder really is when it runs on 64-bit
// Windows (SysWOW64); false for a native program and on every Windows
// without WOW64 (IsWow64Process and GetSystemWow64DirectoryA came with
// Windows XP and Server 2003).
inline bool Wow64SystemFolder(std::string* folder) {
    using IsWow64ProcessCall = BOOL WINAPI(HANDLE, PBOOL);
    using Wow64DirectoryCall = UINT WINAPI(LPSTR, UINT);
    auto* is_wow64 = KernelFunction<IsWow64ProcessCall>("IsWow64Process");
    auto* directory = KernelFunction<Wow64DirectoryCall>("GetSystemWow64DirectoryA");
    BOOL wow64 = FALSE;
    if (!is_wow64 || !directory || !is_wow64(GetCurrentProcess(), &wow64) || !wow64) return false;
    return SystemNamedFolder(directory, folder);
}

}  // namespace vorlax::common
