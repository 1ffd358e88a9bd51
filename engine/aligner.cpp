#include "engine/aligner.h"

#include <cstring>

#include "engine/converter.h"

namespace vorlax {

namespace {

constexpr std::size_t kMarkerSize = 10;
constexpr std::size_t kFlushAt = 1 << 16;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool IsMarker(std::string_view head, const char* marker) {
    for (std::size_t i = 0; i < kMarkerSize; ++i)
        if (Lower(head[i]) != marker[i]) return false;
    return true;
}

}  // namespace

LineAligner::LineAligner(const Options& options, ByteSink& out, const std::atomic<bool>& abort)
    : width_(options.Column < 1 ? 1 : options.Column), out_(out), abort_(abort) {}

// Copies a line as it stands, its LF written as CR LF.
void LineAligner::EmitUnaligned(std::string_view line) {
    for (;;) {
        const std::size_t lf = line.find('\n');
        if (lf == std::string_view::npos) {
            pending_.append(line);
            return;
        }
        pending_.append(line.substr(0, lf));
        pending_ += "\r\n";
        line.remove_prefix(lf + 1);
    }
}

// A centred or right-aligned line that fits: the padding, its text, its line end.
void LineAligner::EmitPadded(bool finished_by_lf) {
    const long long len = static_cast<long long>(measure_.size());
    if (finished_by_lf && len == 1) {
        pending_ += "\r\n";
        return;
    }
    const long long pad = center_ ? (width_ - len) / 2 + 1 : (width_ - len) + 1;
    pending_.append(static_cast<std::size_t>(pad), ' ');
    pending_.append(measure_, 0, measure_.size() - 1);
    if (finished_by_lf)
        pending_ += "\r\n";
    else
        pending_ += measure_.back();
}

// The start of a line decides how it goes on: its first ten bytes, or a
// shorter line with its LF.
void LineAligner::StartLine(std::string_view head) {
    Marker marker = Marker::kNone;
    if (head.size() == kMarkerSize && head[0] == '<' && head[1] == '[') {
        if (head == "<[left__]>")  // the usual line, as the scanner writes it
            marker = Marker::kLeft;
        else if (IsMarker(head, "<[center]>"))
            marker = Marker::kCenter;
        else if (IsMarker(head, "<[right_]>"))
            marker = Marker::kRight;
        else if (IsMarker(head, "<[left__]>"))
            marker = Marker::kLeft;
    }
    switch (marker) {
        case Marker::kCenter:
        case Marker::kRight:
            center_ = marker == Marker::kCenter;
            measure_.clear();
            state_ = State::kMeasure;
            break;
        case Marker::kLeft:
            state_ = State::kCopy;
            break;
        case Marker::kNone:
            EmitUnaligned(head);
            state_ = head.back() == '\n' ? State::kHead : State::kCopy;
            break;
    }
}

void LineAligner::Write(std::string_view bytes) {
    if (abort_.load(std::memory_order_relaxed)) return;
    while (!bytes.empty()) {
        switch (state_) {
            case State::kHead: {
                const std::size_t want = kMarkerSize - head_.size();
                const std::size_t lf = bytes.substr(0, want).find('\n');
                const std::size_t take = lf == std::string_view::npos ? std::min(want, bytes.size()) : lf + 1;
                if (head_.empty() && (take == kMarkerSize || lf != std::string_view::npos)) {
                    // The whole start of the line is at hand.
                    StartLine(bytes.substr(0, take));
                } else {
                    head_.append(bytes.substr(0, take));
                    if (head_.size() == kMarkerSize || head_.back() == '\n') {
                        StartLine(head_);
                        head_.clear();
                    }
                }
                bytes.remove_prefix(take);
                break;
            }
            case State::kCopy: {
                const std::size_t lf = bytes.find('\n');
                if (lf == std::string_view::npos) {
                    pending_.append(bytes);
                    bytes = {};
                } else {
                    pending_.append(bytes.substr(0, lf));
                    pending_ += "\r\n";
                    bytes.remove_prefix(lf + 1);
                    state_ = State::kHead;
                }
                break;
            }
            case State::kMeasure: {
                const std::size_t want = static_cast<std::size_t>(width_ + 1) - measure_.size();
                const std::size_t lf = bytes.substr(0, want).find('\n');
                const std::size_t take = lf == std::string_view::npos ? std::min(want, bytes.size()) : lf + 1;
                measure_.append(bytes.substr(0, take));
                bytes.remove_prefix(take);
                const bool ended = measure_.back() == '\n';
                if (measure_.size() >= static_cast<std::size_t>(width_ + 1)) {
                    // Too long to align: the line is copied as it stands.
                    EmitUnaligned(measure_);
                    state_ = ended ? State::kHead : State::kCopy;
                } else if (ended) {
                    EmitPadded(true);
                    state_ = State::kHead;
                }
                break;
            }
        }
    }
    if (pending_.size() >= kFlushAt) Flush();
}

void LineAligner::Finish() {
    if (!abort_.load(std::memory_order_relaxed)) {
        if (state_ == State::kHead && !head_.empty())
            EmitUnaligned(head_);  // a last line too short for a marker
        else if (state_ == State::kMeasure && !measure_.empty())
            EmitPadded(false);  // a last aligned line without a line end
    }
    head_.clear();
    measure_.clear();
    state_ = State::kHead;
    Flush();
}

void LineAligner::Flush() {
    if (!pending_.empty()) out_.Write(pending_);
    pending_.clear();
}

}  // namespace vorlax
