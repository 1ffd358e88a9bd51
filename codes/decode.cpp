#include "codes/decode.h"

#include <cstring>

#include "codes/cp932.h"

namespace vorlax {

namespace {

using Byte = unsigned char;

constexpr Byte kEsc = 0x1B;
constexpr Byte kSo = 0x0E;
constexpr Byte kSi = 0x0F;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The charset token of a lower-cased META tag text, starting right after
// "charset": spaces, one "=", spaces and one quote are skipped; the token
// ends at a space, a quote, ";", "/", ">" or the end of the text.
std::string_view CharsetToken(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == '=') ++i;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) ++i;
    const std::size_t start = i;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '"' || c == '\'' || c == ';' || c == '/' || c == '>') break;
        ++i;
    }
    return text.substr(start, i - start);
}

// Whether a tag text (between "<" and ">") is a META tag declaring UTF-8.
bool DeclaresUtf8(std::string_view tag) {
    tag = tag.substr(0, tag.find('\0'));  // the text ends at a NUL byte
    if (tag.size() < 4) return false;
    static constexpr char kMeta[] = "meta";
    for (int k = 0; k < 4; ++k)
        if (Lower(tag[k]) != kMeta[k]) return false;
    std::string lower(tag);
    for (char& c : lower) c = Lower(c);
    const std::size_t at = lower.find("charset");
    if (at == std::string::npos) return false;
    const std::string_view token = CharsetToken(std::string_view(lower).substr(at + 7));
    return token == "utf-8" || token == "utf8";
}

// The undeclared-UTF-8 test: at least one multi-byte sequence and nothing
// malformed. A sequence cut off by the end of the sample counts as well-formed.
bool LooksLikeUtf8(std::string_view sample) {
    const Byte* p = reinterpret_cast<const Byte*>(sample.data());
    const std::size_t n = sample.size();
    bool multi = false;
    std::size_t i = 0;
    while (i < n) {
        const Byte b = p[i++];
        if (b < 0x80) continue;
        int more;
        if (b >= 0xC2 && b <= 0xDF) more = 1;
        else if (b >= 0xE0 && b <= 0xEF) more = 2;
        else if (b >= 0xF0 && b <= 0xF4) more = 3;
        else return false;
        for (; more > 0 && i < n; --more, ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        multi = true;
    }
    return multi;
}

// The two bytes of a JIS code as Shift-JIS, lead byte first.
inline Byte* PutJis(Byte* o, Byte b, Byte c) {
    const std::uint16_t s = JisToSjis(static_cast<std::uint16_t>((b & 0x7F) << 8 | (c & 0x7F)));
    *o++ = static_cast<Byte>(s >> 8);
    *o++ = static_cast<Byte>(s & 0xFF);
    return o;
}

// The bytes of a code point by the emission rule.
inline Byte* PutUnicode(Byte* o, std::uint16_t u) {
    if (u - 1u < 0x7Fu) {  // U+0001..U+007F are their own single byte
        *o++ = static_cast<Byte>(u);
        return o;
    }
    const std::uint16_t entry = UnicodeToCP932(u);
    const Byte low = static_cast<Byte>(entry & 0xFF);
    *o++ = low != 0 ? low : '?';
    if (entry >> 8) *o++ = static_cast<Byte>(entry >> 8);
    return o;
}

inline Byte* PutUnknown(Byte* o) {
    *o++ = '?';
    *o++ = '?';
    return o;
}

inline bool Aborted(const std::atomic<bool>& abort) {
    return abort.load(std::memory_order_relaxed);
}

// Each decoder reads p[0..n) and writes to o, which has room for 2n bytes
// (no code writes more than two bytes per input byte); returns the end.

Byte* DecodeEuc(const Byte* p, std::size_t n, Byte* o, const std::atomic<bool>& abort) {
    std::size_t i = 0;
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i++];
        if (b < 0x80) {
            *o++ = b;
        } else if (i == n) {
            break;  // cut off
        } else if (b == 0x8E) {
            *o++ = p[i++];  // half-width katakana: the same byte in CP932
        } else {
            // 0x8F included: JIS X 0212 is not known, its third byte is read
            // as a character of its own.
            o = PutJis(o, b, p[i++]);
        }
    }
    return o;
}

