// The five decoders (JIS, EUC-JP, UTF-16 in both byte orders, UTF-8; Shift-JIS
// is a copy), each turning a piece of input into CP932, and the signatures
// they drop. JIS X 0208 goes to Shift-JIS by arithmetic; JIS X 0212, UTF-16
// and UTF-8 go through their code points and the Unicode-to-CP932 table.
#include "codes/decode.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codes/byte_scan.h"
#include "codes/cp932.h"
#include "codes/jisx0212.h"

namespace vorlax {

namespace {

using Byte = unsigned char;

constexpr Byte kEsc = 0x1B;
constexpr Byte kSo = 0x0E;
constexpr Byte kSi = 0x0F;

constexpr std::uint16_t JisCodeToSjis(std::uint16_t jis) {
    const std::int16_t j1 = static_cast<std::int16_t>(jis >> 8);
    const std::int16_t j2 = static_cast<std::int16_t>(jis & 0xFF);
    std::int16_t s2 = static_cast<std::int16_t>(j2 + ((j1 & 1) ? 0x1F : 0x7D));
    if (s2 >= 0x7F) ++s2;
    std::int16_t s1 = static_cast<std::int16_t>(((j1 - 0x21) >> 1) + 0x81);
    if (s1 > 0x9F) s1 = static_cast<std::int16_t>(s1 + 0x40);
    return static_cast<std::uint16_t>(s1 * 256 + s2);
}

// JisCodeToSjis in two tables: the lead byte depends on the first JIS byte
// alone, the trail byte on the second and the first's parity. Lookups keep
// the decoders free of branches that random kanji would mispredict.
struct JisTables {
    Byte lead[128];
    Byte trail[2][128];
    constexpr JisTables() : lead(), trail() {
        for (int j = 0; j < 128; ++j) {
            lead[j] = static_cast<Byte>(JisCodeToSjis(static_cast<std::uint16_t>(j << 8 | 0x21)) >> 8);
            for (int parity = 0; parity < 2; ++parity)
                trail[parity][j] = static_cast<Byte>(
                    JisCodeToSjis(static_cast<std::uint16_t>((0x20 + parity) << 8 | j)) & 0xFF);
        }
    }
};
constexpr JisTables kJisTables;

constexpr bool TablesMatch() {
    for (int b = 0; b < 128; ++b)
        for (int c = 0; c < 128; ++c) {
            const std::uint16_t s = JisCodeToSjis(static_cast<std::uint16_t>(b << 8 | c));
            if (kJisTables.lead[b] != (s >> 8) || kJisTables.trail[b & 1][c] != (s & 0xFF)) return false;
        }
    return true;
}
static_assert(TablesMatch());

// The two bytes of a JIS code as Shift-JIS, lead byte first.
inline Byte* PutJis(Byte* o, Byte b, Byte c) {
    o[0] = kJisTables.lead[b & 0x7F];
    o[1] = kJisTables.trail[b & 1][c & 0x7F];
    return o + 2;
}

#if defined(__SSE2__)
// Eight JIS codes (lead bytes at the even positions, the high bits ignored)
// to Shift-JIS at once, by the arithmetic of JisCodeToSjis: the lead byte is
// ((j1 + 1) >> 1) + 0x70, 0x40 more past 0x9F; the trail byte is j2 + 0x1F
// after an odd lead, + 0x7D after an even one, and one more from 0x7F up.
inline __m128i JisPairsToSjis(__m128i v) {
    const __m128i j = _mm_and_si128(v, _mm_set1_epi8(0x7F));
    const __m128i half = _mm_avg_epu8(j, _mm_setzero_si128());  // (j + 1) >> 1
    const __m128i lead = _mm_add_epi8(
        _mm_add_epi8(half, _mm_set1_epi8(0x70)),
        _mm_and_si128(_mm_cmpgt_epi8(half, _mm_set1_epi8(0x2F)), _mm_set1_epi8(0x40)));
    // The lead's parity spread over its pair's 16-bit lane.
    const __m128i odd = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(1)), _mm_set1_epi16(1));
    const __m128i add = _mm_xor_si128(_mm_set1_epi8(0x7D), _mm_and_si128(odd, _mm_set1_epi8(0x7D ^ 0x1F)));
    const __m128i sum = _mm_add_epi8(j, add);
    const __m128i past_7e = _mm_cmpeq_epi8(_mm_max_epu8(sum, _mm_set1_epi8(0x7F)), sum);
    const __m128i trail = _mm_sub_epi8(sum, past_7e);  // a true compare is -1
    const __m128i lead_bytes = _mm_set1_epi16(0x00FF);
    return _mm_or_si128(_mm_and_si128(lead_bytes, lead), _mm_andnot_si128(lead_bytes, trail));
}

