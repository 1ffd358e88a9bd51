// The line operations: ending a line, and starting one with its marker and
// indentation. Every part of the engine writes through these and the inline
// operations of line_output.h.
#include "engine/line_output.h"

namespace vorlax {

// The line operations take back at most a marker, the deepest indentation and
// one space; the working output keeps that much behind its write position.
static_assert(WorkOutput::kKeep > kMarkerSize + 2 * kMaxDepth + 1);

namespace {

constexpr long long kNone = ConversionState::kNone;

// The markers by alignment value: left, centre, right.
constexpr std::string_view kMarkers[] = {kLeftMarker, kCenterMarker, kRightMarker};

// Indentation for the deepest list, written in one piece.
constexpr std::string_view kIndentation(
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                                                                                "
    "                              ");
static_assert(kIndentation.size() == 2 * kMaxDepth);

}  // namespace

const std::atomic<bool> Converter::kNeverAbort{false};

Converter::Converter(const Options& options, const std::atomic<bool>& abort)
    : opt_(options), abort_(abort) {}

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
    st_.content_start = st_.unmarked_line = Pos();
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
        marker = static_cast<int>(st_.align_values[st_.align_depth - 1]);
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

}  // namespace vorlax
