// Input code detection: a signature, a META tag declaring UTF-8, JIS escape
// sequences, well-formed UTF-8, and the high bytes that tell Shift-JIS from
// EUC-JP; window after window until one of them has something to go on.
#include "codes/decode.h"

#include "codes/ascii.h"
#include "codes/byte_scan.h"

namespace vorlax {

namespace {

using Byte = unsigned char;

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
    // A NUL byte ends the text; one among the first four bytes fails the
    // "meta" test anyway, so the test comes first.
    if (tag.size() < 4) return false;
    static constexpr char kMeta[] = "meta";
    for (int k = 0; k < 4; ++k)
        if (AsciiLower(tag[k]) != kMeta[k]) return false;
    tag = tag.substr(0, tag.find('\0'));
    std::string lower(tag);
    for (char& c : lower) c = AsciiLower(c);
    const std::size_t at = lower.find("charset");
    if (at == std::string::npos) return false;
    const std::string_view token = CharsetToken(std::string_view(lower).substr(at + 7));
    return token == "utf-8" || token == "utf8";
}

// The undeclared-UTF-8 test: at least one multi-byte sequence and nothing
// malformed. A sequence cut off by the end of the sample counts as well-formed.
#if defined(__SSE2__)
// Sixteen bytes at a time: the bytes the lead bytes before them call for
// (one after each lead byte, two after one from 0xE0, three after one from
// 0xF0) must be exactly the continuation bytes, and no byte may be one that
// neither continues nor opens a sequence (0xC0, 0xC1, 0xF5 and up).
bool LooksLikeUtf8(std::string_view sample) {
    const std::size_t n = sample.size();
    // With the high bit flipped, a signed compare sees the continuation
    // bytes as 0..63, 0xC0 0xC1 as 64 65, the lead bytes of two, three and
    // four as 66..95, 96..111 and 112..116, and 0xF5..0xFF as 117..127.
    auto in = [](__m128i s, int low, int high) {
        return _mm_and_si128(_mm_cmpgt_epi8(s, _mm_set1_epi8(static_cast<char>(low - 1))),
                             _mm_cmplt_epi8(s, _mm_set1_epi8(static_cast<char>(high + 1))));
    };
    __m128i needs1 = _mm_setzero_si128(), needs2 = needs1, needs3 = needs1;  // the block before
    __m128i leads = needs1;
    for (std::size_t i = 0; i < n; i += 16) {
        int looked_at = 0xFFFF;
        __m128i v;
        if (n - i >= 16) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sample.data() + i));
        } else {
            // The last bytes, padded with ASCII; what a sequence cut off by
            // the end calls for beyond them is not looked at.
            alignas(16) char tail[16] = {};
            sample.copy(tail, n - i, i);
            v = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
            looked_at = (1 << (n - i)) - 1;
        }
        const __m128i s = _mm_xor_si128(v, _mm_set1_epi8(static_cast<char>(0x80)));
        const __m128i opens1 = in(s, 66, 116), opens2 = in(s, 96, 116), opens3 = in(s, 112, 116);
        const __m128i called_for = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_slli_si128(opens1, 1), _mm_srli_si128(needs1, 15)),
                         _mm_or_si128(_mm_slli_si128(opens2, 2), _mm_srli_si128(needs2, 14))),
            _mm_or_si128(_mm_slli_si128(opens3, 3), _mm_srli_si128(needs3, 13)));
        const __m128i wrong = _mm_or_si128(_mm_xor_si128(in(s, 0, 63), called_for),
                                           _mm_or_si128(in(s, 64, 65), _mm_cmpgt_epi8(s, _mm_set1_epi8(116))));
        if (_mm_movemask_epi8(wrong) & looked_at) return false;
        needs1 = opens1;
        needs2 = opens2;
        needs3 = opens3;
        leads = _mm_or_si128(leads, opens1);
    }
    return _mm_movemask_epi8(leads) != 0;
}
#else
// How many continuation bytes a UTF-8 lead byte takes; -1 for a byte that
// cannot open a multi-byte sequence (a continuation byte, 0xC0, 0xC1, 0xF5
// and up). ASCII is 0.
constexpr struct Utf8Leads {
    signed char more[256];
    constexpr Utf8Leads() : more() {
        for (int b = 0; b < 256; ++b)
            more[b] = static_cast<signed char>(b < 0x80                  ? 0
                                               : b >= 0xC2 && b <= 0xDF ? 1
                                               : b >= 0xE0 && b <= 0xEF ? 2
                                               : b >= 0xF0 && b <= 0xF4 ? 3
                                                                         : -1);
    }
} kUtf8Leads;

bool LooksLikeUtf8(std::string_view sample) {
    const Byte* p = reinterpret_cast<const Byte*>(sample.data());
    const std::size_t n = sample.size();
    bool multi = false;
    std::size_t i = 0;
    while (i < n) {
        // ASCII runs (markup) are passed over many bytes at a time.
        i += SpanAscii(sample.data() + i, n - i);
        if (i == n) break;
        // Then a run of multi-byte sequences.
        do {
            if ((p[i] & 0xF0) == 0xE0 && n - i >= 3) {
                // Three bytes (kana, kanji): the common case, one test.
                if (((p[i + 1] & 0xC0) ^ 0x80) | ((p[i + 2] & 0xC0) ^ 0x80)) return false;
                i += 3;
                multi = true;
                continue;
            }
            int more = kUtf8Leads.more[p[i++]];
            if (more < 0) return false;
            for (; more > 0 && i < n; --more, ++i)
                if ((p[i] & 0xC0) != 0x80) return false;
            multi = true;
        } while (i < n && p[i] >= 0x80);
    }
    return multi;
}
#endif

