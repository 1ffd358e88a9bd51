// Prints what the Unicode-to-CP932 table gives for every code point, one
// line each ("XXXX" and the bytes in hex), for tests/cp932_python_check.py.
#include <cstdint>
#include <cstdio>

#include "codes/cp932.h"

int main() {
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        std::printf("%04X", u);
        vorlax::EmitCP932(vorlax::UnicodeToCP932(static_cast<std::uint16_t>(u)),
                          [](unsigned char c) { std::printf(" %02X", c); });
        std::printf("\n");
    }
    return std::ferror(stdout) ? 1 : 0;
}
