#include "shellext/commands.h"

#include "common/names.h"

namespace vorlax::shellext {

unsigned MenuItemCount(unsigned flags, bool folder_selected, bool shift_down, unsigned first,
                       unsigned last) {
    const unsigned low = flags & 0xF;
    if (low != 0 && (low & (kMenuVerbsOnly | kMenuExplore)) == 0) return 0;
    const unsigned wanted = folder_selected && shift_down ? 2 : 1;
    if (last < first) return 0;
    const unsigned room = last - first;  // ids first..first+room
    return room >= wanted - 1 ? wanted : room + 1;
}

Invocation ReadVerb(std::uintptr_t verb) {
    if ((verb >> 16) != 0) return {false, false};
    return {true, (verb & 0xFFFF) != 0};
}

CommandStringRequest ClassifyCommandString(unsigned flags) {
    // GCS_VERBA 0, GCS_HELPTEXTA 1, GCS_VALIDATEA 2, the "W" kinds with 4
    // added; GCS_VERBICONW (0x14) asks for a verb's icon.
    const bool wide = (flags & 0x4) != 0;
    if ((flags & 0x10) != 0) return CommandStringRequest::kVerb;
    if ((flags & 0x2) != 0) return CommandStringRequest::kValidate;
    if ((flags & 0x1) != 0)
        return wide ? CommandStringRequest::kHelpTextWide : CommandStringRequest::kHelpTextAnsi;
    return CommandStringRequest::kVerb;
}

std::size_t AnsiFit(const char* text, std::size_t capacity, const CharacterSteps& steps) {
    if (capacity == 0) return 0;
    std::size_t fit = 0;
    for (const char* p = text; *p != '\0';) {
        const char* next = steps.next(p);
        const std::size_t end = static_cast<std::size_t>(next - text);
        if (end > capacity - 1) break;
        fit = end;
        p = next;
    }
    return fit;
}

std::string ProgramCommandLine(const std::string& install_folder, const std::string& list_file) {
    std::string line = "\"";
    line += install_folder;
    line += common::kProgramFile;
    line += "\" /r \"";
    line += list_file;
    line += '"';
    return line;
}

std::wstring ProgramCommandLine(const std::wstring& install_folder, const std::wstring& list_file) {
    std::wstring line = L"\"";
    line += install_folder;
    for (const char* p = common::kProgramFile; *p != '\0'; ++p) line += static_cast<wchar_t>(*p);
    line += L"\" /r \"";
    line += list_file;
    line += L'"';
    return line;
}

std::wstring RegistryString(const wchar_t* data, std::size_t size) {
    const std::size_t units = size / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && data[length] != L'\0') ++length;
    return std::wstring(data, length);
}

std::string RegistryString(const char* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != '\0') ++length;
    return std::string(data, length);
}

}  // namespace vorlax::shellext
