// The context menu's items and what choosing one does, as plain logic: how
// many items a menu request gets, which command an invocation names, what a
// command-string request is answered with, and the command line that starts
// Vorlax.exe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shellext/selection.h"

namespace vorlax::shellext {

// The items, in the system code page.
inline constexpr char kConvertItem[] = "HTML→ﾃｷｽﾄ 変換(&T)";
inline constexpr char kConvertWithSubfoldersItem[] = "HTML→ﾃｷｽﾄ 変換(ｻﾌﾞﾌｫﾙﾀﾞを含む)(&G)";
// The help text of both items.
inline constexpr char kHelpText[] = "選択されたﾌｧｲﾙのﾃｷｽﾄ形式への変換";

// The menu request flags that the item count looks at (the low four bits).
inline constexpr unsigned kMenuDefaultOnly = 0x1;
inline constexpr unsigned kMenuVerbsOnly = 0x2;
inline constexpr unsigned kMenuExplore = 0x4;
inline constexpr unsigned kMenuNoVerbs = 0x8;

// How many items a menu request gets: none unless the low four flag bits
// are all clear or include "verbs only" or "explore"; then the convert item,
// and with a folder selected and Shift held the one with subfolders too.
// Item k takes the command id first + k, so only as many items as the id
// range first..last holds are added.
unsigned MenuItemCount(unsigned flags, bool folder_selected, bool shift_down, unsigned first,
                       unsigned last);

// What an invocation asks for. A verb whose upper bits (above the low 16)
// are not all zero is a string: refused. Otherwise the low 16 bits are the
// command offset: 0 is the convert item, anything else the one with
// subfolders.
struct Invocation {
    bool accepted;
    bool include_subfolders;
};
Invocation ReadVerb(std::uintptr_t verb);

// The kinds of command-string request, from the request flags: the help
// text (ANSI or UTF-16), a validation, or a verb (the extension has none).
enum class CommandStringRequest { kHelpTextAnsi, kHelpTextWide, kValidate, kVerb };
CommandStringRequest ClassifyCommandString(unsigned flags);

// How many bytes of the ANSI text `text` fit in a buffer of `capacity`
// characters together with the terminator; a double-byte character is never
// split. 0 when the capacity is 0 (no room even for the terminator).
std::size_t AnsiFit(const char* text, std::size_t capacity, const CharacterSteps& steps);

// The command line that starts the main program on a list file:
// "<install folder>Vorlax.exe" /r "<list file>", both quoted, so "/r" is
// the first argument and the list file the second whatever blanks the paths
// hold. The install folder ends with its "\".
std::string ProgramCommandLine(const std::string& install_folder, const std::string& list_file);
// The same in UTF-16, for a start with the Unicode call.
std::wstring ProgramCommandLine(const std::wstring& install_folder, const std::wstring& list_file);

// A string value as the registry returned it into a buffer: the bytes up to
// the first zero, or all `size` bytes when none is among them.
std::string RegistryString(const char* data, std::size_t size);
// The same for a UTF-16 value of `size` bytes (an odd last byte is no
// character).
std::wstring RegistryString(const wchar_t* data, std::size_t size);

}  // namespace vorlax::shellext
