// Writes codes/cp932_table.cpp: the Unicode-to-CP932 table, derived from the
// build machine's CP932 decoder (glibc iconv "CP932", which decodes by
// Microsoft's code page 932 table) plus the program's own additions.
//
//   c++ -std=c++20 -I. tools/gen_cp932_table.cpp -o gen && ./gen > codes/cp932_table.cpp
//
// Every CP932 code is decoded; where several codes decode to one code point
// the preferred group wins: single bytes and JIS X 0208, then NEC special
// characters (lead 0x87), then IBM extensions (0xFA..0xFC), then NEC-selected
// IBM extensions (0xED..0xEE). Two codes of one group on one code point, or
// an addition that contradicts the decoder, stop the generator.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codes/cp932.h"

namespace {

using vorlax::kCP932Ranges;
using vorlax::kCP932TableSize;

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "gen_cp932_table: %s\n", why.c_str());
    std::exit(1);
}

int IndexOf(std::uint32_t u) {
    for (const auto& r : kCP932Ranges)
        if (u >= r.first && u <= r.last) return r.index + static_cast<int>(u - r.first);
    return -1;
}

// 0 single byte or JIS X 0208, 1 NEC special, 2 IBM extension,
// 3 NEC-selected IBM extension, 4 user-defined area and the rest.
int Group(unsigned code) {
    if (code < 0x100) return 0;
    const unsigned lead = code >> 8;
    if ((lead >= 0x81 && lead <= 0x84) || (lead >= 0x88 && lead <= 0x9F) ||
        (lead >= 0xE0 && lead <= 0xEA))
        return 0;
    if (lead == 0x87) return 1;
    if (lead >= 0xFA && lead <= 0xFC) return 2;
    if (lead == 0xED || lead == 0xEE) return 3;
    return 4;
}

// Decodes one CP932 code (1 or 2 bytes); returns the code point or -1.
long Decode(iconv_t cd, unsigned code) {
    char in[2];
    std::size_t in_len;
    if (code < 0x100) {
        in[0] = static_cast<char>(code);
        in_len = 1;
    } else {
        in[0] = static_cast<char>(code >> 8);
        in[1] = static_cast<char>(code & 0xFF);
        in_len = 2;
    }
    unsigned char out[16];
    char* ip = in;
    char* op = reinterpret_cast<char*>(out);
    std::size_t out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &in_len, &op, &out_left) == static_cast<std::size_t>(-1) || in_len != 0)
        return -1;
    if (sizeof out - out_left != 4) return -1;  // not exactly one code point
    return static_cast<long>(out[0] | out[1] << 8 | out[2] << 16 |
                             static_cast<std::uint32_t>(out[3]) << 24);
}

// CP932 bytes (first byte, trail byte) as a table entry.
std::uint16_t Entry(unsigned code) {
    return code < 0x100 ? static_cast<std::uint16_t>(code)
                        : static_cast<std::uint16_t>((code >> 8) | (code & 0xFF) << 8);
}

}  // namespace

