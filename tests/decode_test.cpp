// Input-code detection and the decoders into CP932, byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "codes/decode.h"
#include "decode_cases.h"

namespace {

using namespace std::string_literals;

std::string Convert(int code, const std::string& input) {
    static const std::atomic<bool> kNoAbort{false};
    std::string out = "[";
    vorlax::ConvertToCP932(code, input, out, kNoAbort);
    return out.substr(1);
}

TEST(JisToSjis, Rows) {
    const struct {
        std::uint16_t jis, sjis;
    } rows[] = {
        {0x2121, 0x8140}, {0x2160, 0x817F + 1}, {0x215F, 0x817E}, {0x2422, 0x82A0},
        {0x3021, 0x889F}, {0x5E7E, 0x9FFC},     {0x5F21, 0xE040}, {0x7E7E, 0xEFFC},
        {0x2D35, 0x8754}, {0x7426, 0xEAA4},
        {0x0000, 0x707D},  // below the JIS rows: the shift is arithmetic
    };
    for (const auto& r : rows) EXPECT_EQ(vorlax::JisToSjis(r.jis), r.sjis) << std::hex << r.jis;
}

struct Detect {
    std::string input;
    int code;
    const char* what;
};

TEST(DetectInputCode, Steps) {
    const std::string sjis = "\x82\xA0\x82\xA2\x8A\xBF\x8E\x9A";   // あい漢字
    const std::string euc = "\xA4\xA2\xA4\xA4\xB4\xC1\xBB\xFA";    // the same in EUC-JP
    const std::string utf8 = "\xE3\x81\x82\xE3\x81\x84\xE6\xBC\xA2";
    const std::string kana100 = [] {
        std::string s;
        for (int i = 0; i < 100; ++i) s += '\xB1';
        return s;
    }();
    auto times = [](const std::string& s, int n) {
        std::string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    };
    const Detect cases[] = {
        {"", 3, "empty"},
        {"<p>plain ASCII</p>", 3, "ASCII"},
        {"\xFF\xFE<\0p\0"s, 4, "UTF-16LE signature"},
        {"\xFE\xFF\0<\0p"s, 6, "UTF-16BE signature"},
        {"\xFF\xFE", 4, "signature alone"},
        {"\xEF\xBB\xBF" + sjis, 5, "UTF-8 signature wins over the bytes"},
        {"<\0p\0>\0"s, 3, "UTF-16 without signature is never UTF-16"},
        {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + sjis, 5, "HTML4"},
        {"<meta charset=\"utf-8\">" + sjis, 5, "HTML5"},
        {"<meta charset=utf-8 />" + sjis, 5, "unquoted, space slash"},
        {"<meta charset=utf-8/>" + sjis, 5, "unquoted, slash"},
        {"<meta content='text/html; charset=UTF-8'>" + sjis, 5, "single quotes"},
        {"<meta content=\"text/html; charset=utf-8; x=y\">" + sjis, 5, "semicolon"},
        {"<meta content=\"text/html; charset=utf8\">" + sjis, 5, "utf8"},
        {"<meta charset = \"UTF-8\">" + sjis, 5, "spaces around ="},
        {"<meta content=\"text/html; charset=Shift_JIS\">" + sjis, 2, "Shift_JIS has no effect"},
        {"<meta charset=\"utf-16\">" + sjis, 2, "utf-16 is no UTF-8"},
        {"<meta charset=\"utf-8x\">" + sjis, 2, "token must match whole"},
        {"< META charset=utf-8>" + sjis, 2, "space after <"},
        {"<metacharset=utf-8>" + sjis, 5, "META directly after <, any text after"},
        {"<!--[if IE]><meta charset=utf-8><![endif]-->" + sjis, 5, "inside a comment"},
        {"<!-- <meta charset=utf-8> -->" + sjis, 2, "the comment's own tag text swallows it"},
        {"<meta name=\"x>\" charset=utf-8>" + sjis, 2, "> inside quotes ends the tag"},
        {"<meta charset=\"utf-8\"" + sjis, 2, "tag never closed"},
        {"a\0<meta charset=utf-8>"s + sjis, 2, "after a NUL"},
        {std::string(10000, ' ') + "<meta charset=utf-8>" + sjis, 5, "within the window"},
        {std::string(10240, ' ') + "<meta charset=utf-8>" + sjis, 2, "beyond the window"},
        {std::string(10230, ' ') + "<meta charset=utf-8>" + sjis, 2, "crossing the window"},
        {"<meta charset=\"shift_jis\"><meta charset=utf-8>" + sjis, 5, "every META is examined"},
        {"\x1B$B$\"\x1B(B", 1, "JIS"},
        {"\x1BK$\"\x1BH", 1, "NEC kanji shift"},
        {"\x0E\x31\x0F", 1, "SO and SI"},
        {"\x1B(B\x1B$B", 1, "order does not matter"},
        {"\x1B$B$\"" + sjis, 2, "kanji-in alone is no JIS"},
        {"\0\x1B$B$\"\x1B(B"s, 3, "JIS after a NUL is not seen"},
        {utf8, 5, "undeclared UTF-8"},
        {"<p>" + utf8 + "\xF0\x9F\x98\x80</p>", 5, "with a four-byte sequence"},
        {"ab" + utf8.substr(0, 4), 5, "cut off by the end"},
        {std::string(16382, 'a') + utf8, 5, "cut off by the end of the sample"},
        {utf8 + "\xC0\x80", 2, "C0 is malformed"},
        {utf8 + "\xE3\x81", 5, "cut off at the very end"},
        {utf8 + "\xE3\x81" + "a", 2, "cut off inside the text"},
        {utf8 + "\xF5\x80\x80\x80", 2, "F5 is malformed"},
        {sjis, 2, "Shift-JIS"},
        {euc, 3, "EUC-JP"},
        {"ab\xFF" + sjis, 2, "0xFF ends the sample; the window after it decides"},
        {"ab\xFF" + sjis + "\xFF" + euc, 2, "0xFF ends every window"},
        {"\xFF\xFF" + euc, 3, "empty windows hold no evidence"},
        {times("\x81\x40", 25) + kana100, 3, "S = 25, H = 100"},
        {times("\x81\x40", 26) + kana100, 2, "S = 26, H = 100"},
        // Detection on evidence: windows without any are passed over, up to
        // the first that has some.
        {std::string(16383, 'a') + sjis, 2, "just beyond the sample"},
        {std::string(20000, 'a') + sjis, 2, "Shift-JIS behind an ASCII head"},
        {std::string(20000, 'a') + euc, 3, "EUC-JP behind an ASCII head"},
        {std::string(20000, 'a') + utf8, 5, "undeclared UTF-8 behind an ASCII head"},
        {std::string(20000, 'a') + "\x1B$B$\"\x1B(B", 1, "JIS behind an ASCII head"},
        {std::string(2 * 16383, 'a') + sjis, 2, "in the third window"},
        {std::string(16380, 'a') + utf8, 5, "a character across two windows: the first decides"},
        {std::string(50000, 'a'), 3, "no evidence anywhere: EUC"},
        {std::string(20000, ' ') + "<meta charset=utf-8>" + sjis, 2, "META only in the sample"},
        {"\xA1"s + std::string(20000, 'a') + sjis, 3, "one counted byte in the sample decides as before"},
        {times("\xA0", 16383) + sjis, 2, "0xA0 is no evidence"},
        {"\x1B$B"s + std::string(20000, 'a') + sjis, 2, "kanji-in alone is no evidence"},
        {"\x1B$(D+\"\x1B(B", 1, "ESC $ ( D is a kanji-in"},
        // The byte classes at their edges, counted in whole sixteen-byte blocks
        // and in the rest alike.
        {times("\xA0", 64) + "\x9F", 2, "0xA0 counts for neither"},
        {times("\xDF", 40) + times("\xE0", 10) + " ", 3, "0xDF is an H byte, 0xE0 an S byte"},
        {times("\xDF", 40) + times("\xE0", 11) + " ", 2, "one S byte more"},
        {times(" ", 30) + times("\xC0", 7) + "\x80\x9F" + times(" ", 16), 2, "0x80 and 0x9F are S bytes"},
        {times(" ", 30) + times("\xC0", 8) + "\x80\x9F" + times(" ", 16), 3, "one H byte more"},
        {times("\xB1", 12000) + times("\x81", 3000) + " ", 3, "S = 3000, H = 12000"},
        {times("\xB1", 12000) + times("\x81", 3001) + " ", 2, "S = 3001, H = 12000"},
    };
    for (const Detect& c : cases) EXPECT_EQ(vorlax::DetectInputCode(c.input), c.code) << c.what;
}

// The undeclared-UTF-8 test one byte after another: at least one lead byte,
// each followed by its continuation bytes (fewer where the sample ends), and
// no other byte from 0x80 up.
bool WellFormedUtf8(const std::string& sample) {
    bool multi = false;
    for (std::size_t i = 0; i < sample.size();) {
        const unsigned char b = static_cast<unsigned char>(sample[i++]);
        if (b < 0x80) continue;
        const int more = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
        if (more < 0) return false;
        for (int k = 0; k < more && i < sample.size(); ++k, ++i)
            if ((static_cast<unsigned char>(sample[i]) & 0xC0) != 0x80) return false;
        multi = true;
    }
    return multi;
}

// Samples of lead, continuation and stray bytes, well-formed or not, cut
// anywhere: a window of them is UTF-8 exactly when the byte-by-byte test
// says so (they hold nothing else detection would act on).
TEST(DetectInputCode, Utf8TestSameAsByteByByte) {
    const std::string pieces[] = {"a", "ab", "\x80", "\xBF", "\xC0", "\xC1", "\xC2", "\xDF", "\xE0", "\xEF",
                                  "\xF0", "\xF4", "\xF5", "\xFE", "\xE3\x81\x82", "\xC3\xA9",
                                  "\xF0\x9F\x98\x80", "\xE3\x81\x82\xE3\x81\x84", "0123456789abcdef"};
    std::mt19937 random(20261209);
    int utf8 = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string sample;
        const int count = static_cast<int>(random() % 24);
        for (int k = 0; k < count; ++k) {
            // Mostly well-formed pieces, so that long samples stay UTF-8 too.
            const std::uint32_t r = random();
            sample += pieces[r % 8 != 0 ? 14 + (r >> 8) % 5 : (r >> 8) % std::size(pieces)];
        }
        const bool expected = WellFormedUtf8(sample);
        utf8 += expected;
        ASSERT_EQ(vorlax::DetectWindow(sample, false).code == vorlax::kUtf8, expected)
            << testing::PrintToString(sample);
    }
    EXPECT_GT(utf8, 2000);  // both outcomes are well represented
    EXPECT_LT(utf8, 18000);
}

