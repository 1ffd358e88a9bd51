#include "shellext/selection.h"

#include <cstring>

#include "codes/ascii.h"
#include "codes/lead_byte.h"

namespace vorlax::shellext {

namespace {

const char* NextCp932(const char* p) {
    if (*p == '\0') return p;
    if (IsSystemLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

bool IsCp932LeadByte(unsigned char c) { return IsSystemLeadByte(c); }

constexpr CharacterSteps kCp932{NextCp932, IsCp932LeadByte};

}  // namespace

const CharacterSteps& Cp932Steps() { return kCp932; }

std::size_t FileNameStart(const char* path, const CharacterSteps& steps) {
    std::size_t start = 0;
    for (const char* p = path; *p != '\0'; p = steps.next(p)) {
        if (steps.is_lead_byte(static_cast<unsigned char>(*p))) continue;
        if (*p == '\\' || *p == '/' || *p == ':') start = static_cast<std::size_t>(p - path) + 1;
    }
    return start;
}

bool HasHtmlExtension(const char* path, const CharacterSteps& steps) {
    const char* dot = nullptr;
    for (const char* p = path + FileNameStart(path, steps); *p != '\0'; p = steps.next(p)) {
        if (!steps.is_lead_byte(static_cast<unsigned char>(*p)) && *p == '.') dot = p;
    }
    if (dot == nullptr) return false;
    // ".htm" is ASCII: a lead byte never equals one of its bytes, so the
    // four bytes compared are four whole characters.
    static constexpr char kHtm[] = ".htm";
    for (int i = 0; i < 4; ++i) {
        if (AsciiLower(dot[i]) != kHtm[i]) return false;
    }
    return true;
}

std::string WithLongName(const char* path, const char* long_name, const CharacterSteps& steps) {
    const std::size_t folder = FileNameStart(path, steps);
    const std::size_t name = std::strlen(long_name);
    if (name == 0 || folder + name >= kMaxPath) return path;
    std::string joined(path, folder);
    joined += long_name;
    return joined;
}

bool AddToSelection(Selection& selection, const char* path, bool is_folder,
                    const CharacterSteps& steps) {
    if (!is_folder && !HasHtmlExtension(path, steps)) return false;
    selection.push_back(SelectionEntry{path, is_folder});
    return true;
}

}  // namespace vorlax::shellext
