// The decoding stream stage: a raw source read in an input code, handed out
// as CP932 in bounded memory.
#include "codes/decode.h"

#include <algorithm>
#include <cstring>

namespace vorlax {

DecodingSource::DecodingSource(int code, ByteSource& raw, const std::atomic<bool>& abort,
                               std::size_t raw_buffer)
    : decoder_(code),
      raw_(raw),
      abort_(abort),
      out_per_byte_(code == kShiftJis ? 1 : 2),
      raw_buf_(new unsigned char[raw_buffer < kMinRawBuffer ? kMinRawBuffer : raw_buffer]),
      raw_capacity_(raw_buffer < kMinRawBuffer ? kMinRawBuffer : raw_buffer),
      finished_(code < kJis || code > kUtf16Be) {}

void DecodingSource::Fill() {
    // What waits moves to the front: at most a cut-off character, or the
    // rest of a piece a small read left.
    std::memmove(raw_buf_.get(), raw_buf_.get() + raw_begin_, raw_end_ - raw_begin_);
    raw_end_ -= raw_begin_;
    raw_begin_ = 0;
    if (raw_end_ == raw_capacity_) return;
    const std::size_t n =
        raw_.Read(reinterpret_cast<char*>(raw_buf_.get()) + raw_end_, raw_capacity_ - raw_end_);
    if (n == 0) raw_ended_ = true;
    raw_end_ += n;
}

std::size_t DecodingSource::Read(char* buf, std::size_t capacity) {
    if (capacity == 0) return 0;
    for (;;) {
        if (spill_begin_ < spill_end_) {
            const std::size_t n = std::min(capacity, spill_end_ - spill_begin_);
            std::memcpy(buf, spill_ + spill_begin_, n);
            spill_begin_ += n;
            return n;
        }
        if (finished_) return 0;
        if (raw_begin_ == raw_end_ && decoder_.CopiesFromHere()) {
            // Nothing waits and the rest is a copy: the raw bytes go
            // straight into buf, without a pass through our own buffer.
            const std::size_t n = abort_.load(std::memory_order_relaxed) ? 0 : raw_.Read(buf, capacity);
            if (n == 0) finished_ = true;
            return n;
        }
        if (!raw_ended_ && (need_raw_ || raw_begin_ == raw_end_)) {
            Fill();
            need_raw_ = false;
            continue;
        }
        // One step: as many raw bytes as the output has room for, or a few
        // into the spill buffer when the read is too small for that.
        const std::size_t waiting = raw_end_ - raw_begin_;
        const bool spill = capacity / out_per_byte_ < kSpillStep;
        const std::size_t step = std::min(waiting, spill ? kSpillStep : capacity / out_per_byte_);
        const bool last = raw_ended_ && step == waiting;
        unsigned char* const out = spill ? spill_ : reinterpret_cast<unsigned char*>(buf);
        std::size_t written = 0;
        const std::size_t used =
            decoder_.Decode(raw_buf_.get() + raw_begin_, step, last, out, &written, abort_);
        raw_begin_ += used;
        if (used < step && step == waiting) need_raw_ = true;  // a character cut off
        if (abort_.load(std::memory_order_relaxed) || (raw_ended_ && raw_begin_ == raw_end_)) finished_ = true;
        if (spill) {
            spill_begin_ = 0;
            spill_end_ = written;
        } else if (written > 0) {
            return written;
        }
    }
}

}  // namespace vorlax
