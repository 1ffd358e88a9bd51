// Path operations that respect double-byte characters.
#include "codes/paths.h"

#include "codes/lead_byte.h"

namespace vorlax {

namespace {

bool IsSeparator(char c, const PathSyntax& syntax) {
    return syntax.separators.find(c) != std::string_view::npos;
}

}  // namespace

std::size_t NextCharacter(std::string_view path, std::size_t i, const PathSyntax& syntax) {
    if (syntax.double_byte && IsSystemLeadByte(static_cast<unsigned char>(path[i])) &&
        i + 1 < path.size())
        return i + 2;
    return i + 1;
}

std::size_t FindFileNamePart(std::string_view path, const PathSyntax& syntax) {
    std::size_t name = 0;
    for (std::size_t i = 0; i < path.size(); i = NextCharacter(path, i, syntax)) {
        const char c = path[i];
        if (syntax.double_byte && IsSystemLeadByte(static_cast<unsigned char>(c))) continue;
        if (IsSeparator(c, syntax)) name = i + 1;
    }
    return name;
}

std::size_t FindExtension(std::string_view path, const PathSyntax& syntax) {
    std::size_t dot = path.size();
    for (std::size_t i = FindFileNamePart(path, syntax); i < path.size();
         i = NextCharacter(path, i, syntax)) {
        const char c = path[i];
        if (syntax.double_byte && IsSystemLeadByte(static_cast<unsigned char>(c))) continue;
        if (c == '.') dot = i;
    }
    return dot;
}

void StripExtension(std::string& path, const PathSyntax& syntax) {
    const std::size_t dot = FindExtension(path, syntax);
    if (dot != 0 && dot < path.size()) path.resize(dot);
}

void CutToFolder(std::string& path, const PathSyntax& syntax) {
    path.resize(FindFileNamePart(path, syntax));
}

bool EndsWithCharacter(std::string_view path, char c, const PathSyntax& syntax) {
    std::size_t last = path.size();
    for (std::size_t i = 0; i < path.size(); i = NextCharacter(path, i, syntax)) last = i;
    return last + 1 == path.size() && path[last] == c;
}

bool HasMultibyteCharacter(std::string_view name, const PathSyntax& syntax) {
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (syntax.double_byte ? IsSystemLeadByte(b) : b >= 0x80) return true;
    }
    return false;
}

}  // namespace vorlax
