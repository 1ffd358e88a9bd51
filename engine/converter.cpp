#include "engine/converter.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "codes/lead_byte.h"
#include "engine/byte_scan.h"
#include "engine/aligner.h"

namespace vorlax {

const std::atomic<bool> Converter::kNeverAbort{false};

namespace {

constexpr long long kNone = ConversionState::kNone;

constexpr struct LowerCase {
    char table[256];
    constexpr LowerCase() : table() {
        for (int c = 0; c < 256; ++c)
            table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
} kLowerCase;

// ASCII letters to lower case; every other byte stays as it is.
constexpr char Lower(char c) { return kLowerCase.table[static_cast<unsigned char>(c)]; }

void LowerInPlace(char* s) {
    for (; *s; ++s) *s = Lower(*s);
}

// True when `text` begins with `prefix`, ignoring the letter case of ASCII letters.
bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (Lower(*text) != Lower(*prefix)) return false;
    return true;
}

// The same for bytes that are not NUL-terminated.
bool StartsWithNoCase(std::string_view text, const char* prefix) {
    for (std::size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

enum class Tag {
    Pre, PreEnd, OpenUnordered, CloseList, OpenOrdered, CloseOrdered, Item, LineStart, Dd, Br,
    Div, DivEnd, Block, Paragraph, Center, CenterEnd, Title, Style, Script, Applet, Rule,
    Heading, HeadingEnd, Row, Cell, Table, TableEnd, Image, LinkStart, LinkEnd,
};

struct TagName {
    const char* name;
    Tag tag;
};

// The tag names in the order they are tried; the first whose name begins the
// tag text decides. Every name but "A HREF" ends with a space, so it matches
// only a whole tag word.
constexpr TagName kTagTable[] = {
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
    {"A HREF", Tag::LinkStart},
    {"/A ", Tag::LinkEnd},
};

// The tag table as a hash over the first word of a tag. Every name but
// "A HREF" is one word and a space, so a name matches exactly when it is the
// tag's first word; the words are distinct, so the table's order decides
// nothing. "A HREF" is found through its first word, "A", and checked whole.
constexpr std::size_t kTagCount = sizeof kTagTable / sizeof kTagTable[0];
constexpr std::size_t kLongestTagWord = 11;  // "/BLOCKQUOTE"
constexpr std::size_t kLongestEndPrefix = 8;  // "</SCRIPT", "</APPLET"

// A word of at most 16 bytes, lower-cased, packed into two numbers.
struct TagWord {
    std::uint64_t low = 0, high = 0;
    constexpr bool operator==(const TagWord&) const = default;
    constexpr std::size_t Hash() const {
        return static_cast<std::size_t>(((low ^ (high << 5)) * 0x9E3779B97F4A7C15ull) >> 56);
    }
};

constexpr TagWord PackWord(const char* word, std::size_t n) {
    TagWord w;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t c = static_cast<unsigned char>(Lower(word[i]));
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
    static constexpr std::size_t kSlots = 256;  // a power of two, over four times the names
    TagWord word[kSlots];
    std::int8_t entry[kSlots];
    constexpr TagIndex() : word(), entry() {
        for (std::int8_t& e : entry) e = -1;
        for (std::size_t i = 0; i < kTagCount; ++i) {
            const char* name = kTagTable[i].name;
            const TagWord w = PackWord(name, NameWordLength(name));
            std::size_t at = w.Hash() & (kSlots - 1);
            while (entry[at] >= 0) {
                if (word[at] == w) throw "two names with one first word";
                at = (at + 1) & (kSlots - 1);
            }
            word[at] = w;
            entry[at] = static_cast<std::int8_t>(i);
        }
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
        for (std::size_t at = w.Hash() & (kSlots - 1); entry[at] >= 0; at = (at + 1) & (kSlots - 1))
            if (word[at] == w) return &kTagTable[entry[at]];
        return nullptr;
    }
};
constexpr TagIndex kTagIndex;
static_assert(kTagIndex.Find("p ")->tag == Tag::Paragraph);
static_assert(kTagIndex.Find("/BlockQuote x ")->tag == Tag::Block);
static_assert(kTagIndex.Find("pre") == nullptr && kTagIndex.Find("P/ ") == nullptr);
static_assert(kTagIndex.Find(std::string_view("td")) && kTagIndex.Find(std::string_view("a x")) &&
              !kTagIndex.Find(std::string_view("b\0")) && !kTagIndex.Find(std::string_view("")));

// The entry whose first word is the first word of `text`, the bytes between
// "<" and ">", where `readable` bytes can be read from its start (more than
// the text may hold).
const TagName* FindFirstWord(std::string_view text, std::size_t readable) {
#if defined(__SSE2__)
    if (readable >= 16) {
        // The word is found, lower-cased and packed sixteen bytes at a time.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data()));
        const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
            _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_setzero_si128()))));
        const std::size_t n = std::min<std::size_t>(
            ends ? static_cast<std::size_t>(__builtin_ctz(ends)) : 16, text.size());
        // A word ended by a NUL matches no name.
        if (n > kLongestTagWord || (n < text.size() && text[n] == '\0')) return nullptr;
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
#endif
    static_cast<void>(readable);
    return kTagIndex.Find(text);
}

// "A" must go on with " HREF" to start a link.
template <typename Text>
const TagName* CheckLink(const TagName* match, Text text) {
    if (match && match->tag == Tag::LinkStart && !StartsWithNoCase(text, match->name)) return nullptr;
    return match;
}

// The table entry for a tag text, NUL-terminated with its final space: the
// first word decides.
const TagName* FindTag(const char* text) { return CheckLink(kTagIndex.Find(text), text); }

// The same for the bytes between "<" and ">", as FindFirstWord takes them.
const TagName* FindTag(std::string_view text, std::size_t readable) {
    return CheckLink(FindFirstWord(text, readable), text);
}

// Bytes the scanner writes as they stand: all but white space, "<", "&" and
// the end-of-file code (the forced wrap's single-byte runs take these).
constexpr struct OrdinaryBytes {
    bool table[256];
    constexpr OrdinaryBytes() : table() {
        for (int i = 0; i < 256; ++i) table[i] = true;
        for (unsigned char c : {'\t', '\n', '\r', '\x1A', ' ', '&', '<'}) table[c] = false;
    }
    constexpr bool operator[](unsigned char c) const { return table[c]; }
} kOrdinary;

constexpr std::string_view kMarkers[] = {"<[left__]>", "<[center]>", "<[right_]>"};
// Indentation for the deepest list, written in one piece.
constexpr std::string_view kIndentation(
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                              ");
static_assert(kIndentation.size() == 2 * ConversionState::kMaxDepth);
constexpr int kMarkerSize = 10;

int ReadAttr(char* dest, const char* text, int capacity, bool stop_at_space) {
    while (*text == ' ') ++text;
    if (*text == '=') ++text;
    while (*text == ' ') ++text;
    if (*text == '"') ++text;
    int n = 0;
    while (n < capacity - 1) {
        char c = text[n];
        if (c == '\0' || c == '"' || c == '>' || (stop_at_space && c == ' ')) break;
        dest[n] = c;
        ++n;
    }
    dest[n] = '\0';
    return n;
}

}  // namespace

int ReadAttrWord(char* dest, const char* text, int capacity) {
    return ReadAttr(dest, text, capacity, true);
}

int ReadAttrText(char* dest, const char* text, int capacity) {
    return ReadAttr(dest, text, capacity, false);
}

Converter::Converter(const Options& options, const std::atomic<bool>& abort)
    : opt_(options), abort_(abort) {}

// ---------------------------------------------------------------------------
// Output operations

void Converter::PutChar(unsigned char c) {
    if (opt_.SWqk == 1) {
        const int width = opt_.Column < 1 ? 1 : opt_.Column;
        if (IsLeadByte(c) && !st_.lead_byte_pending) {
            // A double-byte character moves whole to the next line.
            st_.lead_byte_pending = true;
            if (st_.column >= width - 1) BeginLine(0, true);
        } else if (st_.lead_byte_pending) {
            // A trail byte stays with its lead byte, even on lines too narrow for the pair.
            st_.lead_byte_pending = false;
        } else if (st_.column >= width) {
            BeginLine(0, true);
        }
    }
    Write(c);
    ++st_.column;
}

void Converter::PutString(const char* s) {
    for (; *s; ++s) PutChar(static_cast<unsigned char>(*s));
}

inline void Converter::PutSpace() {
    const long long pos = Pos();
    if (pos == 0) return;
    if (pos == st_.last_space && opt_.SWspcut != 0 && !st_.pre_mode) return;
    if (pos == st_.content_start && opt_.SWspcut2 != 0 && !st_.pre_mode) return;
    Write(' ');
    ++st_.column;
    st_.last_space = Pos();
}

// White space outside preformatted text: the byte just read and the white
// space after it. When runs collapse, every space after the first is a no-op
// (the first was written, so the position is the last space; or it was not,
// and what stopped it still holds), so the run is taken in one step.
void Converter::PutSpaces() {
    PutSpace();
    if (opt_.SWspcut == 0) return;
    const std::string_view ahead = in_->Ahead();
    std::size_t n = 0;
    while (n < ahead.size() && (ahead[n] == ' ' || ahead[n] == '\n' || ahead[n] == '\r' ||
                                ahead[n] == '\t'))
        ++n;
    in_->Skip(n);
}

void Converter::EndLine() {
    if (opt_.SWspcut2 == 1 && !st_.pre_mode && Pos() == st_.last_space) {
        out_->TakeBack(1);  // trailing white space is dropped
        st_.last_space = kNone;
    }
    if (Pos() == st_.last_indent) {
        out_->TakeBack(2 * static_cast<std::size_t>(st_.indent_level));
        st_.last_indent = kNone;
    }
    Write('\n');
    st_.content_start = Pos();
    st_.column = 0;
    st_.last_marker = kNone;
}

void Converter::BeginLine(int change, bool no_align) {
    if (HasContent()) EndLine();
    if (Pos() == st_.last_marker) {
        // The line holds nothing but a marker and indentation: the new line start replaces it.
        const long long level = static_cast<long long>(st_.indent_level) - change;
        out_->TakeBack(kMarkerSize + (level > 0 ? 2 * static_cast<std::size_t>(level) : 0));
    }
    int marker = 0;
    if (st_.align_depth >= 1 && st_.table_depth == 0 && !no_align) {
        const char top = st_.align_values[st_.align_depth - 1];
        marker = top == '2' ? 1 : top == '3' ? 2 : 0;
    }
    out_->Put(kMarkers[marker]);
    st_.last_marker = st_.content_start = Pos();
    st_.column = 0;
    if (st_.indent_level > 0) {
        // Two spaces a level; the positions end up just after the last unit.
        out_->Put(kIndentation.substr(0, 2 * static_cast<std::size_t>(st_.indent_level)));
        st_.column = 2 * static_cast<long long>(st_.indent_level);
        st_.last_marker = st_.content_start = st_.last_indent = Pos();
    }
}

// One empty line, unless nothing was written since the last block break.
void Converter::BreakBeforeBlock() {
    if (Pos() != st_.last_break) {
        if (HasContent()) EndLine();
        EndLine();
    }
}

void Converter::BlockBreak(int change) {
    BreakBeforeBlock();
    BeginLine(change, false);
    st_.last_break = Pos();
}

// ---------------------------------------------------------------------------
// Scanner

void Converter::ScanDocument(WorkInput& in, WorkOutput& out) {
    st_ = ConversionState{};
    in_ = &in;
    out_ = &out;
    in.Rewind();
    while (!Aborted()) {
        const int c = in.Get();
        if (c == '<') {  // the most frequent case, taken before the switch's jump
            ReadTag();
            continue;
        }
        if (c == WorkInput::kEnd) break;
        switch (c) {
            case '\t':
                if (st_.pre_mode)
                    PutChar('\t');
                else
                    PutSpaces();
                break;
            case '\n':
                if (!st_.pre_mode) {
                    PutSpaces();
                } else if (static_cast<long long>(in.Position()) != st_.cr_position + 1) {
                    EndLine();
                    BeginLine(0, false);
                }
                break;
            case '\r':
                if (!st_.pre_mode) {
                    PutSpaces();
                } else {
                    st_.cr_position = static_cast<long long>(in.Position());
                    EndLine();
                    BeginLine(0, false);
                }
                break;
            case 0x1A:
                if (opt_.SWeofcut == 0) PutChar(0x1A);
                break;
            case ' ':
                if (st_.pre_mode)
                    PutSpace();
                else
                    PutSpaces();
                break;
            case '&':
                ReadReference();
                break;
            case '<':
                ReadTag();
                break;
            default:
                if (opt_.SWqk == 1) {
                    PutChar(static_cast<unsigned char>(c));
                    if (st_.lead_byte_pending) {
                        // The trail byte of the double-byte character that opened the run.
                        const std::string_view next = in.Ahead();
                        if (next.empty() || !kOrdinary[static_cast<unsigned char>(next[0])]) break;
                        PutChar(static_cast<unsigned char>(next[0]));
                        in.Skip(1);
                    }
                    // Characters that still fit on the line go out in one piece, a
                    // double-byte one only with its trail byte at hand; the character
                    // that reaches the width wraps on its own.
                    const long long width = opt_.Column < 1 ? 1 : opt_.Column;
                    const std::string_view ahead = in.Ahead();
                    long long column = st_.column;
                    std::size_t n = 0;
                    while (n < ahead.size() && kOrdinary[static_cast<unsigned char>(ahead[n])]) {
                        if (!IsLeadByte(static_cast<unsigned char>(ahead[n]))) {
                            if (column >= width) break;
                            ++n;
                            ++column;
                        } else {
                            if (column >= width - 1 || n + 1 == ahead.size() ||
                                !kOrdinary[static_cast<unsigned char>(ahead[n + 1])])
                                break;
                            n += 2;
                            column += 2;
                        }
                    }
                    out.Put(ahead.substr(0, n));
                    in.Skip(n);
                    st_.column = column;
                } else {
                    // Without the wrap, a run of ordinary bytes goes out in one piece,
                    // with the single spaces between its words: after a word a space
                    // is always written, and it is the last space of the line so far.
                    const std::string_view ahead = in.Ahead();
                    std::size_t space_end;  // just after the run's last space, 0 if none
                    const std::size_t n = TextRun(ahead.data(), ahead.size(), &space_end);
                    const long long start = Pos();
                    Write(static_cast<unsigned char>(c));
                    out.Put(ahead.substr(0, n));
                    in.Skip(n);
                    st_.column += 1 + static_cast<long long>(n);
                    if (space_end) st_.last_space = start + 1 + static_cast<long long>(space_end);
                }
                break;
        }
    }
    if ((HasContent() && opt_.SWendcr == 1) || st_.indent_level >= 1) EndLine();
    out.Cut();
}

void Converter::ReadTag() {
    // The usual tag, whole in the input at hand and without line breaks or
    // 0xFF, is looked up where it lies and copied only when it acts.
    const std::string_view ahead = in_->Ahead();
    const std::size_t reach = std::min<std::size_t>(ahead.size(), ConversionState::kTagSize - 1);
    const std::size_t n = SpanWithout<'>', '\r', '\n', '\xFF'>(ahead.data(), reach);
    if (n < reach && ahead[n] == '>') {
        const std::string_view text = ahead.substr(0, n);
        // No name in the table begins a comment or a META tag.
        if (const TagName* match = FindTag(text, ahead.size())) {
            in_->Skip(n + 1);
            const int tag = static_cast<int>(match->tag);
            if (!Acts(tag)) return;
            // Only the actions that read attributes are given the tag's text.
            char* buf = nullptr;
            if (ReadsText(tag)) {
                buf = st_.tag;
                std::memcpy(buf, text.data(), n);
                buf[n] = ' ';
                buf[n + 1] = '\0';
            }
            Dispatch(tag, buf);
            return;
        }
        const bool comment = n >= 2 && text[0] == '!' && text[1] == '-';
        if (!comment && !StartsWithNoCase(text, "META")) {
            in_->Skip(n + 1);
            return;
        }
    }
    ReadTagSlowly();
}

// A tag read a byte at a time: it may hold line breaks, run past the input
// at hand, end with the input, or open a comment or a META tag.
void Converter::ReadTagSlowly() {
    char* buf = st_.tag;
    int stop = -1;
    int i = 0;
    while (i < ConversionState::kTagSize) {
        int c = in_->Get();
        if (c == WorkInput::kEnd || c == 0xFF) {  // the tag ends with the input
            buf[i] = static_cast<char>(0xFF);
            stop = i;
            break;
        }
        if (c == '\r' || c == '\n') {
            // A line break inside a tag counts as one space between words.
            if (i == 0 || buf[i - 1] == ' ') continue;
            c = ' ';
        }
        buf[i] = static_cast<char>(c);
        if (c == '>') {
            stop = i;
            break;
        }
        if (i == 1 && buf[0] == '!' && buf[1] == '-') {
            SkipComment();
            return;
        }
        if (i == 3 && StartsWithNoCase(buf, "META")) {
            SkipMetaTag();
            return;
        }
        ++i;
    }
    // Over-long tags are dropped; without a ">" in reach, scanning goes on after them.
    if (stop < 0 || stop >= ConversionState::kTagSize - 1) return;
    buf[stop] = ' ';
    buf[stop + 1] = '\0';
    HandleTag(buf);
}

void Converter::SkipComment() {
    int previous = 0;
    while (!Aborted()) {
        const int c = in_->Get();
        if (c == WorkInput::kEnd) return;
        if (previous == '-' && c == '>') return;
        previous = c;
    }
}

void Converter::SkipMetaTag() {
    int previous = static_cast<unsigned char>(st_.tag[3]);
    while (!Aborted()) {
        int c = in_->Get();
        if (c == WorkInput::kEnd || c == '>') return;
        if (c == '"' && (previous == ' ' || previous == '=')) {
            // A quoted value may hold ">".
            do {
                if (Aborted()) return;
                c = in_->Get();
                if (c == WorkInput::kEnd) return;
            } while (c != '"');
        }
        previous = c;
    }
}

void Converter::ReadReference() {
    char name[11];
    int length = 0;
    const std::size_t start = in_->Position();
    while (length < 10) {
        const int c = in_->Get();
        if (c == WorkInput::kEnd) break;
        if (c == '&' || c == '<' || c == 0xFF) {  // read again as ordinary input
            in_->Back(1);
            break;
        }
        if (c == ';' || c == ' ') break;  // the terminator belongs to the reference
        name[length++] = static_cast<char>(c);
    }
    name[length] = '\0';
    if (std::strcmp(name, "copy") == 0 || std::strcmp(name, "#169") == 0) {
        PutString("(C)");
    } else if (std::strcmp(name, "nbsp") == 0 || std::strcmp(name, "#160") == 0) {
        PutChar(' ');  // a hard space: never collapsed or taken back
    } else if (std::strcmp(name, "reg") == 0 || std::strcmp(name, "#174") == 0) {
        PutString("(R)");
    } else if (!DecodeReference(name)) {
        // Declined: the reference is written as it stands.
        in_->Back(in_->Position() - start);
        PutChar('&');
    }
}

// ---------------------------------------------------------------------------
// Tags

void Converter::HandleTag(char* text) {
    const TagName* match = FindTag(text);
    if (match) Dispatch(static_cast<int>(match->tag), text);
}

// Whether a tag's action does anything with these options: links and images
// do nothing at all when they are switched off.
bool Converter::Acts(int tag) const {
    switch (static_cast<Tag>(tag)) {
        case Tag::LinkStart:
        case Tag::LinkEnd: return opt_.SWlink != 0;
        case Tag::Image: return opt_.SWimage == 1;
        default: return true;
    }
}

// Whether a tag's action reads its text (the attributes).
bool Converter::ReadsText(int tag) {
    switch (static_cast<Tag>(tag)) {
        case Tag::Div:
        case Tag::Paragraph:
        case Tag::Rule:
        case Tag::Heading:
        case Tag::Image:
        case Tag::LinkStart: return true;
        default: return false;
    }
}

void Converter::Dispatch(int tag, char* text) {
    switch (static_cast<Tag>(tag)) {
        case Tag::Pre:
            BreakBeforeBlock();
            st_.last_break = Pos();
            st_.pre_mode = true;
            break;
        case Tag::PreEnd:
            st_.pre_mode = false;
            BreakBeforeBlock();
            st_.last_break = Pos();
            break;
        case Tag::OpenUnordered: OpenList('U'); break;
        case Tag::OpenOrdered: OpenList('O'); break;
        case Tag::CloseList:
        case Tag::CloseOrdered: CloseList(); break;
        case Tag::Item: ListItem(); break;
        case Tag::LineStart: BeginLine(0, false); break;
        case Tag::Dd:
            BeginLine(0, false);
            PutString("  ");
            break;
        case Tag::Br:
            EndLine();
            BeginLine(0, false);
            break;
        case Tag::Div: {
            LowerInPlace(text);
            const char value = AlignValue(text);
            if (value == 0)
                PushAlign('D', '1');  // a plain DIV restores left alignment
            else if (value > 0)
                PushAlign('D', value);
            BeginLine(0, false);
            break;
        }
        case Tag::DivEnd:
            RemoveAlign('D');
            BeginLine(0, false);
            break;
        case Tag::Block: BlockBreak(0); break;
        case Tag::Paragraph: {
            LowerInPlace(text);
            RemoveAlign('P');
            const char value = AlignValue(text);
            if (value > 0) PushAlign('P', value);
            BlockBreak(0);
            break;
        }
        case Tag::Center:
            if (st_.align_depth >= ConversionState::kMaxDepth) break;
            PushAlign('C', '2');
            BeginLine(0, false);
            break;
        case Tag::CenterEnd:
            if (st_.align_depth == 0) break;
            if (HasContent()) EndLine();
            RemoveAlign('C');
            break;
        case Tag::Title:
            if (opt_.SWtitle == 1)
                Title();
            else
                SkipElement("</TITLE");
            break;
        case Tag::Style: SkipElement("</STYLE"); break;
        case Tag::Script: SkipElement("</SCRIPT"); break;
        case Tag::Applet: SkipElement("</APPLET"); break;
        case Tag::Rule: HorizontalRule(text); break;
        case Tag::Heading: {
            LowerInPlace(text);
            const char value = AlignValue(text);
            if (value > 0) PushAlign('H', value);
            BlockBreak(0);
            break;
        }
        case Tag::HeadingEnd:
            RemoveAlign('H');
            BlockBreak(0);
            break;
        case Tag::Row:
            BeginLine(0, false);
            st_.row_start = Pos();
            break;
        case Tag::Cell:
            if (Pos() == st_.row_start) break;  // no separator before the first cell
            switch (opt_.SWdiv) {
                case 0: PutString(" "); break;
                case 1: PutString(","); break;
                case 2: PutString("\t"); break;
                default: break;
            }
            break;
        case Tag::Table:
            // The depth stops at its largest value instead of wrapping to 0.
            if (opt_.SWtableLeft == 1 && st_.table_depth != UINT16_MAX) ++st_.table_depth;
            BeginLine(0, false);
            break;
        case Tag::TableEnd:
            if (st_.table_depth != 0) --st_.table_depth;
            BeginLine(0, false);
            break;
        case Tag::Image: Image(text); break;
        case Tag::LinkStart: LinkStart(text); break;
        case Tag::LinkEnd: LinkEnd(); break;
    }
}

void Converter::PushAlign(char kind, char value) {
    if (st_.align_depth >= ConversionState::kMaxDepth) return;
    st_.align_kinds[st_.align_depth] = kind;
    st_.align_values[st_.align_depth] = value;
    ++st_.align_depth;
    st_.align_kinds[st_.align_depth] = '\0';
    st_.align_values[st_.align_depth] = '\0';
}

// Closes the innermost scope of a kind; scopes of other kinds opened later stay open.
void Converter::RemoveAlign(char kind) {
    if (st_.align_depth < 1) return;
    const char* found = std::strrchr(st_.align_kinds, kind);
    if (!found) return;
    const std::size_t at = static_cast<std::size_t>(found - st_.align_kinds);
    const std::size_t depth = static_cast<std::size_t>(st_.align_depth);
    std::memmove(st_.align_kinds + at, st_.align_kinds + at + 1, depth - at);
    std::memmove(st_.align_values + at, st_.align_values + at + 1, depth - at);
    --st_.align_depth;
}

// The "align" attribute of a lower-cased tag text: '1' left, '2' centre,
// '3' right, 0 when there is no "align" at all, -1 for an empty or other value.
char Converter::AlignValue(const char* text) {
    const char* at = std::strstr(text, "align");
    if (!at) return 0;
    ReadAttrWord(st_.attr, at + 5, sizeof st_.attr);
    if (std::strcmp(st_.attr, "left") == 0) return '1';
    if (std::strcmp(st_.attr, "center") == 0) return '2';
    if (std::strcmp(st_.attr, "right") == 0) return '3';
    return -1;
}

void Converter::HorizontalRule(char* text) {
    BeginLine(0, false);
    LowerInPlace(text);
    long long percent = 100;
    if (const char* at = std::strstr(text, "width")) {
        ReadAttrWord(st_.attr, at + 5, sizeof st_.attr);
        if (std::strchr(st_.attr, '%')) {
            const char* p = st_.attr;
            while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
            const bool negative = *p == '-';
            if (*p == '-' || *p == '+') ++p;
            percent = 0;
            for (; *p >= '0' && *p <= '9'; ++p)
                if (percent <= 100) percent = percent * 10 + (*p - '0');
            if (negative) percent = -percent;
            if (percent > 100) percent = 100;
            if (percent < -100) percent = -100;  // keeps the lead-in within the line width
        }
    }
    const long long column = opt_.Column;
    long long length = static_cast<long long>(static_cast<double>(percent) * 0.01 * column);
    long long lead = 0;
    if (st_.align_depth < 1) {
        const char value = AlignValue(text);
        lead = value == '1' ? 0 : value == '3' ? column - length : (column - length) / 2;
    }
    if (st_.indent_level > 0) length -= 2 * static_cast<long long>(st_.indent_level);
    for (long long i = 0; i < lead; ++i) PutChar(' ');
    for (long long i = 0; i < length; ++i) PutChar('-');
    BeginLine(0, false);
}

void Converter::OpenList(char kind) {
    if (st_.indent_level >= ConversionState::kMaxDepth) return;
    if (st_.indent_level == 0) BreakBeforeBlock();  // one empty line before the outermost list
    st_.list_stack[st_.indent_level] = {kind, 1};
    ++st_.indent_level;
    BeginLine(+1, false);
    st_.last_break = Pos();
}

void Converter::CloseList() {
    if (st_.indent_level == 0) return;
    if (st_.indent_level == 1) BreakBeforeBlock();  // one empty line after the outermost list
    --st_.indent_level;
    BeginLine(-1, false);
    st_.last_break = Pos();
}

void Converter::ListItem() {
    BeginLine(0, false);
    if (st_.indent_level == 0) {
        PutString("* ");
        return;
    }
    ConversionState::ListEntry& list = st_.list_stack[st_.indent_level - 1];
    if (list.kind == 'O') {
        // The number as "%ld." writes it: decimal, a sign when negative, a dot.
        char* end = std::to_chars(st_.scratch, st_.scratch + 16, list.counter).ptr;
        *end++ = '.';
        *end = '\0';
        PutString(st_.scratch);
        list.counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(list.counter) + 1u);
    } else {
        PutString("* ");
    }
}

