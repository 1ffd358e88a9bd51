// Finding the next byte that matters in a run of bytes that do not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// The length of the leading run of p[0..n) made of bytes below 0x80.
inline std::size_t SpanAscii(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (high) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    // Eight bytes at a time elsewhere: a word without a high bit is ASCII.
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080u) break;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return i;
    return n;
}

}  // namespace vorlax
