// The scanner's side of a conversion: one Converter turns one document's
// CP932 working input into the internal text form. Its member functions live
// by concern: line_output.h/.cpp (the output operations), scanner.cpp (the
// reading of text, tags, comments and skipped elements), references.cpp,
// tag_actions.cpp and links_images.cpp (what each tag does).
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/limits.h"
#include "engine/options.h"
#include "engine/streams.h"
#include "engine/tag_table.h"

namespace vorlax {

enum class ListKind : unsigned char { kUnordered, kOrdered };
// What opened an alignment scope; a closing tag ends the innermost scope of
// its own kind.
enum class ScopeKind : unsigned char { kDiv, kParagraph, kCenter, kHeading };
// A scope's alignment, in the order of the line markers.
enum class Alignment : unsigned char { kLeft, kCenter, kRight };

// The engine's per-document state. Positions are byte offsets in the working
// output (cr_position: in the working input); -1 is no position.
struct ConversionState {
    static constexpr long long kNone = -1;
    static constexpr int kTagSize = vorlax::kTagSize;
    static constexpr int kMaxDepth = vorlax::kMaxDepth;

    struct ListEntry {
        ListKind kind;
        std::int32_t counter;  // the next item number
    };

    long long column = 0;  // wider than needed, so no line can overflow it
    std::int32_t indent_level = 0;
    ListEntry list_stack[kMaxDepth + 1] = {};
    long long row_start = kNone;
    long long last_indent = kNone;
    long long last_break = kNone;
    long long content_start = kNone;
    long long cr_position = kNone;
    long long last_marker = kNone;
    long long last_space = kNone;
    // The start of the current line while no marker opens it (the first
    // line, and every line an EndLine begins until a BeginLine marks it).
    long long unmarked_line = 0;
    bool pre_mode = false;
    std::int16_t align_depth = 0;
    ScopeKind align_kinds[kMaxDepth] = {};
    Alignment align_values[kMaxDepth] = {};
    std::uint16_t table_depth = 0;
    char pending_link[kMaxAttribute + 1] = {};
    bool lead_byte_pending = false;
    char tag[kTagSize] = {};
    char scratch[kTagSize] = {};
    char attr[kMaxAttribute + 1] = {};
};

// What a tag's "align" attribute asks for: nothing at all (no attribute), an
// empty value or a word other than the three, or one of the three alignments.
enum class AlignAttribute : unsigned char { kAbsent, kOther, kLeft, kCenter, kRight };

constexpr bool NamesAlignment(AlignAttribute a) {
    return a == AlignAttribute::kLeft || a == AlignAttribute::kCenter || a == AlignAttribute::kRight;
}

// The alignment of an attribute that names one.
constexpr Alignment AlignmentOf(AlignAttribute a) {
    return a == AlignAttribute::kLeft     ? Alignment::kLeft
           : a == AlignAttribute::kCenter ? Alignment::kCenter
                                          : Alignment::kRight;
}

class Converter {
public:
    // The options and the abort request must outlive the converter.
    explicit Converter(const Options& options, const std::atomic<bool>& abort = kNeverAbort);

    // Reads the working input from its start and writes the internal text form.
    void ScanDocument(WorkInput& in, WorkOutput& out);

    static const std::atomic<bool> kNeverAbort;

private:
    // Output operations (line_output.h, line_output.cpp).
    void PutChar(unsigned char c);
    void PutString(const char* s);
    void PutSpace();
    void PutSpaces();
    void PutWrappedRun(unsigned char first);
    void PutTextRun();
    void PutBytes(std::string_view run);
    void PutRepeated(char c, long long count);
    void EndLine();
    void BeginLine(int change, bool no_align);
    void BlockBreak();
    void BreakBeforeBlock();
    bool FitsOnLine(int bytes) const;
    long long Pos() const { return out_->Position(); }
    void Write(unsigned char c) { out_->Put(c); }
    bool HasContent() const { return Pos() != st_.content_start; }

    // Scanner (scanner.cpp, references.cpp).
    bool Aborted() const { return abort_.load(std::memory_order_relaxed); }
    void ReadTag();
    void ReadLongTag();
    void ActOnTag(std::string_view ahead, TagAtHand at_hand);
    void ReadTagSlowly();
    void ReadReference();
    bool DecodeReference(const char* name);
    void SkipComment();
    void SkipMetaTag();
    void SkipElement(const char* end_prefix);
    void PutTitleText(std::string_view bytes);
    bool Follows(const char* text);
    void SkipToTagEnd();

    // Tag actions (tag_actions.cpp, links_images.cpp).
    void HandleTag(char* text);
    bool Acts(Tag tag) const;
    void Dispatch(Tag tag, char* text);
    [[gnu::noinline]] void DispatchText(Tag tag, std::string_view text);
    void PreStart();
    void PreEnd();
    void DefinitionData();
    void LineBreak();
    void DivStart(char* text);
    void DivEnd();
    void Paragraph(char* text);
    void CenterStart();
    void CenterEnd();
    void Title();
    void HeadingStart(char* text);
    void HeadingEnd();
    void TableRow();
    void TableCell();
    void TableStart();
    void TableEnd();
    void PushAlign(ScopeKind kind, Alignment value);
    void RemoveAlign(ScopeKind kind);
    AlignAttribute ReadAlign(const char* text);
    void OpenList(ListKind kind);
    void CloseList();
    void ListItem();
    void HorizontalRule(char* text);
    void LinkStart(const char* text);
    void LinkEnd();
    void Image(const char* text);
    void ImageTemplate(const char* text);
    void PutAttribute(const char* text, const char* name);

    const Options& opt_;
    const std::atomic<bool>& abort_;
    ConversionState st_;
    WorkInput* in_ = nullptr;
    WorkOutput* out_ = nullptr;
};

// Whether a tag's action does anything with these options: links and images
// do nothing at all when they are switched off.
inline bool Converter::Acts(Tag tag) const {
    switch (tag) {
        case Tag::LinkStart:
        case Tag::LinkEnd: return opt_.SWlink != 0;
        case Tag::Image: return opt_.SWimage == 1;
        default: return true;
    }
}

}  // namespace vorlax