Byte* DecodeJis(const Byte* p, std::size_t n, Byte* o, const std::atomic<bool>& abort) {
    enum class Mode { kRoman, kKanji, kKatakana } mode = Mode::kRoman;
    std::size_t i = 0;
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i++];
        if (b == kSo) {
            // A shift-out run of half-width katakana up to SI; the mode stays.
            while (i < n) {
                const Byte c = p[i++];
                if (c == kSi) break;
                *o++ = (c >= 0x21 && c <= 0x5F) ? static_cast<Byte>(c + 0x80) : c;
            }
        } else if (b == kEsc) {
            // Two bytes after ESC, fewer at the end; 0xFF also ends the
            // escape and is read again as ordinary input.
            Byte e[2];
            int got = 0;
            while (got < 2 && i < n && p[i] != 0xFF) e[got++] = p[i++];
            if (got == 2 && e[0] == '$' && (e[1] == 'B' || e[1] == '@')) {
                mode = Mode::kKanji;
            } else if (got == 2 && e[0] == '(' && (e[1] == 'B' || e[1] == 'J' || e[1] == 'H')) {
                mode = Mode::kRoman;
            } else if (got == 2 && e[0] == '(' && e[1] == 'I') {
                mode = Mode::kKatakana;
            } else if (got >= 1 && e[0] == 'K') {
                mode = Mode::kKanji;
                if (got == 2) --i;  // the byte after "K" is ordinary input
            } else if (got >= 1 && e[0] == 'H') {
                mode = Mode::kRoman;
                if (got == 2) *o++ = e[1];
            } else {
                *o++ = kEsc;
                for (int k = 0; k < got; ++k) *o++ = e[k];
            }
        } else if (mode == Mode::kKanji) {
            if (i == n) break;  // cut off
            o = PutJis(o, b, p[i++]);
        } else if (mode == Mode::kKatakana && b >= 0x21 && b <= 0x5F) {
            *o++ = static_cast<Byte>(b + 0x80);
        } else {
            *o++ = b;
        }
    }
    return o;
}

template <bool kBigEndian>
Byte* DecodeUtf16(const Byte* p, std::size_t n, Byte* o, const std::atomic<bool>& abort) {
    const std::size_t units = n / 2;  // a last odd byte is dropped
    auto unit = [p](std::size_t k) -> std::uint16_t {
        return kBigEndian ? static_cast<std::uint16_t>(p[2 * k] << 8 | p[2 * k + 1])
                          : static_cast<std::uint16_t>(p[2 * k + 1] << 8 | p[2 * k]);
    };
    std::size_t k = 0;
    while (k < units && !Aborted(abort)) {
        const std::uint16_t u = unit(k++);
        if (u >= 0xD800 && u <= 0xDBFF && k < units) {
            const std::uint16_t low = unit(k);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                // One character beyond the Basic Multilingual Plane.
                ++k;
                o = PutUnknown(o);
                continue;
            }
        }
        o = PutUnicode(o, u);  // a lone surrogate lies outside the table: "??"
    }
    return o;
}

Byte* DecodeUtf8(const Byte* p, std::size_t n, Byte* o, const std::atomic<bool>& abort) {
    std::size_t i = 0;
    // The signature EF BB BF is dropped.
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i];
        if (b < 0x80) {
            o = PutUnicode(o, b);
            ++i;
        } else if (b >= 0xC0 && b <= 0xDF) {
            if (n - i < 2) break;  // cut off
            o = PutUnicode(o, static_cast<std::uint16_t>((b & 0x1F) << 6 | (p[i + 1] & 0x3F)));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (n - i < 3) break;
            o = PutUnicode(o, static_cast<std::uint16_t>((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 |
                                                         (p[i + 2] & 0x3F)));
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF7) {
            // One character beyond the Basic Multilingual Plane.
            if (n - i < 4) break;
            o = PutUnknown(o);
            i += 4;
        } else {
            // A stray continuation byte or 0xF8..0xFF.
            o = PutUnknown(o);
            ++i;
        }
    }
    return o;
}

}  // namespace

