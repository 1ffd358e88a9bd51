// The scanner's run of text, found sixteen bytes at a time where there is SSE2.
#pragma once

#include <cstddef>

#include "codes/byte_scan.h"

namespace vorlax {

// The scanner's run of text: the length of the leading run of p[0..n) made of
// bytes other than white space, "&", "<" and 0x1A, and of single spaces that
// are followed by such a byte (a space at the very end is left out, as what
// follows it is not known yet). *space_end receives the position just after
// the run's last space, or 0 when it has none.
inline std::size_t TextRun(const char* p, std::size_t n, std::size_t* space_end) {
    auto special = [](char c) {
        return c == '\t' || c == '\n' || c == '\r' || c == '\x1A' || c == ' ' || c == '&' || c == '<';
    };
    std::size_t i = 0;
    *space_end = 0;
#if defined(__SSE2__)
    auto specials = [](__m128i v) {
        __m128i hits = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
        for (char c : {'\n', '\r', '\x1A', ' ', '&', '<'})
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
        return hits;
    };
    // Sixteen bytes at a time, with the byte after each one looked at too.
    for (; i + 17 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i spaces = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
        // A stop: a special byte that is no space, or a space before a special byte.
        const __m128i stops = _mm_or_si128(_mm_andnot_si128(spaces, specials(v)),
                                           _mm_and_si128(spaces, specials(next)));
        const unsigned stop_mask = static_cast<unsigned>(_mm_movemask_epi8(stops));
        unsigned space_mask = static_cast<unsigned>(_mm_movemask_epi8(spaces));
        if (stop_mask) {
            const unsigned k = static_cast<unsigned>(__builtin_ctz(stop_mask));
            space_mask &= (1u << k) - 1;
            if (space_mask) *space_end = i + 32 - static_cast<std::size_t>(__builtin_clz(space_mask));
            return i + k;
        }
        if (space_mask) *space_end = i + 32 - static_cast<std::size_t>(__builtin_clz(space_mask));
    }
#endif
    for (; i < n; ++i) {
        if (!special(p[i])) continue;
        if (p[i] != ' ' || i + 1 >= n || special(p[i + 1])) return i;
        *space_end = i + 1;
    }
    return n;
}

}  // namespace vorlax