int main() {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) Fail("iconv has no CP932 decoder");

    std::vector<unsigned> code_of(kCP932TableSize, 0);  // chosen CP932 code, 0 none
    std::vector<int> group_of(kCP932TableSize, 99);
    int outside = 0;

    std::vector<unsigned> codes;
    for (unsigned b = 0x01; b <= 0xFF; ++b)
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) codes.push_back(b);
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F) codes.push_back(lead << 8 | trail);
    }
    for (unsigned code : codes) {
        const long u = Decode(cd, code);
        if (u < 0) continue;
        const int index = IndexOf(static_cast<std::uint32_t>(u));
        if (index < 0) {
            std::fprintf(stderr, "note: 0x%X decodes to U+%04lX outside the ranges\n", code, u);
            ++outside;
            continue;
        }
        const int group = Group(code);
        if (group == group_of[index])
            Fail("two codes of one group on U+" + std::to_string(u));
        if (group < group_of[index]) {
            group_of[index] = group;
            code_of[index] = code;
        }
    }
    iconv_close(cd);

    std::array<std::uint16_t, kCP932TableSize> table{};
    for (std::size_t i = 0; i < kCP932TableSize; ++i)
        table[i] = code_of[i] ? Entry(code_of[i]) : 0;

    // Additions the decoder may lack; where it has them, they must agree.
    auto add = [&](std::uint32_t u, unsigned code, bool must_agree) {
        const int index = IndexOf(u);
        if (must_agree && code_of[index] != 0 && code_of[index] != code)
            Fail("addition for U+" + std::to_string(u) + " contradicts the decoder");
        table[index] = code ? Entry(code) : 0;
    };
    // Single bytes outside the decoder's table.
    add(0x0080, 0x80, true);
    add(0xF8F0, 0xA0, true);
    add(0xF8F1, 0xFD, true);
    add(0xF8F2, 0xFE, true);
    add(0xF8F3, 0xFF, true);
    // The user-defined area, 188 codes per lead byte, in order.
    std::uint32_t u = 0xE000;
    for (unsigned lead = 0xF0; lead <= 0xF9; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F) add(u++, lead << 8 | trail, true);
    if (u != 0xE758) Fail("user-defined area miscounted");
    // The upper half of Latin-1: the characters CP932 has, and fallbacks.
    static const unsigned kLatin1[0x100 - 0xA1] = {
        '!',    0x8191, 0x8192, 0,      0x5C,   0x7C,   0x8198, 0x814E,  // A1..A8
        'c',    'a',    0x81E1, 0x81CA, '-',    'R',    0x8150, 0x818B,  // A9..B0
        0x817D, '2',    '3',    0x814C, 0x83CA, 0x81F7, 0x8145, 0x8143,  // B1..B8
        '1',    'o',    0x81E2, 0,      0,      0,      0,      'A',     // B9..C0
        'A',    'A',    'A',    'A',    'A',    'A',    'C',    'E',     // C1..C8
        'E',    'E',    'E',    'I',    'I',    'I',    'I',    'D',     // C9..D0
        'N',    'O',    'O',    'O',    'O',    'O',    0x817E, 'O',     // D1..D8
        'U',    'U',    'U',    'U',    'Y',    'T',    's',    'a',     // D9..E0
        'a',    'a',    'a',    'a',    'a',    'a',    'c',    'e',     // E1..E8
        'e',    'e',    'e',    'i',    'i',    'i',    'i',    'd',     // E9..F0
        'n',    'o',    'o',    'o',    'o',    'o',    0x8180, 'o',     // F1..F8
        'u',    'u',    'u',    'u',    'y',    't',    'y',             // F9..FF
    };
    for (std::uint32_t c = 0xA1; c <= 0xFF; ++c) {
        const unsigned code = kLatin1[c - 0xA1];
        // Where the decoder knows the character, the table must say the same.
        if (code_of[IndexOf(c)] != 0 && code_of[IndexOf(c)] != code)
            Fail("Latin-1 row U+" + std::to_string(c) + " contradicts the decoder");
        table[IndexOf(c)] = code ? Entry(code) : 0;
    }
    // Hiragana vu has no code of its own: katakana vu stands in.
    add(0x3094, 0x8394, true);
    table[0] = 0;  // U+0000 has no form

    std::printf(
        "// Generated by tools/gen_cp932_table from the build machine's CP932 decoder\n"
        "// (glibc iconv) and the additions the generator lists. Do not edit.\n"
        "#include \"codes/cp932.h\"\n\n"
        "namespace vorlax {\n\n"
        "const std::uint16_t kCP932Table[kCP932TableSize] = {\n");
    for (const auto& r : kCP932Ranges) {
        std::printf("    // U+%04X..U+%04X\n", r.first, r.last);
        for (unsigned cp = r.first; cp <= r.last; cp += 8) {
            std::printf("    /* %04X */", cp);
            for (unsigned k = 0; k < 8 && cp + k <= r.last; ++k)
                std::printf(" 0x%04X,", table[r.index + (cp + k - r.first)]);
            std::printf("\n");
        }
    }
    std::printf("};\n\n}  // namespace vorlax\n");
    std::fprintf(stderr, "gen_cp932_table: %zu entries, %d codes outside the ranges\n",
                 kCP932TableSize, outside);
    return 0;
}