// The lead positions of a 16-byte chunk: bit k of a movemask, k even.
constexpr int kLeadPositions = 0x5555;

// Converts the pairs that open p[0..16), up to the first lead position whose
// byte `bad_leads` marks (a movemask of the chunk), writing all sixteen
// bytes to o; returns how many input bytes those pairs are.
inline std::size_t PutJisPairs(const Byte* p, int bad_leads, Byte* o) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), JisPairsToSjis(v));
    bad_leads &= kLeadPositions;
    return bad_leads ? static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(bad_leads))) : 16;
}

inline __m128i Load16(const Byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline int BytesEqual(__m128i v, char c) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))); }
#endif

// A JIS X 0212 character (its two bytes, the high bits ignored) by the
// emission rule: through its code point and the Unicode-to-CP932 table. One
// that CP932 cannot hold, or a code that names no character, gives one "?".
inline Byte* PutJisX0212(Byte* o, Byte b, Byte c) {
    const std::uint16_t u = JisX0212ToUnicode(b & 0x7Fu, c & 0x7Fu);
    const std::uint16_t entry = u != 0 ? UnicodeToCP932(u) : 0;
    return PutCP932(o, entry == kCP932Outside ? 0 : entry);
}

// PutCP932 without a branch on the entry's length: both bytes are stored,
// the second counted only when it is not 0. Needs room for two bytes, which
// every decoder has (two bytes per input byte).
inline Byte* PutEntry(Byte* o, std::uint16_t entry) {
    const Byte low = static_cast<Byte>(entry & 0xFF);
    o[0] = low != 0 ? low : '?';
    o[1] = static_cast<Byte>(entry >> 8);
    return o + 1 + (entry >> 8 != 0);
}

// The two bytes of an entry that has two, in one store where the low byte
// comes first in memory.
inline Byte* PutTwo(Byte* o, std::uint16_t entry) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(o, &entry, 2);
    } else {
        o[0] = static_cast<Byte>(entry);
        o[1] = static_cast<Byte>(entry >> 8);
    }
    return o + 2;
}

// PutEntry with the case of Japanese text first: an entry of two bytes
// (a kanji, a kana) is stored as it is.
inline Byte* PutCharacter(Byte* o, std::uint16_t entry) {
    if ((entry & 0xFF) != 0 && entry > 0xFF) [[likely]] return PutTwo(o, entry);
    return PutEntry(o, entry);
}

// The bytes of a code point by the emission rule.
inline Byte* PutUnicode(Byte* o, std::uint16_t u) {
    if (u - 1u < 0x7Fu) {  // U+0001..U+007F are their own single byte
        *o++ = static_cast<Byte>(u);
        return o;
    }
    return PutCharacter(o, UnicodeToCP932(u));
}

inline Byte* PutUnknown(Byte* o) {
    *o++ = '?';
    *o++ = '?';
    return o;
}

inline bool Aborted(const std::atomic<bool>& abort) {
    return abort.load(std::memory_order_relaxed);
}

