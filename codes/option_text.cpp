// The UTF-8 reading of option texts the user types: strict, into CP932.
#include "codes/cp932.h"
#include "codes/decode.h"

namespace vorlax {

bool Utf8TextToCP932(std::string_view utf8, std::string& out) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i++];
        std::uint32_t u;
        int more;
        std::uint32_t min;
        if (b < 0x80) { u = b; more = 0; min = 0; }
        else if (b >= 0xC2 && b <= 0xDF) { u = b & 0x1F; more = 1; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { u = b & 0x0F; more = 2; min = 0x800; }
        else return false;  // beyond the BMP, or not a lead byte
        for (; more > 0; --more) {
            if (i == n || p[i] < 0x80 || p[i] > 0xBF) return false;
            u = u << 6 | (p[i++] & 0x3F);
        }
        if (u < min || (u >= 0xD800 && u <= 0xDFFF)) return false;
        const std::uint16_t entry = UnicodeToCP932(static_cast<std::uint16_t>(u));
        if (entry == 0 || entry == kCP932Outside) return false;
        AppendCP932(out, entry);
    }
    return true;
}

}  // namespace vorlax
