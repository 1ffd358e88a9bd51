// The tag vocabulary: the tags the engine acts on, the names that select
// them, and the lookup of a tag text's first word (a hash over the words,
// sixteen bytes at a time where there is SSE2).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codes/ascii.h"
#include "codes/byte_scan.h"

namespace vorlax {

enum class Tag {
    Pre, PreEnd, OpenUnordered, CloseList, OpenOrdered, CloseOrdered, Item, LineStart, Dd, Br,
    Div, DivEnd, Block, Paragraph, Center, CenterEnd, Title, Style, Script, Applet, Rule,
    Heading, HeadingEnd, Row, Cell, Table, TableEnd, Image, LinkStart, LinkEnd,
};

struct TagName {
    const char* name;
    Tag tag;
};

// The one name of two words.
inline constexpr const char kLinkName[] = "A HREF";

// The tag names in the order they are tried; the first whose name begins the
// tag text decides. Every name but "A HREF" ends with a space, so it matches
// only a whole tag word.
inline constexpr TagName kTagTable[] = {
    {"PRE ", Tag::Pre}, {"XMP ", Tag::Pre},
    {"/PRE ", Tag::PreEnd}, {"/XMP ", Tag::PreEnd},
    {"UL ", Tag::OpenUnordered}, {"MENU ", Tag::OpenUnordered}, {"DIR ", Tag::OpenUnordered},
    {"/UL ", Tag::CloseList}, {"/MENU ", Tag::CloseList}, {"/DIR ", Tag::CloseList},
    {"OL ", Tag::OpenOrdered},
    {"/OL ", Tag::CloseOrdered},
    {"LI ", Tag::Item},
    {"DT ", Tag::LineStart}, {"CAPTION ", Tag::LineStart}, {"/CAPTION ", Tag::LineStart},
    {"DD ", Tag::Dd},
    {"BR ", Tag::Br},
    {"DIV ", Tag::Div},
    {"/DIV ", Tag::DivEnd},
    {"BLOCKQUOTE ", Tag::Block}, {"/BLOCKQUOTE ", Tag::Block}, {"DL ", Tag::Block},
    {"/DL ", Tag::Block},
    {"P ", Tag::Paragraph}, {"/P ", Tag::Paragraph},
    {"CENTER ", Tag::Center},
    {"/CENTER ", Tag::CenterEnd},
    {"TITLE ", Tag::Title},
    {"STYLE ", Tag::Style},
    {"SCRIPT ", Tag::Script},
    {"APPLET ", Tag::Applet},
    {"HR ", Tag::Rule},
    {"H1 ", Tag::Heading}, {"H2 ", Tag::Heading}, {"H3 ", Tag::Heading},
    {"H4 ", Tag::Heading}, {"H5 ", Tag::Heading}, {"H6 ", Tag::Heading},
    {"/H1 ", Tag::HeadingEnd}, {"/H2 ", Tag::HeadingEnd}, {"/H3 ", Tag::HeadingEnd},
    {"/H4 ", Tag::HeadingEnd}, {"/H5 ", Tag::HeadingEnd}, {"/H6 ", Tag::HeadingEnd},
    {"TR ", Tag::Row},
    {"TH ", Tag::Cell},
    {"TD ", Tag::Cell},
    {"TABLE ", Tag::Table},
    {"/TABLE ", Tag::TableEnd},
    {"IMG ", Tag::Image},
    {kLinkName, Tag::LinkStart},
    {"/A ", Tag::LinkEnd},
};

// The tag table as a hash over the first word of a tag. Every name but
// "A HREF" is one word and a space, so a name matches exactly when it is the
// tag's first word; the words are distinct, so the table's order decides
// nothing. "A HREF" is found through its first word, "A", and checked whole.
inline constexpr std::size_t kTagCount = sizeof kTagTable / sizeof kTagTable[0];
inline constexpr std::size_t kLongestTagWord = 11;  // "/BLOCKQUOTE"
inline constexpr std::size_t kLongestEndPrefix = 8;  // "</SCRIPT", "</APPLET"

// A word of at most 16 bytes, lower-cased, packed into two numbers.
struct TagWord {
    std::uint64_t low = 0, high = 0;
    constexpr bool operator==(const TagWord&) const = default;
    constexpr std::size_t Hash(std::uint64_t multiplier) const {
        return static_cast<std::size_t>(((low ^ (high << 5)) * multiplier) >> 56);
    }
};

constexpr TagWord PackWord(const char* word, std::size_t n) {
    TagWord w;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t c = static_cast<unsigned char>(AsciiLower(word[i]));
        if (i < 8)
            w.low |= c << (8 * i);
        else
            w.high |= c << (8 * (i - 8));
    }
    return w;
}

constexpr std::size_t NameWordLength(const char* name) {
    std::size_t n = 0;
    while (name[n] && name[n] != ' ') ++n;
    return n;
}