using vorlax::test::Conversion;

TEST(ConvertToCP932, Codes) {
    for (const Conversion& c : vorlax::test::ConversionCases()) EXPECT_EQ(Convert(c.code, c.input), c.output) << c.what;
}

// Repeats a string.
std::string Times(int count, const std::string& s) {
    std::string out;
    for (int k = 0; k < count; ++k) out += s;
    return out;
}

// The Shift-JIS of a JIS code given as two bytes, the high bits ignored.
std::string SjisOf(unsigned b, unsigned c) {
    const std::uint16_t s = vorlax::JisToSjis(static_cast<std::uint16_t>((b & 0x7F) << 8 | (c & 0x7F)));
    return {static_cast<char>(s >> 8), static_cast<char>(s & 0xFF)};
}

// Long runs, where the decoders take many bytes at a time: every pair of
// bytes a JIS X 0208 run may hold, and runs that end at every position of
// the blocks they are taken in.
TEST(ConvertToCP932, LongRuns) {
    std::string euc, euc_out, jis = "\x1B$B", jis_out;
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned c = 0; c < 256; ++c) {
            if (b >= 0x80 && (b | 1) != 0x8F) {
                euc += {static_cast<char>(b), static_cast<char>(c)};
                euc_out += SjisOf(b, c);
            }
            if (b != 0x1B && b != 0x0E) {
                jis += {static_cast<char>(b), static_cast<char>(c)};
                jis_out += SjisOf(b, c);
            }
        }
    std::vector<Conversion> cases = {
        {vorlax::kEuc, euc, euc_out, "every EUC-JP pair"},
        {vorlax::kJis, jis, jis_out, "every JIS kanji pair"},
    };
    const std::string a = "\xE3\x81\x82", a_le = "\x42\x30", a_be = "\x30\x42";  // U+3042
    for (int k = 0; k < 20; ++k) {
        const std::string ka = Times(k, "\x82\xA0"), tail = Times(20, "\x82\xA0");
        cases.push_back({vorlax::kEuc, Times(k, "\xA4\xA2") + "x" + Times(20, "\xA4\xA2"), ka + "x" + tail, "EUC-JP run, ASCII"});
        cases.push_back({vorlax::kEuc, Times(k, "\xA4\xA2") + "\x8E\xB1" + Times(20, "\xA4\xA2"), ka + "\xB1" + tail, "EUC-JP run, katakana"});
        cases.push_back({vorlax::kEuc, Times(k, "\xA4\xA2") + "\x8F\xB0\xA9" + Times(20, "\xA4\xA2"), ka + "\xFA\x68" + tail, "EUC-JP run, JIS X 0212"});
        cases.push_back({vorlax::kJis, "\x1B$B" + Times(k, "\x24\x22") + "\x1B(Bx", ka + "x", "JIS run, ESC"});
        cases.push_back({vorlax::kJis, "\x1B$B" + Times(k, "\x24\x22") + "\x0E\x31\x0F" + Times(20, "\x24\x22"), ka + "\xB1" + tail, "JIS run, SO"});
        cases.push_back({vorlax::kUtf8, Times(k, a) + "x" + Times(20, a) + "\0"s + Times(k, "y"), ka + "x" + tail + "?" + Times(k, "y"), "UTF-8 runs"});
        cases.push_back({vorlax::kUtf8, Times(k, "y") + "\xC3\xA9" + Times(20, "z"), Times(k, "y") + "e" + Times(20, "z"), "UTF-8 ASCII run"});
        const std::string ascii = Times(k, "y"), rest = Times(20, "z");
        cases.push_back({vorlax::kUtf16Le, Times(k, "y\0"s) + a_le + Times(20, "z\0"s), ascii + "\x82\xA0" + rest, "UTF-16LE ASCII run"});
        cases.push_back({vorlax::kUtf16Le, Times(k, "y\0"s) + "\0\0"s + Times(20, "z\0"s), ascii + "?" + rest, "UTF-16LE ASCII run, NUL"});
        cases.push_back({vorlax::kUtf16Le, Times(k, "y\0"s) + "\x80\0"s + Times(20, "z\0"s), ascii + "\x80" + rest, "UTF-16LE ASCII run, U+0080"});
        cases.push_back({vorlax::kUtf16Be, Times(k, "\0y"s) + a_be + Times(20, "\0z"s), ascii + "\x82\xA0" + rest, "UTF-16BE ASCII run"});
        cases.push_back({vorlax::kUtf16Be, Times(k, "\0y"s) + "\x01\x7A"s + Times(20, "\0z"s), ascii + "??" + rest, "UTF-16BE ASCII run, U+017A"});
    }
    for (const Conversion& c : cases) EXPECT_EQ(Convert(c.code, c.input), c.output) << c.what << " " << c.input.size();
}

