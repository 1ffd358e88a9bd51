// The alignment pass as a stream stage: internal text in, final text out.
// Markers are removed, centred and right-aligned lines padded to Column, and
// every LF is written as CR LF. It needs at most Column + 1 bytes of a line.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "engine/options.h"
#include "engine/streams.h"

namespace vorlax {

class LineAligner final : public ByteSink {
public:
    LineAligner(const Options& options, ByteSink& out, const std::atomic<bool>& abort);

    // Takes the next piece of internal text.
    void Write(std::string_view bytes) override;
    // The internal text has ended: writes what is left and flushes.
    void Finish();

private:
    enum class State { kHead, kCopy, kMeasure };
    enum class Marker { kNone, kLeft, kCenter, kRight };

    std::size_t CopyLines(std::string_view bytes);
    void StartLine(std::string_view head);
    void EmitUnaligned(std::string_view line);
    void EmitPadded(bool finished_by_lf);
    char* Room(std::size_t n);
    void Put(std::string_view bytes);
    void Flush();

    const long long width_;  // Column, taken as 1 when below 1
    ByteSink& out_;
    const std::atomic<bool>& abort_;
    State state_ = State::kHead;
    bool center_ = false;
    std::string head_;     // the first bytes of a line, up to a marker's 10
    std::string measure_;  // a centred or right-aligned line, up to Column + 1 bytes
    // Final text not yet handed on.
    std::unique_ptr<char[]> pending_;
    std::size_t pending_size_ = 0;
};

// The alignment pass over a whole working input: appends the final text to `out`.
void AlignLines(const Options& options, WorkInput& in, std::string& out,
                const std::atomic<bool>& abort);
void AlignLines(const Options& options, WorkInput& in, std::string& out);

}  // namespace vorlax