void Converter::LinkStart(const char* text) {
    if (opt_.SWlink == 0) return;
    char* link = st_.pending_link;
    if (ReadAttrText(link, text + 6, sizeof st_.pending_link) == 0) return;
    if (opt_.SWlink_e == 1 && std::strncmp(link, "http://", 7) != 0 &&
        std::strncmp(link, "ftp://", 6) != 0)
        link[0] = '\0';  // only external targets are kept
}

void Converter::LinkEnd() {
    if (opt_.SWlink == 0 || st_.pending_link[0] == '\0') return;
    const bool own_line = opt_.SWlink_n != 0;
    if (own_line) BeginLine(0, false);
    PutChar('<');
    PutString(st_.pending_link);
    PutChar('>');
    if (own_line) BeginLine(0, false);
    st_.pending_link[0] = '\0';
}

// Writes the value of an IMG attribute; the name is found in the lower-cased
// copy, the value read from the tag text as written.
void Converter::PutAttribute(const char* text, const char* name) {
    const char* at = std::strstr(st_.scratch, name);
    if (!at) return;
    ReadAttrText(st_.attr, text + (at - st_.scratch) + std::strlen(name), sizeof st_.attr);
    PutString(st_.attr);
}

void Converter::Image(const char* text) {
    if (opt_.SWimage != 1) return;
    // Attribute names are found in a lower-cased copy; values are read as written.
    std::strcpy(st_.scratch, text);
    LowerInPlace(st_.scratch);
    switch (opt_.SWimageStr) {
        case 0: PutString("[Image]"); break;
        case 1:
        case 2: {
            const char* name = opt_.SWimageStr == 1 ? "src" : "alt";
            const char* at = std::strstr(st_.scratch, name);
            if (!at) {
                PutString("[Image]");
                break;
            }
            if (ReadAttrText(st_.attr, text + (at - st_.scratch) + 3, sizeof st_.attr) == 0)
                break;
            PutChar('[');
            PutString(st_.attr);
            PutChar(']');
            break;
        }
        case 3: {
            // The template: %S src, %s alt, %% a percent sign; never past its 255th byte.
            const unsigned char* t = reinterpret_cast<const unsigned char*>(opt_.AltString);
            constexpr int kEnd = 255;
            auto at = [&](int i) -> unsigned char { return i < kEnd ? t[i] : 0; };
            auto put_pair = [&](int i) {  // a lead byte and its trail byte, kept whole
                PutChar(t[i]);
                if (at(i + 1) != 0) PutChar(at(i + 1));
            };
            for (int i = 0; at(i) != 0;) {
                const unsigned char c = at(i);
                if (IsLeadByte(c)) {
                    put_pair(i);
                    i += 2;
                } else if (c != '%') {
                    PutChar(c);
                    ++i;
                } else {
                    const unsigned char next = at(i + 1);
                    if (next == 0) break;  // a "%" at the very end is dropped
                    if (IsLeadByte(next)) {
                        put_pair(i + 1);
                        i += 3;
                        continue;
                    }
                    if (next == 'S')
                        PutAttribute(text, "src");
                    else if (next == 's')
                        PutAttribute(text, "alt");
                    else
                        PutChar(next);
                    i += 2;
                }
            }
            break;
        }
        default: break;
    }
}

