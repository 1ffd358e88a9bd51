// The scanner's run of text, found sixteen bytes at a time where there is
// SSE2 and a machine word at a time elsewhere; the word tests beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codes/byte_scan.h"

namespace vorlax {

// The bytes the scanner does not write as they stand: white space, "&", "<"
// and the end-of-file code.
inline constexpr struct TextStops {
    bool table[256];
    constexpr TextStops() : table() {
        for (unsigned char c : {'\t', '\n', '\r', '\x1A', ' ', '&', '<'}) table[c] = true;
    }
} kTextStops;

constexpr bool IsTextStop(char c) { return kTextStops.table[static_cast<unsigned char>(c)]; }

// Machine words looked at a byte at a time all at once, where there are no
// vectors. The tests are exact: no borrow reaches a byte before the first
// that matches, and only whether any matches is used.
using ScanWord = std::uintptr_t;
inline constexpr ScanWord kByteOnes = byte_scan_detail::kOnesIn<ScanWord>;
using byte_scan_detail::BytesBelow;  // nonzero exactly when some byte of w is below b

constexpr bool HasByte(ScanWord w, unsigned char c) { return BytesBelow(w ^ (kByteOnes * c), 1) != 0; }

// Whether a word may hold a stop: some byte of it is 0x20 or below, "&" or
// "<". A word without one holds only text.
constexpr bool MayHoldTextStop(ScanWord w) {
    return BytesBelow(w, 0x21) != 0 || HasByte(w, '&') || HasByte(w, '<');
}

// TextRun from p[i] on, a byte at a time with the words that hold no stop
// stepped over whole: the way where there is no SSE2, and the tail of the
// vector way.
inline std::size_t TextRunByWords(const char* p, std::size_t n, std::size_t i,
                                  std::size_t* space_end) {
    while (i < n) {
        if (n - i >= sizeof(ScanWord)) {
            ScanWord w;
            std::memcpy(&w, p + i, sizeof w);
            if (!MayHoldTextStop(w)) {
                i += sizeof w;
                continue;
            }
        }
        const std::size_t end = n - i >= sizeof(ScanWord) ? i + sizeof(ScanWord) : n;
        for (; i < end; ++i) {
            if (!IsTextStop(p[i])) continue;
            if (p[i] != ' ' || i + 1 >= n || IsTextStop(p[i + 1])) return i;
            *space_end = i + 1;
        }
    }
    return n;
}

// The scanner's run of text: the length of the leading run of p[0..n) made of
// bytes other than white space, "&", "<" and 0x1A, and of single spaces that
// are followed by such a byte (a space at the very end is left out, as what
// follows it is not known yet). *space_end receives the position just after
// the run's last space, or 0 when it has none.
inline std::size_t TextRun(const char* p, std::size_t n, std::size_t* space_end) {
    std::size_t i = 0;
    *space_end = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the stops among them found at once, and
    // whether the byte after each one is a stop read off the same mask.
    for (; i + 17 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Every stop lies at or below "<" (0x3C): sixteen bytes above it,
        // as double-byte text mostly is, are all text.
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8('<')), v);
        if (!_mm_movemask_epi8(low)) continue;
        const __m128i spaces = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
        __m128i hits = spaces;
        for (char c : {'\t', '\n', '\r', '\x1A', '&', '<'})
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
        const unsigned stop_mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        unsigned space_mask = static_cast<unsigned>(_mm_movemask_epi8(spaces));
        const unsigned next_mask = (stop_mask >> 1) | (unsigned{IsTextStop(p[i + 16])} << 15);
        // A stop: a stop byte that is no space, or a space before a stop byte.
        const unsigned end_mask = (stop_mask & ~space_mask) | (space_mask & next_mask);
        if (end_mask) {
            const unsigned k = static_cast<unsigned>(__builtin_ctz(end_mask));
            space_mask &= (1u << k) - 1;
            if (space_mask) *space_end = i + 32 - static_cast<std::size_t>(__builtin_clz(space_mask));
            return i + k;
        }
        if (space_mask) *space_end = i + 32 - static_cast<std::size_t>(__builtin_clz(space_mask));
    }
#endif
    return TextRunByWords(p, n, i, space_end);
}

}  // namespace vorlax
