// The length of a horizontal rule: percent × 0.01 × column as two IEEE
// double multiplications, each rounded to nearest even, truncated toward
// zero, worked out in integers, so every processor and floating-point unit
// gives the same count (29% of 100 columns is 28, as the doubles make it).
#pragma once

#include <cstdint>

namespace vorlax {

namespace rule_detail {

// 0.01 as a double: kHundredth × 2^-59, a 53-bit significand.
constexpr std::uint64_t kHundredth = 5764607523034235u;

constexpr int BitLength(std::uint64_t v) {
    int n = 0;
    for (; v; v >>= 1) ++n;
    return n;
}

// A number of at most 128 bits as two halves.
struct Wide {
    std::uint64_t hi = 0, lo = 0;
};

constexpr int BitLength(Wide v) { return v.hi ? 64 + BitLength(v.hi) : BitLength(v.lo); }

constexpr Wide ShiftRight(Wide v, int s) {
    if (s == 0) return v;
    if (s >= 64) return {0, v.hi >> (s - 64)};
    return {v.hi >> s, (v.lo >> s) | (v.hi << (64 - s))};
}

constexpr Wide Add(Wide v, std::uint64_t n) {
    const std::uint64_t lo = v.lo + n;
    return {v.hi + (lo < v.lo ? 1 : 0), lo};
}

// v rounded to `bits` significant bits, to nearest, ties to even; the
// result is the significand and `shift` the power of two it stands for.
constexpr Wide RoundToBits(Wide v, int bits, int& shift) {
    shift = BitLength(v) > bits ? BitLength(v) - bits : 0;
    if (shift == 0) return v;
    const Wide kept = ShiftRight(v, shift);
    // The dropped bits against half of the last kept bit (shift <= 64 here).
    const std::uint64_t mask = shift == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << shift) - 1;
    const std::uint64_t dropped = v.lo & mask;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    Wide r = kept;
    if (dropped > half || (dropped == half && (kept.lo & 1))) r = Add(kept, 1);
    if (BitLength(r) > bits) {  // rounded up to the next power of two
        r = ShiftRight(r, 1);
        ++shift;
    }
    return r;
}

}  // namespace rule_detail

// `percent` in -100..100, `column` any 16-bit value.
constexpr long long RuleLength(long long percent, long long column) {
    using namespace rule_detail;
    const bool negative = (percent < 0) != (column < 0);
    const std::uint64_t p = static_cast<std::uint64_t>(percent < 0 ? -percent : percent);
    const std::uint64_t c = static_cast<std::uint64_t>(column < 0 ? -column : column);
    // percent × 0.01: p × kHundredth × 2^-59, rounded to a double.
    int s1 = 0;
    const Wide a = RoundToBits(Wide{0, p * kHundredth}, 53, s1);  // a < 2^53
    // × column, exactly: a × c < 2^69, then rounded to a double.
    const std::uint64_t a_hi = a.lo >> 32, a_lo = a.lo & 0xFFFFFFFFu;
    const std::uint64_t low = a_lo * c, high = a_hi * c;
    Wide product{high >> 32, high << 32};
    product = Add(product, low);
    int s2 = 0;
    const Wide b = RoundToBits(product, 53, s2);
    // The value is b × 2^(s1 + s2 - 59); its integer part.
    const int exponent = s1 + s2 - 59;
    const long long whole = exponent >= 0 ? static_cast<long long>(b.lo << exponent)
                                          : static_cast<long long>(ShiftRight(b, -exponent).lo);
    return negative ? -whole : whole;
}

static_assert(RuleLength(29, 100) == 28);
static_assert(RuleLength(50, 79) == 39);
static_assert(RuleLength(100, 79) == 79);
static_assert(RuleLength(-29, 100) == -28);

}  // namespace vorlax