// The high bytes that tell Shift-JIS from EUC-JP: those in 0x80..0x9F or from
// 0xE0 up (`outer`), and those in 0xA1..0xDF (`inner`).
struct HighByteCounts {
    std::size_t outer = 0, inner = 0;
};

HighByteCounts CountHighBytes(std::string_view sample) {
    const Byte* p = reinterpret_cast<const Byte*>(sample.data());
    const std::size_t n = sample.size();
    HighByteCounts counts;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time. With the high bit flipped, a signed compare
    // sees 0x80..0x9F as 0..31, 0xA1..0xDF as 33..95 and 0xE0..0xFF as 96..127.
    // Each lane counts its hits (a hit is -1, so it is subtracted) for up to
    // 255 blocks; then the lanes are summed.
    while (n - i >= 16) {
        __m128i outer = _mm_setzero_si128(), inner = _mm_setzero_si128();
        for (int blocks = 0; blocks < 255 && n - i >= 16; ++blocks, i += 16) {
            const __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)),
                                            _mm_set1_epi8(static_cast<char>(0x80)));
            const __m128i low = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-1)),
                                              _mm_cmplt_epi8(v, _mm_set1_epi8(32)));
            const __m128i top = _mm_cmpgt_epi8(v, _mm_set1_epi8(95));
            outer = _mm_sub_epi8(outer, _mm_or_si128(low, top));
            inner = _mm_sub_epi8(inner, _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(32)),
                                                      _mm_cmplt_epi8(v, _mm_set1_epi8(96))));
        }
        auto sum = [](__m128i lanes) {
            const __m128i halves = _mm_sad_epu8(lanes, _mm_setzero_si128());
            return static_cast<std::size_t>(_mm_cvtsi128_si32(halves)) +
                   static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(halves, halves)));
        };
        counts.outer += sum(outer);
        counts.inner += sum(inner);
    }
#endif
    for (; i < n; ++i) {
        const Byte b = p[i];
        if ((b >= 0x80 && b <= 0x9F) || b >= 0xE0) ++counts.outer;
        else if (b >= 0xA1 && b <= 0xDF) ++counts.inner;
    }
    return counts;
}

}  // namespace

bool FindMetaCharset(std::string_view sample) {
    const std::size_t end = sample.size() < kMetaWindowSize ? sample.size() : kMetaWindowSize;
    const char* p = sample.data();
    std::size_t i = 0;
    for (;;) {
        i += SpanWithout<'<', '\0'>(p + i, end - i);
        if (i == end || p[i] == '\0') return false;
        const std::size_t start = ++i;
        i += SpanWithout<'>'>(p + i, end - i);
        if (i == end) return false;  // the data ends inside the tag
        if (DeclaresUtf8(sample.substr(start, i - start))) return true;
        ++i;
    }
}

WindowVerdict DetectWindow(std::string_view rest, bool first) {
    WindowVerdict verdict;
    const Byte* p = reinterpret_cast<const Byte*>(rest.data());
    if (first) {
        if (rest.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE) verdict.code = kUtf16Le;
        if (rest.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF) verdict.code = kUtf16Be;
        if (rest.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) verdict.code = kUtf8;
        if (verdict.code != kAutomatic) return verdict;
    }

    // The window: up to 16383 bytes, ended early by a byte 0xFF.
    const std::string_view full = rest.substr(0, kDetectionSampleSize);
    const std::string_view sample = full.substr(0, full.find('\xFF'));
    verdict.used = sample.size() < full.size() ? sample.size() + 1 : sample.size();

    if (first && FindMetaCharset(sample)) {
        verdict.code = kUtf8;
        return verdict;
    }

    // JIS: a kanji-in and a kanji-out sequence anywhere before the first NUL.
    // Each holds an ESC, SO or SI, which most samples lack.
    const std::string_view text = sample.substr(0, sample.find('\0'));
    auto has = [text](std::string_view s) { return text.find(s) != std::string_view::npos; };
    const bool jis =
        SpanWithout<'\x1B', '\x0E', '\x0F'>(text.data(), text.size()) < text.size() &&
        (has("\x1B$B") || has("\x1B$@") || has("\x1B$(D") || has("\x1BK") || has("\x0E")) &&
        (has("\x1B(J") || has("\x1B(H") || has("\x1B(B") || has("\x1BH") || has("\x0F"));
    if (jis) {
        verdict.code = kJis;
        return verdict;
    }

    // The tests below look at bytes from 0x80 up: in a window of ASCII
    // there is nothing to decide on.
    const std::size_t ascii = SpanAscii(sample.data(), sample.size());
    if (ascii == sample.size()) return verdict;
    // Well-formed UTF-8 holds at least one multi-byte character.
    if (LooksLikeUtf8(sample.substr(ascii))) {
        verdict.code = kUtf8;
        return verdict;
    }
    // Nor without a byte the statistics count (0xA0 is none).
    const HighByteCounts counts = CountHighBytes(sample);
    if (counts.outer == 0 && counts.inner == 0) return verdict;
    verdict.code = counts.outer > counts.inner / 4 ? kShiftJis : kEuc;
    return verdict;
}

int DetectInputCode(std::string_view input) {
    for (bool first = true;; first = false) {
        const WindowVerdict verdict = DetectWindow(input, first);
        if (verdict.code != kAutomatic) return verdict.code;
        input.remove_prefix(verdict.used);
        if (input.empty()) return kEuc;
    }
}

}  // namespace vorlax
