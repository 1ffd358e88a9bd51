// What the context menu was opened on: the selected paths that matter (the
// folders, and the files whose extension begins with ".htm"), in the order
// the shell gave them. Plain logic: the extension's Initialize feeds it with
// what the platform returns.
#pragma once

#include <cstddef>
#include <list>
#include <string>

namespace vorlax::shellext {

// Paths are built in buffers of this many bytes, the terminator included.
inline constexpr std::size_t kMaxPath = 260;

// How the system code page steps through a string. The extension uses the
// platform's CharNextA and IsDBCSLeadByte; tests use the CP932 lead bytes.
struct CharacterSteps {
    // The start of the character after the one at `p` (`p` itself at the terminator).
    const char* (*next)(const char* p);
    // Whether the byte begins a double-byte character.
    bool (*is_lead_byte)(unsigned char c);
};

// CP932 as the system defines it (lead bytes 0x81..0x9F and 0xE0..0xFC).
const CharacterSteps& Cp932Steps();

// The offset just after the last "\", "/" or ":" of the path; 0 when there
// is none. The second byte of a double-byte character is never looked at.
std::size_t FileNameStart(const char* path, const CharacterSteps& steps);

// Whether the extension (from the last "." of the last path component to the
// end) begins with ".htm", in any mix of case: ".htm", ".HTML", ".htmx"
// qualify; a name without "." does not.
bool HasHtmlExtension(const char* path, const CharacterSteps& steps);

// The long-name fix-up: the path's folder part followed by `long_name`, the
// name the file system reports for the path. The path comes back unchanged
// when that name is empty or the joined path would not fit in kMaxPath.
std::string WithLongName(const char* path, const char* long_name, const CharacterSteps& steps);

struct SelectionEntry {
    std::string path;
    bool is_folder = false;

    bool operator==(const SelectionEntry&) const = default;
};

// Ordered and doubly linked, as the items came.
using Selection = std::list<SelectionEntry>;

// Appends one selected item: a folder always, a file only when it has an
// HTML extension. Returns whether the item was kept.
bool AddToSelection(Selection& selection, const char* path, bool is_folder,
                    const CharacterSteps& steps);

}  // namespace vorlax::shellext
