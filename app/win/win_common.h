// What the Win32 sides of Vorlax.exe, its installer and the uninstaller
// share: the registry's roots and the folders the system names.
#pragma once

#include <windows.h>

#include <string>

#include "app/registry.h"

namespace vorlax::app {

inline HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
        case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
        case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

// A folder the system names (GetWindowsDirectoryA, GetSystemDirectoryA),
// read into a 260-byte buffer; false when it can't be had.
inline bool SystemNamedFolder(UINT(WINAPI* get)(LPSTR, UINT), std::string* folder) {
    char path[MAX_PATH] = "";
    const UINT n = get(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *folder = path;
    return true;
}

}  // namespace vorlax::app