// Copies the run of bytes lowest..0x7F that opens p[0..n) to o, a word at a
// time, and returns its length. A byte from 0x80 up has its high bit set;
// subtracting `lowest` from every byte sets it in a byte below `lowest` too
// (no borrow reaches the first such byte), so a word with any byte outside
// the run shows a high bit, the first such byte its lowest one. Whole words
// are stored, the bytes after the run too: o has room for them (as much room
// as input), and what follows the run overwrites them.
inline std::size_t CopyAsciiRun(const Byte* p, std::size_t n, Byte lowest, Byte* o) {
    using namespace byte_scan_detail;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time where there is SSE2: the high bits end the
    // run, and with lowest 1 the zero bytes too (all those bytes, and only
    // those, are not above 0 as signed bytes).
    for (; n - i >= 16; i += 16) {
        const __m128i v = Load16(p + i);
        const int outside = lowest != 0 ? ~_mm_movemask_epi8(_mm_cmpgt_epi8(v, _mm_setzero_si128())) & 0xFFFF
                                        : _mm_movemask_epi8(v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), v);
        if (outside) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(outside)));
    }
#endif
    for (; n - i >= 8; i += 8) {
        const std::uint64_t w = LoadWord(reinterpret_cast<const char*>(p + i));
        std::memcpy(o + i, &w, 8);
        if (const std::uint64_t outside = ((w - lowest * kOnes) | w) & kHighBits) {
            const int first = FirstMarked(outside);
            if (first >= 0) return i + static_cast<std::size_t>(first);
            break;
        }
    }
    for (; i < n && p[i] < 0x80 && p[i] >= lowest; ++i) o[i] = p[i];
    return i;
}

// Copies n bytes to o; returns the end.
inline Byte* PutBytes(Byte* o, const Byte* p, std::size_t n) {
    std::memcpy(o, p, n);
    return o + n;
}

// Each decoder reads p[0..n) and writes to o, which has room for 2n bytes
// (no code writes more than two bytes per input byte), moving o to the end of
// what it wrote. It returns how many bytes it consumed: a character cut off by
// the end of the piece is left for the next piece, or dropped when the piece
// is the last. The output position (and any state) lives in locals while the
// loop runs: a byte store could otherwise alias it and force it to memory.

std::size_t DecodeEuc(const Byte* p, std::size_t n, bool last, Byte*& out,
                      const std::atomic<bool>& abort) {
    Byte* o = out;
    std::size_t i = 0;
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i];
        if (b < 0x80) {
            const std::size_t run = CopyAsciiRun(p + i, n - i, 0, o);
            o += run;
            i += run;
        } else if (n - i < 2) {
            if (last) i = n;  // cut off
            break;
        } else if (b != 0x8F) {
            // A run of JIS X 0208 pairs and half-width katakana, in one piece
            // like a run of ASCII: pairs eight at a time up to the first byte
            // that is no lead there.
            do {
                if (p[i] == 0x8E) {
                    *o++ = p[i + 1];  // half-width katakana: the same byte in CP932
                    i += 2;
                    continue;
                }
#if defined(__SSE2__)
                if (n - i >= 16) {
                    const __m128i v = Load16(p + i);
                    const int bad = ~_mm_movemask_epi8(v) | BytesEqual(_mm_or_si128(v, _mm_set1_epi8(1)), '\x8F');
                    const std::size_t took = PutJisPairs(p + i, bad, o);
                    o += took;
                    i += took;
                    continue;
                }
#endif
                o = PutJis(o, p[i], p[i + 1]);
                i += 2;
            } while (n - i >= 2 && p[i] >= 0x80 && p[i] != 0x8F);
        } else {
            // JIS X 0212: 0x8F and the two bytes after it, whatever they
            // are, are one character.
            if (n - i < 3) {
                if (last) i = n;  // cut off
                break;
            }
            o = PutJisX0212(o, p[i + 1], p[i + 2]);
            i += 3;
        }
    }
    out = o;
    return i;
}

