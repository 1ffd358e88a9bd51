// Links and images: a link's target written after its text, an image
// replaced by a placeholder, its src or alt, or the AltString template.
#include <cstring>

#include "codes/ascii.h"
#include "codes/lead_byte.h"
#include "engine/attributes.h"
#include "engine/line_output.h"

namespace vorlax {

void Converter::LinkStart(const char* text) {
    if (opt_.SWlink == 0) return;
    char* link = st_.pending_link;
    if (ReadAttrText(link, text + 6, sizeof st_.pending_link) == 0) return;
    if (opt_.SWlink_e == 1 && std::strncmp(link, "http://", 7) != 0 &&
        std::strncmp(link, "ftp://", 6) != 0)
        link[0] = '\0';  // only external targets are kept
}

void Converter::LinkEnd() {
    if (opt_.SWlink == 0 || st_.pending_link[0] == '\0') return;
    const bool own_line = opt_.SWlink_n != 0;
    if (own_line) BeginLine(0, false);
    PutChar('<');
    PutString(st_.pending_link);
    PutChar('>');
    if (own_line) BeginLine(0, false);
    st_.pending_link[0] = '\0';
}

// Writes the value of an IMG attribute; the name is found in the lower-cased
// copy, the value read from the tag text as written.
void Converter::PutAttribute(const char* text, const char* name) {
    const char* at = std::strstr(st_.scratch, name);
    if (!at) return;
    ReadAttrText(st_.attr, text + (at - st_.scratch) + std::strlen(name), sizeof st_.attr);
    PutString(st_.attr);
}

void Converter::Image(const char* text) {
    if (opt_.SWimage != 1) return;
    // Attribute names are found in a lower-cased copy; values are read as written.
    std::strcpy(st_.scratch, text);
    AsciiLowerInPlace(st_.scratch);
    switch (opt_.SWimageStr) {
        case 0: PutString("[Image]"); break;
        case 1:
        case 2: {
            const char* name = opt_.SWimageStr == 1 ? "src" : "alt";
            const char* at = std::strstr(st_.scratch, name);
            if (!at) {
                PutString("[Image]");
                break;
            }
            if (ReadAttrText(st_.attr, text + (at - st_.scratch) + 3, sizeof st_.attr) == 0)
                break;
            PutChar('[');
            PutString(st_.attr);
            PutChar(']');
            break;
        }
        case 3: ImageTemplate(text); break;
        default: break;
    }
}

// The AltString template: %S the src, %s the alt, %% a percent sign; never
// past its 255th byte, a double-byte character kept whole.
void Converter::ImageTemplate(const char* text) {
    const unsigned char* t = reinterpret_cast<const unsigned char*>(opt_.AltString);
    constexpr int kEnd = 255;
    auto at = [&](int i) -> unsigned char { return i < kEnd ? t[i] : 0; };
    auto put_pair = [&](int i) {  // a lead byte and its trail byte, kept whole
        PutChar(t[i]);
        if (at(i + 1) != 0) PutChar(at(i + 1));
    };
    for (int i = 0; at(i) != 0;) {
        const unsigned char c = at(i);
        if (IsLeadByte(c)) {
            put_pair(i);
            i += 2;
        } else if (c != '%') {
            PutChar(c);
            ++i;
        } else {
            const unsigned char next = at(i + 1);
            if (next == 0) break;  // a "%" at the very end is dropped
            if (IsLeadByte(next)) {
                put_pair(i + 1);
                i += 3;
                continue;
            }
            if (next == 'S')
                PutAttribute(text, "src");
            else if (next == 's')
                PutAttribute(text, "alt");
            else
                PutChar(next);
            i += 2;
        }
    }
}

}  // namespace vorlax
