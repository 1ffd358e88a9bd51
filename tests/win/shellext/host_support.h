// What the shell extension's tests and the Explorer-like host share: the
// host's checks that count failures, a popup menu read back item by item,
// the Shift key, the stub's record and the list files in the temporary
// folder. Strings are CP932, as the extension sees them.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/win/shellext/stub_record.h"

namespace vorlax::shellext::test {

inline int failures = 0;

inline void Check(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s\n", what.c_str());
    }
}

inline bool ReadBytes(const std::string& path, std::string& data) {
    data.clear();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
    CloseHandle(f);
    return true;
}

// How many handles this process holds, from the system's handle table
// (GetProcessHandleCount is a stub under Wine).
inline unsigned long OwnHandleCount() {
    struct Entry {
        ULONG process;
        UCHAR type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    std::vector<char> buffer(1 << 16);
    ULONG size = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &size)) ==
           static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    unsigned long own = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].process == GetCurrentProcessId()) ++own;
    return own;
}

// The menu, one line per item: "SEP" or "<id> <text>".
inline std::string MenuListing(HMENU menu) {
    std::string listing;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            listing += "?\n";
        } else if (info.fType & MFT_SEPARATOR) {
            listing += "SEP\n";
        } else {
            listing += std::to_string(info.wID) + " " + text + "\n";
        }
    }
    return listing;
}

inline void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

inline std::string TempFolder() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

// The list files ("zel*.tmp") in the temporary folder.
inline std::set<std::string> ListFiles() {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TempFolder() + "zel*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(TempFolder() + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// A list file's path as the platform makes it: the temporary folder, "zel",
// one to four hexadecimal digits, ".tmp".
inline bool IsListFileName(const std::string& path) {
    const std::string folder = TempFolder();
    if (path.compare(0, folder.size(), folder) != 0) return false;
    const std::string name = path.substr(folder.size());
    if (name.size() < 8 || name.size() > 11 || name.compare(0, 3, "zel") != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    for (std::size_t i = 3; i < name.size() - 4; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// The stub's record for a start with a list file, given the list's lines.
inline std::string ExpectedRecord(const std::string& install_folder, const std::string& list_path,
                                  const std::string& list, const std::string& converted = "") {
    return "command line: \"" + install_folder + "Vorlax.exe\" /r \"" + list_path +
           "\"\r\nargc: 3\r\nargv[1]: /r\r\nargv[2]: " + list_path + "\r\nlist file:\r\n" + list +
           "end of list file\r\n" + converted;
}

// The list-file path that the stub's record names ("" when none).
inline std::string RecordedListFile(const std::string& record) {
    const std::string key = "\r\nargv[2]: ";
    const std::size_t at = record.find(key);
    if (at == std::string::npos) return "";
    const std::size_t start = at + key.size();
    return record.substr(start, record.find("\r\n", start) - start);
}

// Waits for the stub to finish and returns its record ("" after 30 s).
inline std::string AwaitStub(HANDLE done, const std::string& install_folder) {
    std::string record;
    if (WaitForSingleObject(done, 30000) != WAIT_OBJECT_0) return record;
    ReadBytes(install_folder + kStubRecordFile, record);
    DeleteFileA((install_folder + kStubRecordFile).c_str());
    return record;
}

}  // namespace vorlax::shellext::test