#if defined(__SSE2__)
// How many of the eight UTF-16 units at p, from the first, are U+0001..U+007F
// (their own single byte); stores the eight units' low bytes at o.
template <bool kBigEndian>
inline std::size_t PutAsciiUnits(const Byte* p, Byte* o) {
    __m128i v = Load16(p);
    if (kBigEndian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    const __m128i ascii = _mm_and_si128(_mm_cmpgt_epi16(v, _mm_setzero_si128()),
                                        _mm_cmplt_epi16(v, _mm_set1_epi16(0x80)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
    // Two mask bits per unit: the count of units before the first outsider.
    const unsigned outside = ~static_cast<unsigned>(_mm_movemask_epi8(ascii)) & 0xFFFFu;
    return outside ? static_cast<std::size_t>(std::countr_zero(outside) / 2) : 8;
}
#endif

constexpr bool IsHighSurrogate(std::uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

template <bool kBigEndian>
std::size_t DecodeUtf16(const Byte* p, std::size_t n, bool last, Byte*& out,
                        const std::atomic<bool>& abort) {
    Byte* o = out;
    const std::size_t units = n / 2;  // a last odd byte waits, or is dropped
    auto unit = [p](std::size_t k) -> std::uint16_t {
        return kBigEndian ? static_cast<std::uint16_t>(p[2 * k] << 8 | p[2 * k + 1])
                          : static_cast<std::uint16_t>(p[2 * k + 1] << 8 | p[2 * k]);
    };
    std::size_t k = 0;
    while (k < units && !Aborted(abort)) {
        std::uint16_t u = unit(k);
        if (u >= 0x80 && !IsHighSurrogate(u)) {
            // A run of characters through the table (kanji, kana), in one
            // piece like a run of ASCII.
            do {
                o = PutCharacter(o, UnicodeToCP932(u));  // a lone low half: "??"
            } while (++k < units && (u = unit(k)) >= 0x80 && !IsHighSurrogate(u));
            continue;
        }
#if defined(__SSE2__)
        if (u - 1u < 0x7Fu && units - k >= 8) {
            // Markup and other ASCII, eight units at a time.
            const std::size_t run = PutAsciiUnits<kBigEndian>(p + 2 * k, o);
            o += run;
            k += run;
            continue;
        }
#endif
        if (IsHighSurrogate(u)) {
            if (k + 1 == units && !last) break;  // its low half may follow
            if (k + 1 < units) {
                const std::uint16_t low = unit(k + 1);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    // One character beyond the Basic Multilingual Plane.
                    k += 2;
                    o = PutUnknown(o);
                    continue;
                }
            }
        }
        o = PutUnicode(o, u);  // a lone surrogate lies outside the table: "??"
        ++k;
    }
    out = o;
    if (k < units) return 2 * k;  // waiting, or aborted
    return last ? n : 2 * units;
}

std::size_t DecodeUtf8(const Byte* p, std::size_t n, bool last, Byte*& out,
                       const std::atomic<bool>& abort) {
    Byte* o = out;
    std::size_t i = 0;
    // Whether the piece ends before the bytes a lead byte needs: the
    // character waits for the next piece, or is dropped at the end.
    auto cut_off = [&](std::size_t need) {
        if (n - i >= need) return false;
        if (last) i = n;
        return true;
    };
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i];
        if (b < 0x80) {
            // U+0001..U+007F are their own byte; NUL goes through the table.
            const std::size_t run = CopyAsciiRun(p + i, n - i, 1, o);
            if (run == 0) {
                o = PutUnicode(o, b);
                ++i;
            } else {
                o += run;
                i += run;
            }
        } else if (b >= 0xC0 && b <= 0xDF) {
            if (cut_off(2)) break;
            o = PutUnicode(o, static_cast<std::uint16_t>((b & 0x1F) << 6 | (p[i + 1] & 0x3F)));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (cut_off(3)) break;
            // A run of three-byte characters (kana, kanji, their punctuation)
            // in one piece, like a run of ASCII.
            const Byte* q = p + i;
            const Byte* const last_start = p + n - 3;  // n - i >= 3 here
            unsigned lead = b;
            for (;;) {
                const unsigned u = (lead & 0x0Fu) << 12 | (q[1] & 0x3Fu) << 6 | (q[2] & 0x3Fu);
                o = PutCharacter(o, UnicodeToCP932(static_cast<std::uint16_t>(u)));
                q += 3;
                if (q > last_start || ((lead = *q) & 0xF0) != 0xE0) break;
            }
            i = static_cast<std::size_t>(q - p);
        } else if (b >= 0xF0 && b <= 0xF7) {
            // One character beyond the Basic Multilingual Plane.
            if (cut_off(4)) break;
            o = PutUnknown(o);
            i += 4;
        } else {
            // A stray continuation byte or 0xF8..0xFF.
            o = PutUnknown(o);
            ++i;
        }
    }
    out = o;
    return i;
}

// Whether a piece opens with a signature: yes, no, or not known yet because
// the piece ends inside it.
enum class Opening { kYes, kNo, kUnknown };

Opening OpensWith(const Byte* p, std::size_t n, std::string_view signature) {
    const std::size_t k = n < signature.size() ? n : signature.size();
    if (std::memcmp(p, signature.data(), k) != 0) return Opening::kNo;
    return k == signature.size() ? Opening::kYes : Opening::kUnknown;
}

constexpr std::size_t kUndecided = static_cast<std::size_t>(-1);

// How many signature bytes open the input: a UTF-16 signature is dropped
// whatever the code, then a UTF-8 one for UTF-8. kUndecided when the piece
// ends too early to tell and more input follows.
std::size_t SignatureLength(int code, const Byte* p, std::size_t n, bool last) {
    const Opening le = OpensWith(p, n, "\xFF\xFE");
    const Opening be = OpensWith(p, n, "\xFE\xFF");
    if (!last && (le == Opening::kUnknown || be == Opening::kUnknown)) return kUndecided;
    std::size_t length = (le == Opening::kYes || be == Opening::kYes) ? 2 : 0;
    if (code == kUtf8) {
        const Opening utf8 = OpensWith(p + length, n - length, "\xEF\xBB\xBF");
        if (!last && utf8 == Opening::kUnknown) return kUndecided;
        if (utf8 == Opening::kYes) length += 3;
    }
    return length;
}

}  // namespace