// Consumes the element's content up to an end tag that begins with
// `end_prefix` (any letter case), then up to and including its ">". The
// content ends early at a 0xFF byte or the end of the input.
void Converter::SkipElement(const char* end_prefix) {
    const bool title = std::strcmp(end_prefix, "</TITLE") == 0 && opt_.SWtitle == 1;
    const std::size_t size = std::strlen(end_prefix);
    // A title is written size - 1 bytes behind the reading, without its line
    // breaks: the bytes still held when its content ends early are lost.
    char held[kLongestEndPrefix];
    std::size_t count = 0;
    auto put = [this](char c) {
        if (c != '\0' && c != '\n' && c != '\r') PutChar(static_cast<unsigned char>(c));
    };
    auto hold = [&](char c) {
        if (count == size - 1) {
            put(held[0]);
            std::memmove(held, held + 1, --count);
        }
        held[count++] = c;
    };
    while (!Aborted() && in_->Fill()) {
        const std::string_view ahead = in_->Ahead();
        const std::size_t n = SpanWithout<'<', '\xFF'>(ahead.data(), ahead.size());
        if (title)
            for (std::size_t i = 0; i < n; ++i) hold(ahead[i]);
        in_->Skip(n);
        if (n == ahead.size()) continue;
        in_->Skip(1);
        if (ahead[n] == '\xFF') break;
        if (Follows(end_prefix + 1)) {
            for (std::size_t i = 0; i < count; ++i) put(held[i]);
            break;
        }
        if (title) hold('<');
    }
    SkipToTagEnd();
}

