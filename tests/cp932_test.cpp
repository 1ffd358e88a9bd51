// The Unicode-to-CP932 table: its telling rows, and every entry against the
// platform's own CP932 converter (code page 932 on Windows, iconv elsewhere;
// natively the table is also checked against Python's cp932 codec, an
// independent source, by cp932_python_check.py).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "codes/cp932.h"

namespace {

using vorlax::UnicodeToCP932;

std::string Emit(std::uint16_t u) {
    std::string out;
    vorlax::AppendCP932(out, UnicodeToCP932(u));
    return out;
}

struct Row {
    std::uint16_t u;
    const char* bytes;
};

TEST(CP932Table, PagesFindWhatTheWalkOverTheRangesFinds) {
    EXPECT_TRUE(vorlax::cp932_detail::PagesMatchRanges());
}

TEST(CP932Table, TellingRows) {
    const Row rows[] = {
        {0x0041, "A"},
        {0x0000, "?"},            // U+0000 has no form
        {0x0080, "\x80"},         // single byte 0x80
        {0x00A0, "?"},
        {0x00A5, "\x5C"},
        {0x00E9, "e"},            // Latin-1 fallback
        {0x00BD, "?"},
        {0x0152, "??"},           // between the first two ranges
        {0x038F, "??"},           // just before the Greek range
        {0x0391, "\x83\x9F"},     // Alpha
        {0x0458, "??"},           // just after the Cyrillic range
        {0x200F, "??"},
        {0x2010, "\x81\x5D"},
        {0x2670, "??"},
        {0x3042, "\x82\xA0"},
        {0x30F4, "\x83\x94"},
        {0x3094, "\x83\x94"},     // hiragana vu gives katakana vu
        {0x33D0, "??"},
        {0x4E00, "\x88\xEA"},
        {0x9ED1, "\xFC\x4B"},     // the last IBM extension kanji
        {0x9FA0, "\xEA\x9E"},
        {0x9FA8, "??"},
        {0xFF71, "\xB1"},
        {0x2252, "\x81\xE0"},     // JIS X 0208 over NEC 0x87 0x90
        {0x2160, "\x87\x54"},     // NEC special over IBM 0xFA 0x4A
        {0x2170, "\xFA\x40"},     // IBM over NEC-selected 0xEE 0xEF
        {0xFFE2, "\x81\xCA"},     // JIS X 0208 over 0xEE 0xF9 and 0xFA 0x54
        {0x7E8A, "\xFA\x5C"},     // IBM over NEC-selected 0xED 0x40
        {0x2235, "\x81\xE6"},     // JIS X 0208 over NEC 0x87 0x9A and IBM 0xFA 0x5B
        {0xFF5E, "\x81\x60"},
        {0x301C, "?"},
        {0x2015, "\x81\x5C"},
        {0x2014, "?"},
        {0x2212, "?"},
        {0x2016, "?"},
        {0x2225, "\x81\x61"},
        {0xFF0D, "\x81\x7C"},
        {0xE000, "\xF0\x40"},     // user-defined area, first and last
        {0xE757, "\xF9\xFC"},
        {0xE758, "??"},
        {0xF8F0, "\xA0"},
        {0xF8F1, "\xFD"},
        {0xF8F2, "\xFE"},
        {0xF8F3, "\xFF"},
        {0xF8F4, "?"},
        {0xF929, "\xFA\xE0"},     // compatibility ideograph (IBM extension)
        {0xFA30, "??"},
        {0xFEFF, "??"},
        {0xFFFF, "?"},
        {0xD800, "??"},           // a lone surrogate lies outside the table
    };
    for (const Row& row : rows) EXPECT_EQ(Emit(row.u), row.bytes) << std::hex << row.u;
}

TEST(CP932Table, Latin1Section) {
    std::string all;
    for (std::uint16_t u = 0x00A1; u <= 0x00FF; ++u) all += Emit(u);
    EXPECT_EQ(all,
              "!\x81\x91\x81\x92?\x5C\x7C\x81\x98\x81\x4E"       // A1..A8
              "ca\x81\xE1\x81\xCA-R\x81\x50\x81\x8B"            // A9..B0
              "\x81\x7D" "23\x81\x4C\x83\xCA\x81\xF7\x81\x45\x81\x43"  // B1..B8
              "1o\x81\xE2????A"                                 // B9..C0
              "AAAAAACE"                                        // C1..C8
              "EEEIIIID"                                        // C9..D0
              "NOOOOO\x81\x7EO"                                 // D1..D8
              "UUUUYTsa"                                        // D9..E0
              "aaaaaace"                                        // E1..E8
              "eeeiiiid"                                        // E9..F0
              "nooooo\x81\x80o"                                 // F1..F8
              "uuuuyty");                                       // F9..FF
    std::string low;
    for (std::uint16_t u = 0x0001; u <= 0x0080; ++u) low += Emit(u);
    std::string same;
    for (int c = 0x01; c <= 0x80; ++c) same += static_cast<char>(c);
    EXPECT_EQ(low, same);
    std::string gap;
    for (std::uint16_t u = 0x0081; u <= 0x00A0; ++u) gap += Emit(u);
    EXPECT_EQ(gap, std::string(0x20, '?'));
}

// The platform's CP932 form of one code point as a table entry, 0 when the
// platform has none. A form that does not decode back to the code point is
// a best fit, not a mapping, and counts as none.
class PlatformCP932 {
public:
#ifdef _WIN32
    std::uint16_t Entry(std::uint16_t u) {
        const wchar_t wc = static_cast<wchar_t>(u);
        char bytes[4];
        const int k = WideCharToMultiByte(932, 0, &wc, 1, bytes, sizeof bytes, nullptr, nullptr);
        if (k < 1 || k > 2) return 0;
        wchar_t back[2];
        if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, k, back, 2) != 1 || back[0] != wc)
            return 0;
        return Pack(bytes, k);
    }
