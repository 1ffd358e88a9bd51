// How the extension meets the system's names, in Explorer's process, whose
// ANSI code page is the system's: 932 on a Japanese Windows, 1252 on an
// English or Western European one, and so on. The list file and Vorlax.exe
// work in CP932 (Vorlax.exe by its manifest on Windows 11, and on every
// Japanese system), so on Windows NT the extension reads every name in
// Unicode and keeps it as CP932: the selection, the names of a folder walk,
// the temporary folder and "Application Path"; it hands the menu texts, the
// help text and Vorlax.exe's command line to the system in Unicode. A name
// that CP932 cannot hold (é, ü, Hangul...) is left out of the list, never
// written as another name (no "?" that a search could take as a wildcard,
// no look-alike such as "e" for "é").
//
// Windows 95, 98 and Me have at most failing stubs of these Unicode
// functions, and so has an NT system without the CP932 tables (Windows
// 2000 and XP without the East Asian languages): there every name is in the
// system's own code page, as the shell hands it over, and so is the list.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "shellext/list_file.h"
#include "shellext/selection.h"

namespace vorlax::shellext {

class SystemNames {
public:
    SystemNames();
    SystemNames(const SystemNames&) = delete;
    SystemNames& operator=(const SystemNames&) = delete;

    // Whether names go through Unicode and CP932.
    bool unicode() const { return unicode_; }
    // How the kept names step: CP932, or the system's code page.
    const CharacterSteps& steps() const;

    // The paths of a drop handle, in order, each shorter than kMaxPath
    // bytes; the others are left out.
    std::vector<std::string> DroppedPaths(HDROP drop) const;
    // The long-name fix-up of a selected path.
    std::string LongName(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    // Inserts a string item whose text is CP932.
    void InsertItem(HMENU menu, UINT position, UINT id, const char* text) const;
    // The help text (CP932) into the caller's buffer of `capacity`
    // characters, as UTF-16 or in the system's code page.
    HRESULT HelpText(const char* text, bool wide, char* buffer, UINT capacity) const;

    // Writes the list file of the selection into the temporary folder and
    // starts Vorlax.exe from "Application Path" on it; the results of
    // InvokeCommand.
    HRESULT WriteListAndStart(const Selection& selection, bool include_subfolders);

    // The Unicode calls, looked up on Windows NT.
    struct Calls {
        UINT(WINAPI* drag_query_file)(HDROP, UINT, LPWSTR, UINT) = nullptr;
        HANDLE(WINAPI* find_first)(LPCWSTR, LPWIN32_FIND_DATAW) = nullptr;
        BOOL(WINAPI* find_next)(HANDLE, LPWIN32_FIND_DATAW) = nullptr;
        DWORD(WINAPI* attributes)(LPCWSTR) = nullptr;
        DWORD(WINAPI* temp_path)(DWORD, LPWSTR) = nullptr;
        UINT(WINAPI* temp_file_name)(LPCWSTR, LPCWSTR, UINT, LPWSTR) = nullptr;
        DWORD(WINAPI* short_path)(LPCWSTR, LPWSTR, DWORD) = nullptr;
        HANDLE(WINAPI* create_file)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                    HANDLE) = nullptr;
        BOOL(WINAPI* delete_file)(LPCWSTR) = nullptr;
        LONG(WINAPI* query_value)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) = nullptr;
        BOOL(WINAPI* create_process)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                     BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                     LPPROCESS_INFORMATION) = nullptr;
        BOOL(WINAPI* insert_menu)(HMENU, UINT, UINT, UINT_PTR, LPCWSTR) = nullptr;
    };

private:
    class AnsiLister final : public FolderLister {
    public:
        void List(const std::string& pattern,
                  const std::function<void(const char* name, bool is_folder)>& visit) override;
    };
    class WideLister final : public FolderLister {
    public:
        explicit WideLister(const Calls& calls) : calls_(calls) {}
        void List(const std::string& pattern,
                  const std::function<void(const char* name, bool is_folder)>& visit) override;

    private:
        const Calls& calls_;
    };

    HRESULT WriteListAndStartWide(const Selection& selection, bool include_subfolders);
    HRESULT WriteListAndStartAnsi(const Selection& selection, bool include_subfolders);

    Calls calls_;
    bool unicode_ = false;
    AnsiLister ansi_lister_;
    WideLister wide_lister_{calls_};
};

// CP932 text as UTF-16; false when it is not valid CP932 or the system
// lacks the code page.
bool Cp932ToWide(const std::string& text, std::wstring& wide);
// UTF-16 as CP932; false when a character has no CP932 form (nothing is
// replaced by a default or a look-alike).
bool WideToCp932(const wchar_t* wide, std::string& text);

}  // namespace vorlax::shellext