std::uint16_t JisToSjis(std::uint16_t jis) { return JisCodeToSjis(jis); }

std::size_t Decoder::DecodeJis(const Byte* p, std::size_t n, bool last, Byte*& out,
                               const std::atomic<bool>& abort) {
    Byte* o = out;
    JisMode mode = jis_mode_;
    bool shift_out = jis_shift_out_;
    std::size_t i = 0;
    while (i < n && !Aborted(abort)) {
        const Byte b = p[i];
        if (shift_out) {
            // A shift-out run of half-width katakana up to SI; the mode stays.
            ++i;
            if (b == kSi) shift_out = false;
            else *o++ = (b >= 0x21 && b <= 0x5F) ? static_cast<Byte>(b + 0x80) : b;
        } else if (b == kSo) {
            shift_out = true;
            ++i;
        } else if (b == kEsc) {
            // Two bytes after ESC, fewer at the end; 0xFF also ends the
            // escape and is read again as ordinary input.
            Byte e[2];
            int got = 0;
            std::size_t j = i + 1;
            while (got < 2 && j < n && p[j] != 0xFF) e[got++] = p[j++];
            if (got < 2 && j == n && !last) break;  // cut off
            // ESC $ ( takes one byte more: "D" selects JIS X 0212; any
            // other byte is read again as ordinary input.
            const bool long_form = got == 2 && e[0] == '$' && e[1] == '(';
            if (long_form && j == n && !last) break;  // cut off
            const bool x0212 = long_form && j < n && p[j] == 'D';
            i = x0212 ? j + 1 : j;
            if (x0212) {
                mode = JisMode::kJisX0212;
            } else if (got == 2 && e[0] == '$' && (e[1] == 'B' || e[1] == '@')) {
                mode = JisMode::kKanji;
            } else if (got == 2 && e[0] == '(' && (e[1] == 'B' || e[1] == 'J' || e[1] == 'H')) {
                mode = JisMode::kRoman;
            } else if (got == 2 && e[0] == '(' && e[1] == 'I') {
                mode = JisMode::kKatakana;
            } else if (got >= 1 && e[0] == 'K') {
                mode = JisMode::kKanji;
                if (got == 2) --i;  // the byte after "K" is ordinary input
            } else if (got >= 1 && e[0] == 'H') {
                mode = JisMode::kRoman;
                if (got == 2) *o++ = e[1];
            } else {
                *o++ = kEsc;
                for (int k = 0; k < got; ++k) *o++ = e[k];
            }
        } else if (mode == JisMode::kKanji) {
            if (n - i < 2) {
                if (last) i = n;  // cut off
                break;
            }
            // A run of pairs, in one piece, up to the next ESC or SO at a
            // lead position: eight at a time where they fit.
            do {
#if defined(__SSE2__)
                if (n - i >= 16) {
                    const __m128i v = Load16(p + i);
                    const std::size_t took = PutJisPairs(p + i, BytesEqual(v, kEsc) | BytesEqual(v, kSo), o);
                    o += took;
                    i += took;
                    continue;
                }
#endif
                o = PutJis(o, p[i], p[i + 1]);
                i += 2;
            } while (n - i >= 2 && p[i] != kEsc && p[i] != kSo);
        } else if (mode == JisMode::kKatakana) {
            // A run of half-width katakana, up to the next ESC or SO.
            do {
                const Byte c = p[i++];
                *o++ = (c >= 0x21 && c <= 0x5F) ? static_cast<Byte>(c + 0x80) : c;
            } while (i < n && p[i] != kEsc && p[i] != kSo);
        } else if (mode == JisMode::kJisX0212) {
            // Pairs as in kanji mode, control bytes included.
            if (n - i < 2) {
                if (last) i = n;  // cut off
                break;
            }
            o = PutJisX0212(o, b, p[i + 1]);
            i += 2;
        } else {
            // In Roman mode every byte but ESC and SO stands for itself.
            const std::size_t run =
                1 + SpanWithout<'\x1B', '\x0E'>(reinterpret_cast<const char*>(p) + i + 1, n - i - 1);
            o = PutBytes(o, p + i, run);
            i += run;
        }
    }
    out = o;
    jis_mode_ = mode;
    jis_shift_out_ = shift_out;
    return i;
}

