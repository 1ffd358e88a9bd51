// The decoders' byte-exact cases: a code, an input and the CP932 it gives.
#pragma once

#include <string>
#include <vector>

namespace vorlax::test {

struct Conversion {
    int code;
    std::string input;
    std::string output;
    const char* what;
};

inline std::vector<Conversion> ConversionCases() {
    using namespace std::string_literals;
    return {
        // Signatures and codes outside 1..6.
        {2, "\xFF\xFE" "ab", "ab", "UTF-16 signature dropped for Shift-JIS"},
        {2, "\xFE\xFF", "", "signature alone"},
        {2, "\xFF", "\xFF", "one byte kept"},
        {2, "\x82\xA0\x00\x1A"s, "\x82\xA0\x00\x1A"s, "Shift-JIS copied"},
        {0, "abc", "", "code 0 writes nothing"},
        {7, "abc", "", "code 7 writes nothing"},
        {-1, "abc", "", "negative code writes nothing"},
        // EUC-JP.
        {3, "a\xA4\xA2\x8E\xB1z", "a\x82\xA0\xB1z", "kanji, half-width katakana"},
        {3, "\xB4\xC1\xBB\xFA", "\x8A\xBF\x8E\x9A", "kanji"},
        {3, "\xAD\xB5", "\x87\x54", "NEC row 13"},
        // EUC-JP code set 3, JIS X 0212: 0x8F and two bytes, through Unicode.
        {3, "Catal\x8F\xAB\xA2</a>, Espa\x8F\xAB\xD0ol", "Catala</a>, Espanol",
         "JIS X 0212 accented letters take the table's fallbacks"},
        {3, "\x8F\xA9\xCE\x8F\xAA\xA2\x8F\xAA\xAE", "sAC", "sharp s, A grave, C cedilla"},
        {3, "\x8F\xB0\xA9", "\xFA\x68", "a kanji CP932 has among its IBM extensions"},
        {3, "\x8F\xA2\xB7\x8F\xA2\xF1", "\x81\x60\x87\x82", "TILDE (full-width), NUMERO SIGN"},
        {3, "\x8F\xB0\xA1<b>", "?<b>", "a kanji CP932 lacks: one ?, and the next byte is a new character"},
        {3, "\x8F\xAA\xA7z", "?z", "a letter beyond Latin-1: one ?"},
        {3, "\x8F\xA1\xA1z", "?z", "a code without a character"},
        {3, "\x8F<b>z", "?>z", "0x8F takes the two bytes after it, whatever they are"},
        {3, "a\x8F\xB0", "a", "JIS X 0212 cut off"},
        {3, "a\x8F", "a", "0x8F alone at the end"},
        {3, "\x8F\xAB\xA2\xA4\xA2\x8E\xB1\x8F\xAB\xA2", "a\x82\xA0\xB1" "a", "all three code sets"},
        {3, "\x80\x80", "p}", "any high byte pairs"},
        {3, "a\xA4", "a", "cut off"},
        {3, "a\x8E", "a", "0x8E cut off"},
        {3, "\xFF\xFE\xA4\xA2", "\x82\xA0", "signature"},
        // JIS.
        {1, "a\x1B$B$\"$$\x1B(Bb", "a\x82\xA0\x82\xA2" "b", "ESC $ B, ESC ( B"},
        {1, "\x1B$@$\"\x1B(J$\"\x1B(H!", "\x82\xA0$\"!", "ESC $ @, ESC ( J, ESC ( H"},
        {1, "\x1B$B$\"\x1B(I12\x1B(B12", "\x82\xA0\xB1\xB2" "12", "katakana mode"},
        {1, "\x1B(I\x60!_", "\x60\xA1\xDF", "katakana mode outside 0x21..0x5F"},
        {1, "\x0E\x31\x32\x60\x0F\x31", "\xB1\xB2\x60" "1", "SO run"},
        {1, "\x1B$B\x0E\x31\x0F$\"", "\xB1\x82\xA0", "SO keeps the mode"},
        {1, "\x0E\x31", "\xB1", "SO run to the end"},
        {1, "\x1BK$\"\x1BHa", "\x82\xA0" "a", "ESC K, ESC H"},
        {1, "\x1BK", "", "ESC K at the end"},
        {1, "x\x1BH", "x", "ESC H at the end"},
        // ESC $ ( D: JIS X 0212 until the next escape.
        {1, "Catal\x1B$(D+\"\x1B(B</a>, Espa\x1B$(D+P\x1B(Bol", "Catala</a>, Espanol",
         "ESC $ ( D selects JIS X 0212"},
        {1, "\x1B$B$\"\x1B$(D0)+\"\x1B$B$\"\x1B(Bz", "\x82\xA0\xFA\x68" "a\x82\xA0" "z",
         "JIS X 0208 and JIS X 0212 in turn"},
        {1, "\x1B$(D0!$\"\x0E\x31\x0F+\"", "??\xB1" "a", "no character: ?; SO keeps the set"},
        {1, "\x1B$(D+\"\n+\"", "a?", "a line end in JIS X 0212 is half a character"},
        {1, "\x1B$(D+", "", "JIS X 0212 cut off"},
        {1, "\x1B$(Z$\"", "\x1B$(Z$\"", "ESC $ ( and another byte: written as it stands"},
        {1, "\x1B$B\x1B$(@$\"", "\x1B$(\x90\xA2", "ESC $ ( @ is no escape either"},
        {1, "a\x1B$(", "a\x1B$(", "ESC $ ( at the end"},
        {1, "\x1B$(\xFF" "b", "\x1B$(\xFF" "b", "0xFF ends ESC $ ("},
        {1, "\x1B$B$\"\n$\"", "\x82\xA0\x75\xA2", "a line end in kanji mode is half a character"},
        {1, "\x1B$B$", "", "kanji cut off"},
        {1, "a\x1B", "a\x1B", "ESC at the end"},
        {1, "a\x1B(", "a\x1B(", "ESC and one byte at the end"},
        {1, "\x1B$\xFF" "b", "\x1B$\xFF" "b", "0xFF ends an escape"},
        {1, "\x1B(Z", "\x1B(Z", "unknown escape"},
        // UTF-16.
        {4, "\xFF\xFE" "B0A\0"s, "\x82\xA0" "A", "little-endian with signature"},
        {4, "B0A\0"s, "\x82\xA0" "A", "little-endian without signature"},
        {6, "\xFE\xFF" "0B\0A"s, "\x82\xA0" "A", "big-endian"},
        {4, "\xFE\xFF" "B0"s, "\x82\xA0", "either signature is dropped"},
        {4, "A\0B"s, "A", "odd byte dropped"},
        {4, "\0\0"s, "?", "unit 0"},
        {4, "\x5E\xFF\x1C\x30"s, "\x81\x60?", "U+FF5E, U+301C"},
        {4, "\x3D\xD8\x00\xDE" "A\0"s, "??A", "surrogate pair gives one ??"},
        {6, "\xD8\x3D\xDE\x00"s, "??", "big-endian pair"},
        {4, "\x3D\xD8" "A\0"s, "??A", "lone high surrogate"},
        {4, "\x00\xDE" "A\0"s, "??A", "lone low surrogate"},
        {4, "\x00\xDE\x3D\xD8"s, "????", "low before high"},
        {4, "\x3D\xD8"s, "??", "high surrogate at the end"},
        {4, "\xFF\xFE\xFF\xFE"s, "??", "U+FEFF after the signature"},
        // UTF-8.
        {5, "A\xE3\x81\x82", "A\x82\xA0", "ASCII and kana"},
        {5, "\xEF\xBB\xBF" "A", "A", "signature dropped"},
        {5, "A\xEF\xBB\xBF", "A??", "U+FEFF inside the text"},
        {5, "\xC3\xA9\xC2\xA5", "e\x5C", "Latin-1"},
        {5, "\xC1\x81", "A", "overlong forms give their value"},
        {5, "\xE3\x41\x42", "\x82\xA0", "continuation bytes not verified"},
        {5, "\xF0\x9F\x98\x80" "A", "??A", "one character beyond the BMP"},
        {5, "\xF7\xBF\xBF\xBF", "??", "F7 takes three bytes"},
        {5, "A\xF0\x9F\x98", "A", "four-byte sequence cut off"},
        {5, "\x80" "A\xBF", "??A??", "stray continuation bytes"},
        {5, "\xF8\xFF", "????", "F8 and FF"},
        {5, "A\xE3\x81", "A", "three-byte sequence cut off"},
        {5, "A\xC3", "A", "two-byte sequence cut off"},
        {5, "\xED\xA0\x80", "??", "an encoded surrogate"},
        {5, "a\0b"s, "a?b", "NUL has no form"},
        {5, "\xE2\x85\xB0\xE2\x85\xA0", "\xFA\x40\x87\x54", "small and capital roman one"},
    };
}

}  // namespace vorlax::test
