// ASCII letter case: the only case rule the engine and the codes use (bytes
// other than 'A'..'Z' and 'a'..'z', double-byte characters among them, never change).
#pragma once

#include <cstddef>
#include <string_view>

namespace vorlax {

namespace ascii_detail {
constexpr struct LowerCaseTable {
    char table[256];
    constexpr LowerCaseTable() : table() {
        for (int c = 0; c < 256; ++c)
            table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
} kLowerCase;
}  // namespace ascii_detail

// ASCII letters to lower case; every other byte stays as it is.
constexpr char AsciiLower(char c) {
    return ascii_detail::kLowerCase.table[static_cast<unsigned char>(c)];
}

inline void AsciiLowerInPlace(char* s) {
    for (; *s; ++s) *s = AsciiLower(*s);
}

// True when `text` begins with `prefix`, ignoring the letter case of ASCII letters.
constexpr bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (AsciiLower(*text) != AsciiLower(*prefix)) return false;
    return true;
}

// The same for bytes that are not NUL-terminated.
constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    return true;
}

}  // namespace vorlax