struct TagIndex {
    static constexpr std::size_t kSlots = 256;  // the hash's eight bits
    // What an empty slot holds: no word packs to it, as a word that may
    // match has at most kLongestTagWord bytes and the bytes after it are 0.
    static constexpr TagWord kEmpty{~0ull, ~0ull};
    // The search below starts where it ends: 0x9E3779B97F4A7C15 stepped on
    // until every name has a slot of its own, found once and written here so
    // that no compiler's constant evaluation runs out of steps.
    std::uint64_t multiplier = 0xE9681328121F157Dull;
    TagWord word[kSlots];
    std::int8_t entry[kSlots];
    // The multiplier is the first that gives every name a slot of its own,
    // so that a lookup is one comparison.
    constexpr TagIndex() : word(), entry() {
        while (!Place()) multiplier += 0x2545F4914F6CDD1Eull;  // even: the multiplier stays odd
    }
    constexpr bool Place() {
        for (TagWord& w : word) w = kEmpty;
        for (std::int8_t& e : entry) e = -1;
        for (std::size_t i = 0; i < kTagCount; ++i) {
            const char* name = kTagTable[i].name;
            const TagWord w = PackWord(name, NameWordLength(name));
            const std::size_t at = w.Hash(multiplier);
            if (entry[at] >= 0) {
                if (word[at] == w) throw "two names with one first word";
                return false;
            }
            word[at] = w;
            entry[at] = static_cast<std::int8_t>(i);
        }
        return true;
    }
    // The entry whose first word is the tag's first word, or null; the text
    // ends with its final space and a NUL.
    constexpr const TagName* Find(const char* text) const {
        std::size_t n = 0;
        while (text[n] != ' ' && text[n] != '\0') ++n;
        if (text[n] != ' ') return nullptr;
        return FindWord(text, n);
    }
    // The same for the bytes between "<" and ">", which lack the final space.
    constexpr const TagName* Find(std::string_view text) const {
        std::size_t n = 0;
        while (n < text.size() && text[n] != ' ' && text[n] != '\0')
            if (++n > kLongestTagWord) return nullptr;  // longer than every name
        if (n < text.size() && text[n] == '\0') return nullptr;
        return FindWord(text.data(), n);
    }
    constexpr const TagName* FindWord(const char* text, std::size_t n) const {
        if (n > kLongestTagWord) return nullptr;
        return FindPacked(PackWord(text, n));
    }
    constexpr const TagName* FindPacked(const TagWord& w) const {
        const std::size_t at = w.Hash(multiplier);
        return word[at] == w ? &kTagTable[entry[at]] : nullptr;
    }
};
inline constexpr TagIndex kTagIndex;
constexpr bool EveryNameFound() {
    for (const TagName& t : kTagTable)
        if (kTagIndex.FindWord(t.name, NameWordLength(t.name)) != &t) return false;
    return true;
}
static_assert(EveryNameFound());
static_assert(kTagIndex.Find("p ")->tag == Tag::Paragraph);
static_assert(kTagIndex.Find("/BlockQuote x ")->tag == Tag::Block);
static_assert(kTagIndex.Find("pre") == nullptr && kTagIndex.Find("P/ ") == nullptr);
static_assert(kTagIndex.Find(std::string_view("td")) && kTagIndex.Find(std::string_view("a x")) &&
              !kTagIndex.Find(std::string_view("b\0")) && !kTagIndex.Find(std::string_view("")));

#if defined(__SSE2__)
// The entry whose name's first word is the first `n` bytes of `v` (the
// start of a tag text), lower-cased and packed sixteen bytes at a time.
inline const TagName* FindPackedWord(__m128i v, std::size_t n) {
    if (n > kLongestTagWord) return nullptr;
    // 'A'..'Z' are the bytes that land below 26 when 'A' is taken away.
    const __m128i letters = _mm_sub_epi8(v, _mm_set1_epi8('A'));
    const __m128i upper = _mm_cmpeq_epi8(_mm_min_epu8(letters, _mm_set1_epi8(25)), letters);
    const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i in_word = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(n)), index);
    const __m128i word =
        _mm_and_si128(_mm_or_si128(v, _mm_and_si128(upper, _mm_set1_epi8(0x20))), in_word);
    std::uint64_t halves[2];
    std::memcpy(halves, &word, sizeof halves);  // byte i at bits 8i, as PackWord has it
    return kTagIndex.FindPacked(TagWord{halves[0], halves[1]});
}

// Where a space or a NUL ends a word among the sixteen bytes of `v`: a mask.
inline unsigned WordEnds(__m128i v) {
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_setzero_si128()))));
}
#endif

// The entry whose first word is the first word of `text`, the bytes between
// "<" and ">", where `readable` bytes can be read from its start (more than
// the text may hold).
inline const TagName* FindFirstWord(std::string_view text, std::size_t readable) {
#if defined(__SSE2__)
    if (readable >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data()));
        const unsigned ends = WordEnds(v);
        const std::size_t n = std::min<std::size_t>(
            ends ? static_cast<std::size_t>(__builtin_ctz(ends)) : 16, text.size());
        // A word ended by a NUL matches no name.
        if (n < text.size() && text[n] == '\0') return nullptr;
        return FindPackedWord(v, n);
    }
#endif
    static_cast<void>(readable);
    return kTagIndex.Find(text);
}

