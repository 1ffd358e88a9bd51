// Prints the character tables for the checks against Python's codecs, one
// line per code:
//   cp932_dump            every code point: "XXXX" and the bytes the
//                         Unicode-to-CP932 table gives, in hex
//                         (tests/cp932_python_check.py)
//   cp932_dump jisx0212   every JIS X 0212 code: "RRCC XXXX", its code point,
//                         0000 for none (tests/jisx0212_python_check.py)
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codes/cp932.h"
#include "codes/jisx0212.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "jisx0212") == 0) {
        for (unsigned row = vorlax::kJisX0212First; row <= vorlax::kJisX0212Last; ++row)
            for (unsigned cell = vorlax::kJisX0212First; cell <= vorlax::kJisX0212Last; ++cell)
                std::printf("%02X%02X %04X\n", row, cell, vorlax::JisX0212ToUnicode(row, cell));
        return std::ferror(stdout) ? 1 : 0;
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        std::printf("%04X", u);
        vorlax::EmitCP932(vorlax::UnicodeToCP932(static_cast<std::uint16_t>(u)),
                          [](unsigned char c) { std::printf(" %02X", c); });
        std::printf("\n");
    }
    return std::ferror(stdout) ? 1 : 0;
}
