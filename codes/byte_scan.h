// Finding the next byte that matters in a run of bytes that do not.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorlax {

namespace byte_scan_detail {

// 0x01 in every byte of a word.
template <typename Word>
inline constexpr Word kOnesIn = ~Word{0} / 255;
inline constexpr std::uint64_t kOnes = kOnesIn<std::uint64_t>;
inline constexpr std::uint64_t kHighBits = kOnes * 0x80;

inline std::uint64_t LoadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The high bit of every byte of w below b (b at most 0x80). A byte above a
// marked one may be marked too (the borrow runs on), never one below the
// first: the lowest mark is exact, and so is whether any byte is marked.
template <typename Word>
constexpr Word BytesBelow(Word w, unsigned b) {
    return (w - kOnesIn<Word> * b) & ~w & (kOnesIn<Word> * 0x80);
}

// The high bit of every zero byte of x, marked as BytesBelow marks.
constexpr std::uint64_t ZeroBytes(std::uint64_t x) { return BytesBelow(x, 1); }

// The index of the first marked byte of a word loaded from memory, where
// that is known (on a little-endian machine the lowest mark); -1 elsewhere,
// and the caller looks at the word's bytes one by one.
inline int FirstMarked(std::uint64_t marks) {
    if constexpr (std::endian::native == std::endian::little) return std::countr_zero(marks) / 8;
    return -1;
}

}  // namespace byte_scan_detail

// The length of the leading run of p[0..n) that holds none of kStops.
template <char... kStops>
inline std::size_t SpanWithout(const char* p, std::size_t n) {
    using namespace byte_scan_detail;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: compare with every stop byte at once.
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(kStops)))), ...);
        if (const int mask = _mm_movemask_epi8(hits)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#else
    // Eight bytes at a time elsewhere: a stop byte is a zero byte of the
    // word XORed with that stop in every byte.
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t w = LoadWord(p + i);
        std::uint64_t hits = 0;
        ((hits |= ZeroBytes(w ^ (kOnes * static_cast<unsigned char>(kStops)))), ...);
        if (hits) {
            const int first = FirstMarked(hits);
            if (first >= 0) return i + static_cast<std::size_t>(first);
            break;
        }
    }
#endif
    for (; i < n; ++i)
        if (((p[i] == kStops) || ...)) return i;
    return n;
}

// The length of the leading run of p[0..n) made of bytes below 0x80.
inline std::size_t SpanAscii(const char* p, std::size_t n) {
    using namespace byte_scan_detail;
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (high) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    // Eight bytes at a time elsewhere: a word without a high bit is ASCII.
    for (; i + 8 <= n; i += 8) {
        if (const std::uint64_t high = LoadWord(p + i) & kHighBits) {
            const int first = FirstMarked(high);
            if (first >= 0) return i + static_cast<std::size_t>(first);
            break;
        }
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return i;
    return n;
}

}  // namespace vorlax
