// The alignment pass: internal text in, final text out (markers removed,
// centred and right-aligned lines padded to the line width, LF as CR LF).
#include "engine/aligner.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codes/ascii.h"
#include "engine/byte_scan.h"
#include "engine/converter.h"
#include "engine/text_form.h"

namespace vorlax {

namespace {

constexpr std::size_t kFlushAt = 1 << 14;
// The most input the line copy takes at once, and the room it needs for it:
// at worst every byte is an LF, written as two.
constexpr std::size_t kSlice = 1 << 11;
constexpr std::size_t kSliceRoom = 2 * kSlice;
// The pending text's buffer, allocated once: it is handed on before it would overflow.
constexpr std::size_t kPendingCapacity = kFlushAt + kSliceRoom;

// Copies p[0..n) up to its first LF to o and returns the LF's position, or n
// when there is none. The copy goes in sixteen-byte blocks where there is
// SSE2 and in machine words elsewhere, never past o + n: bytes after the
// LF's position may be written too, for the caller to write over.
inline std::size_t CopyUpToLf(const char* p, std::size_t n, char* o) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), v);
        if (const int lf = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))))
            return i + static_cast<std::size_t>(__builtin_ctz(lf));
    }
#else
    // A machine word at a time while no LF is in it.
    for (; i + sizeof(ScanWord) <= n; i += sizeof(ScanWord)) {
        ScanWord w;
        std::memcpy(&w, p + i, sizeof w);
        std::memcpy(o + i, &w, sizeof w);
        if (HasByte(w, '\n')) break;
    }
#endif
    for (; i < n && p[i] != '\n'; ++i) o[i] = p[i];
    return i;
}

}  // namespace

LineAligner::LineAligner(const Options& options, ByteSink& out, const std::atomic<bool>& abort)
    : width_(LineWidth(options.Column)), out_(out), abort_(abort) {}

// Copies a line as it stands, its LF written as CR LF.
void LineAligner::EmitUnaligned(std::string_view line) {
    for (;;) {
        const std::size_t lf = line.find('\n');
        if (lf == std::string_view::npos) {
            Put(line);
            return;
        }
        Put(line.substr(0, lf));
        Put("\r\n");
        line.remove_prefix(lf + 1);
    }
}

// A centred or right-aligned line that fits: the padding, its text, its line end.
void LineAligner::EmitPadded(bool finished_by_lf) {
    const long long len = static_cast<long long>(measure_.size());
    if (finished_by_lf && len == 1) {
        Put("\r\n");
        return;
    }
    const std::size_t pad =
        static_cast<std::size_t>(center_ ? (width_ - len) / 2 + 1 : (width_ - len) + 1);
    for (std::size_t left = pad; left > 0;) {  // a wide Column may ask for more than the room
        const std::size_t n = std::min(left, kFlushAt);
        std::memset(Room(n), ' ', n);
        pending_size_ += n;
        left -= n;
    }
    Put(std::string_view(measure_).substr(0, measure_.size() - 1));
    Put(finished_by_lf ? std::string_view("\r\n") : std::string_view(&measure_.back(), 1));
}

// The usual lines, those that open with the left marker and so are copied as
// they stand, in one loop: a line's text up to its LF, a CR LF, and on while
// the next line opens with the left marker too or is empty. Takes the rest of a line
// (state kCopy) and returns the bytes it used.
std::size_t LineAligner::CopyLines(std::string_view bytes) {
    const std::size_t n = std::min(bytes.size(), kSlice);
    const char* p = bytes.data();
    char* const start = Room(kSliceRoom);
    char* o = start;
    std::size_t i = 0;
    for (;;) {
        const std::size_t lf = i + CopyUpToLf(p + i, n - i, o);
        o += lf - i;
        if (lf == n) {
            i = n;
            break;
        }
        *o++ = '\r';
        *o++ = '\n';
        i = lf + 1;
        for (; i < n && p[i] == '\n'; ++i) {  // an empty line, as a block break leaves
            *o++ = '\r';
            *o++ = '\n';
        }
        if (n - i < kMarkerSize || std::string_view(p + i, kMarkerSize) != kLeftMarker) {
            state_ = State::kHead;
            break;
        }
        i += kMarkerSize;
    }
    pending_size_ += static_cast<std::size_t>(o - start);
    return i;
}

// The start of a line decides how it goes on: its first ten bytes, or a
// shorter line with its LF.
void LineAligner::StartLine(std::string_view head) {
    Marker marker = Marker::kNone;
    if (head.size() == kMarkerSize && head[0] == '<' && head[1] == '[') {
        if (head == kLeftMarker)  // the usual line, as the scanner writes it
            marker = Marker::kLeft;
        else if (StartsWithNoCase(head, kCenterMarker))
            marker = Marker::kCenter;
        else if (StartsWithNoCase(head, kRightMarker))
            marker = Marker::kRight;
        else if (StartsWithNoCase(head, kLeftMarker))
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
            case State::kCopy:
                bytes.remove_prefix(CopyLines(bytes));
                if (pending_size_ >= kFlushAt) Flush();
                break;
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
    if (pending_size_ >= kFlushAt) Flush();
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

// Room for n more bytes of final text (at most kPendingCapacity), at the end
// of what is pending.
char* LineAligner::Room(std::size_t n) {
    if (!pending_) pending_.reset(new char[kPendingCapacity]);
    if (kPendingCapacity - pending_size_ < n) Flush();
    return pending_.get() + pending_size_;
}

void LineAligner::Put(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kFlushAt);
        std::memcpy(Room(n), bytes.data(), n);
        pending_size_ += n;
        bytes.remove_prefix(n);
    }
}

void LineAligner::Flush() {
    if (pending_size_) out_.Write(std::string_view(pending_.get(), pending_size_));
    pending_size_ = 0;
}

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

void AlignLines(const Options& options, WorkInput& in, std::string& out) {
    AlignLines(options, in, out, Converter::kNeverAbort);
}

}  // namespace vorlax
