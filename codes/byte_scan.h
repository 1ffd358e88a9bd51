// Finding the next byte that matters in a run of bytes that do not.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorlax {

// The length of the leading run of p[0..n) that holds none of kStops.
template <char... kStops>
inline std::size_t SpanWithout(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: compare with every stop byte at once.
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(kStops)))), ...);
        if (const int mask = _mm_movemask_epi8(hits)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i < n; ++i)
        if (((p[i] == kStops) || ...)) return i;
    return n;
}

}  // namespace vorlax