std::uint16_t JisToSjis(std::uint16_t jis) {
    const std::int16_t j1 = static_cast<std::int16_t>(jis >> 8);
    const std::int16_t j2 = static_cast<std::int16_t>(jis & 0xFF);
    std::int16_t s2 = static_cast<std::int16_t>(j2 + ((j1 & 1) ? 0x1F : 0x7D));
    if (s2 >= 0x7F) ++s2;
    std::int16_t s1 = static_cast<std::int16_t>(((j1 - 0x21) >> 1) + 0x81);
    if (s1 > 0x9F) s1 = static_cast<std::int16_t>(s1 + 0x40);
    return static_cast<std::uint16_t>(s1 * 256 + s2);
}

bool Utf8TextToCP932(std::string_view utf8, std::string& out) {
    const Byte* p = reinterpret_cast<const Byte*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const Byte b = p[i++];
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

bool FindMetaCharset(std::string_view sample) {
    const std::size_t end = sample.size() < kMetaWindowSize ? sample.size() : kMetaWindowSize;
    std::size_t i = 0;
    while (i < end) {
        const char c = sample[i++];
        if (c == '\0') return false;
        if (c != '<') continue;
        const std::size_t start = i;
        while (i < end && sample[i] != '>') ++i;
        if (i == end) return false;  // the data ends inside the tag
        if (DeclaresUtf8(sample.substr(start, i - start))) return true;
        ++i;
    }
    return false;
}

int DetectInputCode(std::string_view input) {
    const Byte* p = reinterpret_cast<const Byte*>(input.data());
    if (input.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE) return kUtf16Le;
    if (input.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF) return kUtf16Be;
    if (input.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return kUtf8;

    // The sample: up to 16383 bytes, ended early by a byte 0xFF.
    std::string_view sample = input.substr(0, kDetectionSampleSize);
    sample = sample.substr(0, sample.find('\xFF'));

    if (FindMetaCharset(sample)) return kUtf8;

    // JIS: a kanji-in and a kanji-out sequence anywhere before the first NUL.
    const std::string_view text = sample.substr(0, sample.find('\0'));
    auto has = [text](std::string_view s) { return text.find(s) != std::string_view::npos; };
    const bool kanji_in = has("\x1B$B") || has("\x1B$@") || has("\x1BK") || has("\x0E");
    const bool kanji_out =
        has("\x1B(J") || has("\x1B(H") || has("\x1B(B") || has("\x1BH") || has("\x0F");
    if (kanji_in && kanji_out) return kJis;

    if (sample.empty()) return kEuc;
    if (LooksLikeUtf8(sample)) return kUtf8;

    std::size_t s = 0, h = 0;
    for (const char ch : sample) {
        const Byte b = static_cast<Byte>(ch);
        if ((b >= 0x80 && b <= 0x9F) || b >= 0xE0) ++s;
        else if (b >= 0xA1 && b <= 0xDF) ++h;
    }
    return s > h / 4 ? kShiftJis : kEuc;
}

void ConvertToCP932(int code, std::string_view input, std::string& out,
                    const std::atomic<bool>& abort) {
    const Byte* p = reinterpret_cast<const Byte*>(input.data());
    std::size_t n = input.size();
    // A UTF-16 signature is dropped whatever the code.
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        p += 2;
        n -= 2;
    }
    if (code < kJis || code > kUtf16Be || Aborted(abort)) return;
    if (code == kShiftJis) {
        out.append(reinterpret_cast<const char*>(p), n);
        return;
    }
    const std::size_t old = out.size();
    out.resize(old + 2 * n);
    Byte* const begin = reinterpret_cast<Byte*>(out.data()) + old;
    Byte* end = begin;
    switch (code) {
        case kJis: end = DecodeJis(p, n, begin, abort); break;
        case kEuc: end = DecodeEuc(p, n, begin, abort); break;
        case kUtf16Le: end = DecodeUtf16<false>(p, n, begin, abort); break;
        case kUtf16Be: end = DecodeUtf16<true>(p, n, begin, abort); break;
        case kUtf8: end = DecodeUtf8(p, n, begin, abort); break;
    }
    out.resize(old + static_cast<std::size_t>(end - begin));
}

}  // namespace vorlax