TEST(ConvertToCP932, AbortStopsAtOnce) {
    const std::atomic<bool> abort{true};
    for (int code = 1; code <= 6; ++code) {
        std::string out = "kept";
        vorlax::ConvertToCP932(code, "a\xE3\x81\x82", out, abort);
        EXPECT_EQ(out, "kept") << code;
    }
}

}  // namespace

namespace {

TEST(Utf8TextToCP932, OptionTexts) {
    const struct {
        const char* utf8;
        bool ok;
        const char* cp932;
    } rows[] = {
        {"[%s]", true, "[%s]"},
        {"[\xE7\x94\xBB\xE5\x83\x8F(%s)]", true, "[\x89\xE6\x91\x9C(%s)]"},  // [画像(%s)]
        {"\xEF\xBD\xB1\xE2\x85\xB0", true, "\xB1\xFA\x40"},               // ｱ ⅰ
        {"caf\xC3\xA9", true, "cafe"},                                    // the table's fallback
        {"\xE3\x80\x9C", false, ""},                                      // U+301C: no form
        {"\xF0\x9F\x98\x80", false, ""},                                  // beyond the BMP
        {"\xC3", false, ""},                                              // cut off
        {"\xC0\xAF", false, ""},                                          // overlong
        {"\xED\xA0\x80", false, ""},                                      // a surrogate
        {"\xFF", false, ""},
        {"\xEF\xBB\xBF", false, ""},                                      // U+FEFF: outside
    };
    for (const auto& r : rows) {
        std::string out;
        EXPECT_EQ(vorlax::Utf8TextToCP932(r.utf8, out), r.ok) << r.utf8;
        if (r.ok) {
            EXPECT_EQ(out, r.cp932) << r.utf8;
        }
    }
}

}  // namespace
