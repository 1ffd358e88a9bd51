// Character references: the entity names the engine knows, and reading a name or a number.
#include "codes/entities.h"

#include <cstring>

namespace vorlax {

constexpr Entity kEntities[252] = {
    // Latin-1: U+00A0..U+00FF in order.
    {"nbsp", 0xA0}, {"iexcl", 0xA1}, {"cent", 0xA2}, {"pound", 0xA3},
    {"curren", 0xA4}, {"yen", 0xA5}, {"brvbar", 0xA6}, {"sect", 0xA7},
    {"uml", 0xA8}, {"copy", 0xA9}, {"ordf", 0xAA}, {"laquo", 0xAB},
    {"not", 0xAC}, {"shy", 0xAD}, {"reg", 0xAE}, {"macr", 0xAF},
    {"deg", 0xB0}, {"plusmn", 0xB1}, {"sup2", 0xB2}, {"sup3", 0xB3},
    {"acute", 0xB4}, {"micro", 0xB5}, {"para", 0xB6}, {"middot", 0xB7},
    {"cedil", 0xB8}, {"sup1", 0xB9}, {"ordm", 0xBA}, {"raquo", 0xBB},
    {"frac14", 0xBC}, {"frac12", 0xBD}, {"frac34", 0xBE}, {"iquest", 0xBF},
    {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Acirc", 0xC2}, {"Atilde", 0xC3},
    {"Auml", 0xC4}, {"Aring", 0xC5}, {"AElig", 0xC6}, {"Ccedil", 0xC7},
    {"Egrave", 0xC8}, {"Eacute", 0xC9}, {"Ecirc", 0xCA}, {"Euml", 0xCB},
    {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Icirc", 0xCE}, {"Iuml", 0xCF},
    {"ETH", 0xD0}, {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3},
    {"Ocirc", 0xD4}, {"Otilde", 0xD5}, {"Ouml", 0xD6}, {"times", 0xD7},
    {"Oslash", 0xD8}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Ucirc", 0xDB},
    {"Uuml", 0xDC}, {"Yacute", 0xDD}, {"THORN", 0xDE}, {"szlig", 0xDF},
    {"agrave", 0xE0}, {"aacute", 0xE1}, {"acirc", 0xE2}, {"atilde", 0xE3},
    {"auml", 0xE4}, {"aring", 0xE5}, {"aelig", 0xE6}, {"ccedil", 0xE7},
    {"egrave", 0xE8}, {"eacute", 0xE9}, {"ecirc", 0xEA}, {"euml", 0xEB},
    {"igrave", 0xEC}, {"iacute", 0xED}, {"icirc", 0xEE}, {"iuml", 0xEF},
    {"eth", 0xF0}, {"ntilde", 0xF1}, {"ograve", 0xF2}, {"oacute", 0xF3},
    {"ocirc", 0xF4}, {"otilde", 0xF5}, {"ouml", 0xF6}, {"divide", 0xF7},
    {"oslash", 0xF8}, {"ugrave", 0xF9}, {"uacute", 0xFA}, {"ucirc", 0xFB},
    {"uuml", 0xFC}, {"yacute", 0xFD}, {"thorn", 0xFE}, {"yuml", 0xFF},
    // Symbols and Greek letters (fnof is not among them).
    {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916},
    {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919}, {"Theta", 920},
    {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924},
    {"Nu", 925}, {"Xi", 926}, {"Omicron", 927}, {"Pi", 928},
    {"Rho", 929}, {"Sigma", 931}, {"Tau", 932}, {"Upsilon", 933},
    {"Phi", 934}, {"Chi", 935}, {"Psi", 936}, {"Omega", 937},
    {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948},
    {"epsilon", 949}, {"zeta", 950}, {"eta", 951}, {"theta", 952},
    {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956},
    {"nu", 957}, {"xi", 958}, {"omicron", 959}, {"pi", 960},
    {"rho", 961}, {"sigmaf", 962}, {"sigma", 963}, {"tau", 964},
    {"upsilon", 965}, {"phi", 966}, {"chi", 967}, {"psi", 968},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"bull", 8226}, {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243},
    {"oline", 8254}, {"frasl", 8260}, {"weierp", 8472}, {"image", 8465},
    {"real", 8476}, {"trade", 8482}, {"alefsym", 8501}, {"larr", 8592},
    {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596},
    {"crarr", 8629}, {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658},
    {"dArr", 8659}, {"hArr", 8660}, {"forall", 8704}, {"part", 8706},
    {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},
    {"notin", 8713}, {"ni", 8715}, {"prod", 8719}, {"sum", 8721},
    {"minus", 8722}, {"lowast", 8727}, {"radic", 8730}, {"prop", 8733},
    {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744},
    {"cap", 8745}, {"cup", 8746}, {"int", 8747}, {"there4", 8756},
    {"sim", 8764}, {"cong", 8773}, {"asymp", 8776}, {"ne", 8800},
    {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834},
    {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839},
    {"oplus", 8853}, {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901},
    {"lceil", 8968}, {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971},
    {"lang", 9001}, {"rang", 9002}, {"loz", 9674}, {"spades", 9824},
    {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
    // Markup-significant and internationalisation characters.
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353},
    {"Yuml", 376}, {"circ", 710}, {"tilde", 732}, {"ensp", 8194},
    {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205},
    {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212},
    {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220},
    {"rdquo", 8221}, {"bdquo", 8222}, {"dagger", 8224}, {"Dagger", 8225},
    {"permil", 8240}, {"lsaquo", 8249}, {"rsaquo", 8250}, {"euro", 8364},
    {"", 0},
};

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z') v = c - 'A' + 10;
    else return -1;
    return v < base ? v : -1;
}

// Reads a number the way the C library's scanf reads %d (base 10) or %x
// (base 16, where an "0x" prefix is allowed before the digits). Returns false
// when no digit was read. The magnitude saturates: anything above 0xFFFF is
// out of reach anyway.
bool ReadNumber(const char* p, int base, bool& negative, std::uint32_t& magnitude) {
    while (IsSpace(*p)) ++p;
    negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2], 16) >= 0)
        p += 2;
    if (DigitValue(*p, base) < 0) return false;
    magnitude = 0;
    for (int d; (d = DigitValue(*p, base)) >= 0; ++p)
        if (magnitude <= 0x10000)
            magnitude = magnitude * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
    return true;
}