std::size_t Decoder::Decode(const Byte* in, std::size_t n, bool last, Byte* out,
                            std::size_t* written, const std::atomic<bool>& abort) {
    *written = 0;
    if (code_ < kJis || code_ > kUtf16Be) return n;
    std::size_t skip = 0;
    if (!started_) {
        skip = SignatureLength(code_, in, n, last);
        if (skip == kUndecided) return 0;
        started_ = true;
    }
    const Byte* p = in + skip;
    n -= skip;
    Byte* o = out;
    std::size_t used = 0;
    switch (code_) {
        case kJis: used = DecodeJis(p, n, last, o, abort); break;
        case kShiftJis:
            if (!Aborted(abort)) {
                o = PutBytes(o, p, n);
                used = n;
            }
            break;
        case kEuc: used = DecodeEuc(p, n, last, o, abort); break;
        case kUtf16Le: used = DecodeUtf16<false>(p, n, last, o, abort); break;
        case kUtf16Be: used = DecodeUtf16<true>(p, n, last, o, abort); break;
        case kUtf8: used = DecodeUtf8(p, n, last, o, abort); break;
    }
    *written = static_cast<std::size_t>(o - out);
    return skip + used;
}

void ConvertToCP932(int code, std::string_view input, std::string& out,
                    const std::atomic<bool>& abort) {
    // Shift-JIS is a copy: one byte per input byte is room enough.
    const std::size_t room = (code == kShiftJis ? 1 : 2) * input.size();
    const std::size_t old = out.size();
    out.resize(old + room);
    std::size_t written = 0;
    Decoder(code).Decode(reinterpret_cast<const Byte*>(input.data()), input.size(), true,
                         reinterpret_cast<Byte*>(out.data()) + old, &written, abort);
    out.resize(old + written);
}

}  // namespace vorlax
