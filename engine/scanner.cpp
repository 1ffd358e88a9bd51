// The scanner: reads the CP932 working input a byte at a time (runs of text
// in one piece), hands white space and text to the output operations, reads
// tags and gives them to the tag actions, and skips comments, META tags and
// the content of skipped elements.
#include <algorithm>
#include <cstring>

#include "codes/ascii.h"
#include "codes/byte_scan.h"
#include "engine/line_output.h"

namespace vorlax {

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
            default:
                if (opt_.SWqk == 1)
                    PutWrappedRun(static_cast<unsigned char>(c));
                else
                    PutTextRun();
                break;
        }
    }
    if ((HasContent() && opt_.SWendcr == 1) || st_.indent_level >= 1) EndLine();
    out.Cut();
}

// The usual tag, whole in the input at hand and without line breaks or
// 0xFF, is looked up where it lies and copied only when it acts. A short
// one is looked at in one piece; the way through here ends in calls it does
// not return from, so it costs little.
void Converter::ReadTag() {
    const std::string_view ahead = in_->Ahead();
    const TagAtHand at_hand = LookAtShortTag(ahead);
    if (at_hand.length == TagAtHand::kLong) return ReadLongTag();
    ActOnTag(ahead, at_hand);
}

[[gnu::noinline]] void Converter::ReadLongTag() {
    const std::string_view ahead = in_->Ahead();
    ActOnTag(ahead, LookAtTag(ahead, std::min<std::size_t>(ahead.size(), kTagSize - 1)));
}

inline void Converter::ActOnTag(std::string_view ahead, TagAtHand at_hand) {
    const std::size_t n = at_hand.length;
    if (n == TagAtHand::kSlow) return ReadTagSlowly();
    const std::string_view text = ahead.substr(0, n);
    // No name in the table begins a comment or a META tag. A tag that does
    // nothing with these options is passed over whatever it is.
    if (const TagName* match = at_hand.match) {
        const Tag tag = match->tag;
        if (!Acts(tag)) return in_->Skip(n + 1);
        if (CheckLink(match, text)) {
            in_->Skip(n + 1);
            // Only the actions that read attributes are given the tag's text.
            if (ReadsText(tag)) return DispatchText(tag, text);
            return Dispatch(tag, nullptr);
        }
    }
    if ((n >= 2 && text[0] == '!' && text[1] == '-') || StartsWithNoCase(text, "META"))
        return ReadTagSlowly();
    in_->Skip(n + 1);
}

// A tag's action that reads its text: the text goes into the tag buffer
// with its final space, as HandleTag has it.
void Converter::DispatchText(Tag tag, std::string_view text) {
    char* buf = st_.tag;
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = ' ';
    buf[text.size() + 1] = '\0';
    Dispatch(tag, buf);
}

// A tag read a byte at a time: it may hold line breaks, run past the input
// at hand, end with the input, or open a comment or a META tag.
void Converter::ReadTagSlowly() {
    char* buf = st_.tag;
    int stop = -1;
    int i = 0;
    while (i < kTagSize) {
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
    if (stop < 0 || stop >= kTagSize - 1) return;
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

namespace {

// The title's text trails the reading by the end-tag prefix's length less
// one: a byte is let out only when that many bytes have been read after it,
// so the bytes still held when the content ends early are lost. Runs are let
// out in one piece.
class TitleTrail {
public:
    explicit TitleTrail(std::size_t lag) : lag_(lag) {}

    // Takes the next bytes read and hands `out` those that leave the trail.
    template <typename Out>
    void Add(std::string_view bytes, Out out) {
        if (count_ + bytes.size() <= lag_) {
            std::memcpy(held_ + count_, bytes.data(), bytes.size());
            count_ += bytes.size();
            return;
        }
        const std::size_t leaving = count_ + bytes.size() - lag_;
        if (leaving >= count_) {
            out(std::string_view(held_, count_));
            out(bytes.substr(0, leaving - count_));
            std::memcpy(held_, bytes.data() + (leaving - count_), lag_);
        } else {
            out(std::string_view(held_, leaving));
            std::memmove(held_, held_ + leaving, count_ - leaving);
            std::memcpy(held_ + (count_ - leaving), bytes.data(), bytes.size());
        }
        count_ = lag_;
    }
    // The end tag was found: every byte held leaves.
    template <typename Out>
    void Drain(Out out) {
        out(std::string_view(held_, count_));
        count_ = 0;
    }

private:
    std::size_t lag_;
    char held_[kLongestEndPrefix];
    std::size_t count_ = 0;
};

}  // namespace

// The title's text as it leaves the trail: line breaks and NULs are dropped,
// the runs between them written as they stand.
void Converter::PutTitleText(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = SpanWithout<'\0', '\n', '\r'>(bytes.data(), bytes.size());
        PutBytes(bytes.substr(0, n));
        bytes.remove_prefix(std::min(n + 1, bytes.size()));
    }
}

// Consumes the element's content up to an end tag that begins with
// `end_prefix` (any letter case), then up to and including its ">". The
// content ends early at a 0xFF byte or the end of the input.
void Converter::SkipElement(const char* end_prefix) {
    const bool title = std::strcmp(end_prefix, "</TITLE") == 0 && opt_.SWtitle == 1;
    TitleTrail trail(std::strlen(end_prefix) - 1);
    auto put = [this](std::string_view bytes) { PutTitleText(bytes); };
    while (!Aborted() && in_->Fill()) {
        const std::string_view ahead = in_->Ahead();
        const std::size_t n = SpanWithout<'<', '\xFF'>(ahead.data(), ahead.size());
        if (title) trail.Add(ahead.substr(0, n), put);
        in_->Skip(n);
        if (n == ahead.size()) continue;
        in_->Skip(1);
        if (ahead[n] == '\xFF') break;
        if (Follows(end_prefix + 1)) {
            if (title) trail.Drain(put);
            break;
        }
        if (title) trail.Add("<", put);
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
        if (AsciiLower(static_cast<char>(c)) != AsciiLower(text[read])) {
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

}  // namespace vorlax
