#include "app/args.h"

#include <algorithm>
#include <cstddef>

#include "codes/ascii.h"
#include "codes/lead_byte.h"

namespace vorlax::app {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies the character at `i` (two bytes for a lead byte with a byte after
// it) onto `out`; returns the offset after it.
std::size_t TakeCharacter(std::string_view line, std::size_t i, std::string& out) {
    out += line[i];
    if (IsSystemLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) {
        out += line[i + 1];
        return i + 2;
    }
    return i + 1;
}

}  // namespace

std::vector<Argument> SplitCommandLine(std::string_view line) {
    std::vector<Argument> args;
    std::size_t i = 0;

    // The program name: quoted up to the next quote, or up to the first blank.
    Argument program;
    program.quoted = i < line.size() && line[i] == '"';
    if (program.quoted) {
        ++i;
        while (i < line.size() && line[i] != '"') i = TakeCharacter(line, i, program.text);
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && !IsBlank(line[i])) i = TakeCharacter(line, i, program.text);
    }
    args.push_back(std::move(program));

    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        Argument arg;
        arg.quoted = line[i] == '"';
        bool in_quotes = false;
        while (i < line.size() && (in_quotes || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t n = 0;
                while (i < line.size() && line[i] == '\\') ++n, ++i;
                if (i < line.size() && line[i] == '"') {
                    arg.text.append(n / 2, '\\');
                    if (n % 2 == 1) {
                        arg.text += '"';
                        ++i;
                    }
                } else {
                    arg.text.append(n, '\\');
                }
            } else if (line[i] == '"') {
                if (in_quotes && i + 1 < line.size() && line[i + 1] == '"') {
                    arg.text += '"';
                    i += 2;
                } else {
                    in_quotes = !in_quotes;
                    ++i;
                }
            } else {
                i = TakeCharacter(line, i, arg.text);
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    // One character as a number: a double-byte character is lead * 256 +
    // trail, an ASCII capital its small letter.
    auto next = [](std::string_view s, std::size_t& k) {
        unsigned c = static_cast<unsigned char>(s[k++]);
        if (IsSystemLeadByte(c) && k < s.size()) return (c << 8) | static_cast<unsigned char>(s[k++]);
        return static_cast<unsigned>(static_cast<unsigned char>(AsciiLower(static_cast<char>(c))));
    };
    while (i < a.size() && j < b.size()) {
        const unsigned x = next(a, i), y = next(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::vector<std::string> ExpandArguments(const std::vector<Argument>& args, DirectoryLister& lister) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const Argument& arg = args[k];
        const std::string& s = arg.text;
        // The folder part ends at the last separator before the first wildcard.
        std::size_t wildcard = std::string::npos, folder_end = 0;
        for (std::size_t i = 0; i < s.size() && wildcard == std::string::npos;) {
            const char c = s[i];
            if (c == '*' || c == '?') wildcard = i;
            else if (c == '\\' || c == '/' || c == ':') folder_end = i + 1;
            i += IsSystemLeadByte(static_cast<unsigned char>(c)) && i + 1 < s.size() ? 2 : 1;
        }
        if (k == 0 || arg.quoted || wildcard == std::string::npos) {
            out.push_back(s);
            continue;
        }
        std::vector<std::string> names = lister.Matches(s);
        std::erase_if(names, [](const std::string& n) { return n == "." || n == ".."; });
        if (names.empty()) {
            out.push_back(s);
            continue;
        }
        std::stable_sort(names.begin(), names.end(),
                         [](const std::string& x, const std::string& y) { return CompareNoCase(x, y) < 0; });
        const std::string folder = s.substr(0, folder_end);
        for (const std::string& name : names) out.push_back(folder + name);
    }
    return out;
}

}  // namespace vorlax::app