#else
    PlatformCP932()
        : encode_(iconv_open("CP932", "UTF-32LE")), decode_(iconv_open("UTF-32LE", "CP932")) {}
    ~PlatformCP932() {
        if (Ready()) {
            iconv_close(encode_);
            iconv_close(decode_);
        }
    }
    bool Ready() const {
        return encode_ != reinterpret_cast<iconv_t>(-1) && decode_ != reinterpret_cast<iconv_t>(-1);
    }
    std::uint16_t Entry(std::uint16_t u) {
        unsigned char in[4] = {static_cast<unsigned char>(u & 0xFF),
                               static_cast<unsigned char>(u >> 8), 0, 0};
        char bytes[4];
        char* ip = reinterpret_cast<char*>(in);
        char* op = bytes;
        std::size_t il = 4, ol = sizeof bytes;
        iconv(encode_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(encode_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return 0;
        const int k = static_cast<int>(sizeof bytes - ol);
        if (k < 1 || k > 2) return 0;
        unsigned char back[8];
        ip = bytes;
        il = static_cast<std::size_t>(k);
        op = reinterpret_cast<char*>(back);
        ol = sizeof back;
        iconv(decode_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(decode_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || ol != 4 ||
            back[0] != in[0] || back[1] != in[1] || back[2] != 0 || back[3] != 0)
            return 0;
        return Pack(bytes, k);
    }

private:
    iconv_t encode_;
    iconv_t decode_;
#endif

    static std::uint16_t Pack(const char* bytes, int k) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        return k == 1 ? b0 : static_cast<std::uint16_t>(b0 | static_cast<unsigned char>(bytes[1]) << 8);
    }
};

// Where the table and the platform differ, and why. Each row is a rule of
// the table that the platform's converter does not follow.
struct Disagreement {
    std::uint16_t first, last;  // code points, inclusive
    const char* why;
};

// The Latin-1 fallbacks: letters without their accents, superscripts,
// and symbols CP932 has under another code point.
const Disagreement kLatin1Fallbacks[] = {
    {0x00A1, 0x00A3, "fallback"}, {0x00A5, 0x00A6, "fallback"}, {0x00A9, 0x00AF, "fallback"},
    {0x00B2, 0x00B3, "fallback"}, {0x00B5, 0x00B5, "fallback"}, {0x00B7, 0x00BB, "fallback"},
    {0x00C0, 0x00D6, "fallback"}, {0x00D8, 0x00F6, "fallback"}, {0x00F8, 0x00FF, "fallback"},
};

#ifdef _WIN32
// Code page 932 on Windows maps the single bytes 0x80, 0xA0 and 0xFD..0xFF
// itself; only the fallbacks and hiragana vu differ.
const Disagreement kPlatformSpecific[] = {
    {0x3094, 0x3094, "hiragana vu gives katakana vu"},
};
// Wine's code page 932 maps 0x80 but not 0xA0 and 0xFD..0xFF.
const Disagreement kWineSpecific[] = {
    {0xF8F0, 0xF8F3, "single bytes 0xA0, 0xFD..0xFF"},
};
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
// glibc's CP932 knows neither the single bytes 0x80, 0xA0, 0xFD..0xFF nor
// hiragana vu.
const Disagreement kPlatformSpecific[] = {
    {0x0080, 0x0080, "single byte 0x80"},
    {0x3094, 0x3094, "hiragana vu gives katakana vu"},
    {0xF8F0, 0xF8F3, "single bytes 0xA0, 0xFD..0xFF"},
};
#endif

std::string Describe(std::uint16_t u, std::uint16_t table, std::uint16_t platform) {
    char line[64];
    std::snprintf(line, sizeof line, "U+%04X table %04X platform %04X\n", u, table, platform);
    return line;
}

TEST(CP932Table, EveryEntryAgainstThePlatform) {
    PlatformCP932 platform;
#ifndef _WIN32
    ASSERT_TRUE(platform.Ready()) << "iconv lacks CP932";
#endif
    std::vector<bool> listed(0x10000, false);
    for (const Disagreement& d : kLatin1Fallbacks)
        for (unsigned u = d.first; u <= d.last; ++u) listed[u] = true;
    for (const Disagreement& d : kPlatformSpecific)
        for (unsigned u = d.first; u <= d.last; ++u) listed[u] = true;
#ifdef _WIN32
    if (UnderWine())
        for (const Disagreement& d : kWineSpecific)
            for (unsigned u = d.first; u <= d.last; ++u) listed[u] = true;
#endif

    std::string unexpected, missing;
    std::size_t entries = 0, agreeing = 0;
    for (const vorlax::CP932Range& r : vorlax::kCP932Ranges) {
        for (unsigned u = r.first; u <= r.last; ++u) {
            ++entries;
            const std::uint16_t table = UnicodeToCP932(static_cast<std::uint16_t>(u));
            const std::uint16_t theirs = platform.Entry(static_cast<std::uint16_t>(u));
            if (table == theirs) {
                ++agreeing;
                if (listed[u]) missing += Describe(static_cast<std::uint16_t>(u), table, theirs);
            } else if (!listed[u]) {
                unexpected += Describe(static_cast<std::uint16_t>(u), table, theirs);
            }
        }
    }
    EXPECT_EQ(entries, vorlax::kCP932TableSize);
    EXPECT_EQ(unexpected, "") << "entries that differ from the platform without a listed reason";
    EXPECT_EQ(missing, "") << "listed disagreements where the two agree";
    EXPECT_GT(agreeing, 20000u);
}

}  // namespace