// Whether the input goes on with `text` (any letter case): the bytes are
// consumed when it does, and left to be read again when it does not.
bool Converter::Follows(const char* text) {
    std::size_t read = 0;
    for (; text[read] != '\0'; ++read) {
        const int c = in_->Get();
        if (c == WorkInput::kEnd) break;
        if (Lower(static_cast<char>(c)) != Lower(text[read])) {
            in_->Back(read + 1);
            return false;
        }
    }
    if (text[read] == '\0') return true;
    in_->Back(read);
    return false;
}

void Converter::SkipToTagEnd() {
    while (!Aborted()) {
        const int c = in_->Get();
        if (c == WorkInput::kEnd || c == '>') return;
    }
}

void Converter::Title() {
    PutString("TITLE : ");
    SkipElement("</TITLE");
    EndLine();
    EndLine();
}

// ---------------------------------------------------------------------------
// Alignment pass and whole documents

void AlignLines(const Options& options, WorkInput& in, std::string& out,
                const std::atomic<bool>& abort) {
    StringSink sink;
    LineAligner aligner(options, sink, abort);
    in.Rewind();
    while (in.Fill()) {
        const std::string_view piece = in.Ahead();
        aligner.Write(piece);
        in.Skip(piece.size());
    }
    aligner.Finish();
    out.append(sink.text);
}

std::string ConvertDocument(const Options& options, std::string_view cp932,
                            const std::atomic<bool>& abort) {
    StringSink sink;
    LineAligner aligner(options, sink, abort);
    WorkInput in(cp932);
    WorkOutput work(aligner);
    Converter(options, abort).ScanDocument(in, work);
    aligner.Finish();
    return std::move(sink.text);
}

}  // namespace vorlax
