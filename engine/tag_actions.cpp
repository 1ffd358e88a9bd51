// The tag actions: the dispatch from a tag to its handler, and the handlers
// of block tags, alignment scopes, lists, tables, rules and the title
// (links and images: links_images.cpp).
#include <charconv>
#include <cstdint>
#include <cstring>

#include "codes/ascii.h"
#include "engine/attributes.h"
#include "engine/line_output.h"
#include "engine/rule_length.h"

namespace vorlax {

// ---------------------------------------------------------------------------
// Block tags and alignment scopes

inline void Converter::PreStart() {
    BreakBeforeBlock();
    st_.last_break = Pos();
    st_.pre_mode = true;
}

inline void Converter::PreEnd() {
    st_.pre_mode = false;
    BreakBeforeBlock();
    st_.last_break = Pos();
}

inline void Converter::DefinitionData() {
    BeginLine(0, false);
    PutString("  ");
}

inline void Converter::LineBreak() {
    EndLine();
    BeginLine(0, false);
}

inline void Converter::DivStart(char* text) {
    AsciiLowerInPlace(text);
    const AlignAttribute align = ReadAlign(text);
    if (align == AlignAttribute::kAbsent)
        PushAlign(ScopeKind::kDiv, Alignment::kLeft);  // a plain DIV restores left alignment
    else if (NamesAlignment(align))
        PushAlign(ScopeKind::kDiv, AlignmentOf(align));
    BeginLine(0, false);
}

inline void Converter::DivEnd() {
    RemoveAlign(ScopeKind::kDiv);
    BeginLine(0, false);
}

inline void Converter::Paragraph(char* text) {
    AsciiLowerInPlace(text);
    RemoveAlign(ScopeKind::kParagraph);
    const AlignAttribute align = ReadAlign(text);
    if (NamesAlignment(align)) PushAlign(ScopeKind::kParagraph, AlignmentOf(align));
    BlockBreak();
}

inline void Converter::CenterStart() {
    if (st_.align_depth >= kMaxDepth) return;
    PushAlign(ScopeKind::kCenter, Alignment::kCenter);
    BeginLine(0, false);
}

inline void Converter::CenterEnd() {
    if (st_.align_depth == 0) return;
    if (HasContent()) EndLine();
    RemoveAlign(ScopeKind::kCenter);
}

inline void Converter::HeadingStart(char* text) {
    AsciiLowerInPlace(text);
    const AlignAttribute align = ReadAlign(text);
    if (NamesAlignment(align)) PushAlign(ScopeKind::kHeading, AlignmentOf(align));
    BlockBreak();
}

inline void Converter::HeadingEnd() {
    RemoveAlign(ScopeKind::kHeading);
    BlockBreak();
}

// The title's text on a line of its own, or nothing when titles are off.
inline void Converter::Title() {
    if (opt_.SWtitle != 1) {
        SkipElement("</TITLE");
        return;
    }
    PutString("TITLE : ");
    SkipElement("</TITLE");
    EndLine();
    EndLine();
}

// ---------------------------------------------------------------------------
// Tables

inline void Converter::TableRow() {
    BeginLine(0, false);
    st_.row_start = Pos();
}

inline void Converter::TableCell() {
    if (Pos() == st_.row_start) return;  // no separator before the first cell
    switch (opt_.SWdiv) {
        case 0: PutString(" "); break;
        case 1: PutString(","); break;
        case 2: PutString("\t"); break;
        default: break;
    }
}

inline void Converter::TableStart() {
    // The depth stops at its largest value instead of wrapping to 0.
    if (opt_.SWtableLeft == 1 && st_.table_depth != UINT16_MAX) ++st_.table_depth;
    BeginLine(0, false);
}

inline void Converter::TableEnd() {
    if (st_.table_depth != 0) --st_.table_depth;
    BeginLine(0, false);
}

// ---------------------------------------------------------------------------
// Dispatch: each tag to its handler (the handlers above are inline in it)

void Converter::HandleTag(char* text) {
    const TagName* match = FindTag(text);
    if (match) Dispatch(match->tag, text);
}

void Converter::Dispatch(Tag tag, char* text) {
    switch (tag) {
        case Tag::Pre: PreStart(); break;
        case Tag::PreEnd: PreEnd(); break;
        case Tag::OpenUnordered: OpenList(ListKind::kUnordered); break;
        case Tag::OpenOrdered: OpenList(ListKind::kOrdered); break;
        case Tag::CloseList:
        case Tag::CloseOrdered: CloseList(); break;
        case Tag::Item: ListItem(); break;
        case Tag::LineStart: BeginLine(0, false); break;
        case Tag::Dd: DefinitionData(); break;
        case Tag::Br: LineBreak(); break;
        case Tag::Div: DivStart(text); break;
        case Tag::DivEnd: DivEnd(); break;
        case Tag::Block: BlockBreak(); break;
        case Tag::Paragraph: Paragraph(text); break;
        case Tag::Center: CenterStart(); break;
        case Tag::CenterEnd: CenterEnd(); break;
        case Tag::Title: Title(); break;
        case Tag::Style: SkipElement("</STYLE"); break;
        case Tag::Script: SkipElement("</SCRIPT"); break;
        case Tag::Applet: SkipElement("</APPLET"); break;
        case Tag::Rule: HorizontalRule(text); break;
        case Tag::Heading: HeadingStart(text); break;
        case Tag::HeadingEnd: HeadingEnd(); break;
        case Tag::Row: TableRow(); break;
        case Tag::Cell: TableCell(); break;
        case Tag::Table: TableStart(); break;
        case Tag::TableEnd: TableEnd(); break;
        case Tag::Image: Image(text); break;
        case Tag::LinkStart: LinkStart(text); break;
        case Tag::LinkEnd: LinkEnd(); break;
    }
}

// ---------------------------------------------------------------------------
// Alignment scopes, rules and lists

void Converter::PushAlign(ScopeKind kind, Alignment value) {
    if (st_.align_depth >= kMaxDepth) return;
    st_.align_kinds[st_.align_depth] = kind;
    st_.align_values[st_.align_depth] = value;
    ++st_.align_depth;
}

// Closes the innermost scope of a kind; scopes of other kinds opened later stay open.
void Converter::RemoveAlign(ScopeKind kind) {
    std::size_t at = static_cast<std::size_t>(st_.align_depth);
    while (at > 0 && st_.align_kinds[at - 1] != kind) --at;
    if (at == 0) return;
    const std::size_t depth = static_cast<std::size_t>(st_.align_depth);
    std::memmove(st_.align_kinds + at - 1, st_.align_kinds + at, depth - at);
    std::memmove(st_.align_values + at - 1, st_.align_values + at, depth - at);
    --st_.align_depth;
}

// The "align" attribute of a lower-cased tag text.
AlignAttribute Converter::ReadAlign(const char* text) {
    const char* at = std::strstr(text, "align");
    if (!at) return AlignAttribute::kAbsent;
    ReadAttrWord(st_.attr, at + 5, sizeof st_.attr);
    if (std::strcmp(st_.attr, "left") == 0) return AlignAttribute::kLeft;
    if (std::strcmp(st_.attr, "center") == 0) return AlignAttribute::kCenter;
    if (std::strcmp(st_.attr, "right") == 0) return AlignAttribute::kRight;
    return AlignAttribute::kOther;
}

void Converter::HorizontalRule(char* text) {
    BeginLine(0, false);
    AsciiLowerInPlace(text);
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
    long long length = RuleLength(percent, column);
    long long lead = 0;
    if (st_.align_depth < 1) {
        const AlignAttribute align = ReadAlign(text);
        lead = align == AlignAttribute::kLeft    ? 0
               : align == AlignAttribute::kRight ? column - length
                                                 : (column - length) / 2;
    }
    if (st_.indent_level > 0) length -= 2 * static_cast<long long>(st_.indent_level);
    PutRepeated(' ', lead);
    PutRepeated('-', length);
    BeginLine(0, false);
}

void Converter::OpenList(ListKind kind) {
    if (st_.indent_level >= kMaxDepth) return;
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
    if (list.kind == ListKind::kOrdered) {
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

}  // namespace vorlax