// An open-addressing table over the entity names, built by the compiler. The
// names are distinct, so a lookup finds the same record as a search in order.
constexpr std::uint32_t NameHash(const char* name) {
    std::uint32_t h = 2166136261u;
    for (; *name; ++name) h = (h ^ static_cast<unsigned char>(*name)) * 16777619u;
    return h;
}

constexpr bool SameName(const char* a, const char* b) {
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

constexpr std::size_t kHashSlots = 1024;  // a power of two, four times the names

struct NameIndex {
    std::int16_t slot[kHashSlots];
    constexpr NameIndex() : slot() {
        for (std::int16_t& s : slot) s = -1;
        for (int i = 0; i < kEntityCount; ++i) {
            std::size_t at = NameHash(kEntities[i].name) & (kHashSlots - 1);
            while (slot[at] >= 0) {
                if (SameName(kEntities[slot[at]].name, kEntities[i].name)) throw "duplicate name";
                at = (at + 1) & (kHashSlots - 1);
            }
            slot[at] = static_cast<std::int16_t>(i);
        }
    }
    constexpr int Find(const char* name) const {
        for (std::size_t at = NameHash(name) & (kHashSlots - 1); slot[at] >= 0;
             at = (at + 1) & (kHashSlots - 1))
            if (SameName(kEntities[slot[at]].name, name)) return slot[at];
        return -1;
    }
};

constexpr NameIndex kNameIndex;
static_assert(kNameIndex.Find("amp") >= 0 && kEntities[kNameIndex.Find("amp")].code == '&');
static_assert(kNameIndex.Find("fnof") < 0 && kNameIndex.Find("AMP") < 0);

}  // namespace

int FindEntity(const char* name) { return kNameIndex.Find(name); }

ReferenceValue ReadReferenceName(const char* name) {
    ReferenceValue result;
    if (name[0] != '#') {
        const int i = FindEntity(name);
        if (i >= 0) {
            result.kind = ReferenceValue::kCode;
            result.code = kEntities[i].code;
        }
        return result;
    }
    bool negative = false;
    std::uint32_t magnitude = 0;
    const bool read = ReadNumber(name + 1, 10, negative, magnitude) ||
                      (name[1] == 'x' && ReadNumber(name + 2, 16, negative, magnitude)) ||
                      (name[1] == 'X' && ReadNumber(name + 2, 16, negative, magnitude));
    if (!read) return result;
    if ((negative && magnitude != 0) || magnitude > 0xFFFF) {
        result.kind = ReferenceValue::kOutside;
    } else {
        result.kind = ReferenceValue::kCode;
        result.code = static_cast<std::uint16_t>(magnitude);
    }
    return result;
}

}  // namespace vorlax
