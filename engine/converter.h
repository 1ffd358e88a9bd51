// The conversion engine: one Converter is one document's conversion, from the
// CP932 working input to the internal text form, and the alignment pass from
// there to the final CP932 text with CR LF line ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/options.h"
#include "engine/streams.h"

namespace vorlax {

// The engine's per-document state. Positions are byte offsets in the working
// output (cr_position: in the working input); -1 is no position.
struct ConversionState {
    static constexpr long long kNone = -1;
    static constexpr int kTagSize = 10240;
    static constexpr int kMaxDepth = 255;

    struct ListEntry {
        char kind;             // 'U' unordered, 'O' ordered
        std::int32_t counter;  // the next item number
    };

    long long column = 0;  // wider than needed, so no line can overflow it
    std::int32_t indent_level = 0;
    ListEntry list_stack[256] = {};
    long long row_start = kNone;
    long long last_indent = kNone;
    long long last_break = kNone;
    long long content_start = kNone;
    long long cr_position = kNone;
    long long last_marker = kNone;
    long long last_space = kNone;
    bool pre_mode = false;
    std::int16_t align_depth = 0;
    char align_kinds[256] = {};   // 'D' DIV, 'P' P, 'C' CENTER, 'H' H1..H6
    char align_values[256] = {};  // '1' left, '2' centre, '3' right
    std::uint16_t table_depth = 0;
    char pending_link[1025] = {};
    bool lead_byte_pending = false;
    char tag[kTagSize] = {};
    char scratch[kTagSize] = {};
    char attr[1025] = {};
};

class Converter {
public:
    // The options and the abort request must outlive the converter.
    explicit Converter(const Options& options, const std::atomic<bool>& abort = kNeverAbort);

    // Reads the working input from its start and writes the internal text form.
    void ScanDocument(WorkInput& in, WorkOutput& out);

    static const std::atomic<bool> kNeverAbort;

private:
    // Output operations.
    void PutChar(unsigned char c);
    void PutString(const char* s);
    void PutSpace();
    void PutSpaces();
    void EndLine();
    void BeginLine(int change, bool no_align);
    void BlockBreak(int change);
    long long Pos() const { return out_->Position(); }
    void Write(unsigned char c) { out_->Put(c); }
    bool HasContent() const { return Pos() != st_.content_start; }
    void BreakBeforeBlock();

    // Scanner.
    bool Aborted() const { return abort_.load(std::memory_order_relaxed); }
    void ReadTag();
    void ReadTagSlowly();
    void ReadReference();
    void SkipComment();
    void SkipMetaTag();
    bool DecodeReference(const char* name);

    // Tags.
    void HandleTag(char* text);
    bool Acts(int tag) const;
    static bool ReadsText(int tag);
    void Dispatch(int tag, char* text);
    void PushAlign(char kind, char value);
    void RemoveAlign(char kind);
    char AlignValue(const char* text);
    void OpenList(char kind);
    void CloseList();
    void ListItem();
    void HorizontalRule(char* text);
    void LinkStart(const char* text);
    void LinkEnd();
    void Image(const char* text);
    void PutAttribute(const char* text, const char* name);
    void SkipElement(const char* end_prefix);
    bool Follows(const char* text);
    void Title();
    void SkipToTagEnd();

    const Options& opt_;
    const std::atomic<bool>& abort_;
    ConversionState st_;
    WorkInput* in_ = nullptr;
    WorkOutput* out_ = nullptr;
};

// Copies the attribute value that follows an attribute name: spaces, one "=",
// spaces and one double quote are skipped; the value ends at a double quote,
// a space or ">" (ReadAttrWord) or at a double quote or ">" (ReadAttrText).
// Returns the number of bytes copied; dest is always NUL-terminated.
int ReadAttrWord(char* dest, const char* text, int capacity);
int ReadAttrText(char* dest, const char* text, int capacity);

// The alignment pass: markers removed, centred and right-aligned lines padded
// to Column, every LF written as CR LF. Appends to `out`.
void AlignLines(const Options& options, WorkInput& in, std::string& out,
                const std::atomic<bool>& abort = Converter::kNeverAbort);

// Scanner and alignment pass over a whole CP932 document in memory.
std::string ConvertDocument(const Options& options, std::string_view cp932,
                            const std::atomic<bool>& abort = Converter::kNeverAbort);

}  // namespace vorlax
