// Path operations that respect double-byte characters: the trail byte of a
// CP932 character may have the value of "\" (0x5C, as in "表") and is never
// taken for a separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlax {

// How a platform spells paths.
struct PathSyntax {
    // CP932 names: a lead byte takes the byte after it along. Off for names
    // whose non-ASCII bytes never stand for ASCII characters (UTF-8).
    bool double_byte;
    // The bytes that end a folder name.
    std::string_view separators;
    // The separator put between a folder and a file name.
    char folder_separator;
};

// Windows: CP932 names, "\", "/" and ":" (a drive) end a folder name.
inline constexpr PathSyntax kWindowsPaths{true, "\\/:", '\\'};
// POSIX: names are bytes (UTF-8 in practice) and "/" is the only separator;
// "\" and ":" are ordinary characters of a name.
inline constexpr PathSyntax kPosixPaths{false, "/", '/'};

#ifdef _WIN32
inline constexpr const PathSyntax& kNativePaths = kWindowsPaths;
#else
inline constexpr const PathSyntax& kNativePaths = kPosixPaths;
#endif

// The offset of the next character after the one at `i` (a lead byte and its
// trail byte are one character; a lead byte at the end is one on its own).
std::size_t NextCharacter(std::string_view path, std::size_t i, const PathSyntax& syntax);

// The offset just after the last separator; 0 when there is none.
std::size_t FindFileNamePart(std::string_view path, const PathSyntax& syntax = kNativePaths);

// The offset of the last "." in the file-name part; path.size() when it has none.
std::size_t FindExtension(std::string_view path, const PathSyntax& syntax = kNativePaths);

// Cuts the path at the last "." of its file-name part; leaves it alone when
// the file-name part has no "." or that "." is the first byte of the path.
void StripExtension(std::string& path, const PathSyntax& syntax = kNativePaths);

// Cuts the path just after its last separator (keeping it); a path without a
// separator becomes empty.
void CutToFolder(std::string& path, const PathSyntax& syntax = kNativePaths);

// Whether the last character of the path (a double-byte character counting
// as one) is the byte `c`. False for an empty path.
bool EndsWithCharacter(std::string_view path, char c, const PathSyntax& syntax = kNativePaths);

// Whether the name holds a byte of a multibyte character: a CP932 lead byte
// for double-byte names, any byte from 0x80 up otherwise.
bool HasMultibyteCharacter(std::string_view name, const PathSyntax& syntax = kNativePaths);

}  // namespace vorlax