// "A" must go on with " HREF" to start a link.
template <typename Text>
inline const TagName* CheckLink(const TagName* match, Text text) {
    if (match && match->tag == Tag::LinkStart && !StartsWithNoCase(text, kLinkName)) return nullptr;
    return match;
}

// The table entry for a tag text, NUL-terminated with its final space: the
// first word decides.
inline const TagName* FindTag(const char* text) { return CheckLink(kTagIndex.Find(text), text); }

// The same for the bytes between "<" and ">", as FindFirstWord takes them.
inline const TagName* FindTag(std::string_view text, std::size_t readable) {
    return CheckLink(FindFirstWord(text, readable), text);
}

// A tag at the start of the input at hand, as far as a look tells: the
// length of its text (the bytes before its ">"), or kSlow when it must be
// read a byte at a time (a line break, a 0xFF or the end of what is at hand
// comes first, or no ">" lies within reach); and the table entry of its
// first word, or null. A link's entry is not checked yet (CheckLink): the
// reader need not check it when links are off.
struct TagAtHand {
    static constexpr std::size_t kSlow = static_cast<std::size_t>(-1);
    // Only from LookAtShortTag: the tag is not over within sixteen bytes.
    static constexpr std::size_t kLong = static_cast<std::size_t>(-2);
    std::size_t length;
    const TagName* match;
};

// The usual short tag, whose end and first word one load of its first
// sixteen bytes gives; kLong for any other (always, without SSE2).
inline TagAtHand LookAtShortTag(std::string_view ahead) {
#if defined(__SSE2__)
    if (ahead.size() >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ahead.data()));
        __m128i hits = _mm_cmpeq_epi8(v, _mm_set1_epi8('>'));
        for (char c : {'\r', '\n', '\xFF'}) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
        if (const unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(hits))) {
            const std::size_t n = static_cast<std::size_t>(__builtin_ctz(stops));
            if (ahead[n] != '>') return {TagAtHand::kSlow, nullptr};
            const std::size_t word = static_cast<std::size_t>(__builtin_ctz(WordEnds(v) | (1u << n)));
            // A word ended by a NUL matches no name.
            if (ahead[word] == '\0') return {n, nullptr};
            return {n, FindPackedWord(v, word)};
        }
    }
#endif
    static_cast<void>(ahead);
    return {TagAtHand::kLong, nullptr};
}

// What a byte means to the look at a tag: nothing, its end, a byte that
// sends it to the slow way (CR, LF, 0xFF), or the end of its first word.
enum class TagByte : unsigned char { kOther, kEnd, kSlow, kWordEnd };
inline constexpr struct TagBytes {
    TagByte kind[256];
    constexpr TagBytes() : kind() {
        kind[static_cast<unsigned char>('>')] = TagByte::kEnd;
        for (unsigned char c : {'\r', '\n', '\xFF'}) kind[c] = TagByte::kSlow;
        kind[static_cast<unsigned char>(' ')] = kind[0] = TagByte::kWordEnd;
    }
    constexpr TagByte operator[](char c) const { return kind[static_cast<unsigned char>(c)]; }
} kTagBytes;

// Any tag, a byte at a time: its first word packed as it is read, then its
// ">" looked for within the first `reach` bytes. The way without vectors.
inline TagAtHand LookAtTagByBytes(std::string_view ahead, std::size_t reach) {
    const char* p = ahead.data();
    TagWord w;
    std::size_t i = 0;
    for (; i < reach && kTagBytes[p[i]] == TagByte::kOther; ++i) {
        const std::uint64_t c = static_cast<unsigned char>(AsciiLower(p[i]));
        if (i < 8)
            w.low |= c << (8 * i);
        else if (i < 16)
            w.high |= c << (8 * (i - 8));
    }
    const std::size_t word = i;
    for (; i < reach; ++i) {
        const TagByte kind = kTagBytes[p[i]];
        if (kind == TagByte::kEnd) break;
        if (kind == TagByte::kSlow) return {TagAtHand::kSlow, nullptr};
    }
    if (i == reach) return {TagAtHand::kSlow, nullptr};
    // A word ended by a NUL, or longer than every name, matches none.
    if (word > kLongestTagWord || p[word] == '\0') return {i, nullptr};
    return {i, kTagIndex.FindPacked(w)};
}

// Any tag, its ">" looked for within the first `reach` bytes.
inline TagAtHand LookAtTag(std::string_view ahead, std::size_t reach) {
#if defined(__SSE2__)
    const std::size_t n = SpanWithout<'>', '\r', '\n', '\xFF'>(ahead.data(), reach);
    if (n == reach || ahead[n] != '>') return {TagAtHand::kSlow, nullptr};
    return {n, FindFirstWord(ahead.substr(0, n), ahead.size())};
#else
    return LookAtTagByBytes(ahead, reach);
#endif
}

// Whether a tag's action reads its text (the attributes); the others are
// dispatched without it.
constexpr bool ReadsText(Tag tag) {
    switch (tag) {
        case Tag::Div:
        case Tag::Paragraph:
        case Tag::Rule:
        case Tag::Heading:
        case Tag::Image:
        case Tag::LinkStart: return true;
        default: return false;
    }
}

}  // namespace vorlax
