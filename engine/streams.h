// The two working streams of a conversion: the CP932 working input, read a
// byte at a time with step-back, and the working output in the internal text
// form, written with take-back and cut at the end.
//
// Both work either on a whole document in memory or as bounded windows over a
// stream: the scanner steps its input back by a few bytes at most (a reference
// name and its terminator) and takes output back only within the current line
// (a marker, at most 255 indentation units, one space), so a window that keeps
// that much behind the current position behaves exactly like the whole document.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "codes/byte_stream.h"

namespace vorlax {

class WorkInput {
public:
    static constexpr int kEnd = -1;
    // Bytes kept before the read position, so that Back() always works.
    static constexpr std::size_t kKeep = 64;

    WorkInput() = default;
    // The whole input in memory.
    explicit WorkInput(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}
    // The input read from a source, `chunk` bytes at a time.
    explicit WorkInput(ByteSource& source, std::size_t chunk = 1 << 16)
        : source_(&source),
          capacity_(kKeep + std::max<std::size_t>(chunk, 1)),
          buf_(new char[capacity_]) {
        data_ = reinterpret_cast<const unsigned char*>(buf_.get());
    }
    WorkInput(const WorkInput&) = delete;
    WorkInput& operator=(const WorkInput&) = delete;

    // The next byte (0..255), or kEnd at the end of the input.
    int Get() {
        if (pos_ < size_ || Refill()) return data_[pos_++];
        return kEnd;
    }
    // Steps the read position back by n bytes (at most kKeep).
    void Back(std::size_t n) { pos_ = n < pos_ ? pos_ - n : 0; }
    // The read position in the whole input; 64 bits wide on every target,
    // so that a document past 4 GiB keeps distinct positions.
    std::uint64_t Position() const { return base_ + pos_; }
    // Moves to the start of the input; a no-op for a stream that has not moved on.
    void Rewind() {
        if (base_ == 0) pos_ = 0;
    }
    // The bytes after the read position that are at hand (possibly fewer than
    // remain), and a way to step over those that were taken in one piece.
    std::string_view Ahead() const {
        return {reinterpret_cast<const char*>(data_) + pos_, size_ - pos_};
    }
    void Skip(std::size_t n) { pos_ += n; }
    // Makes sure some bytes are at hand; false at the end of the input.
    bool Fill() { return pos_ < size_ || Refill(); }

private:
    bool Refill() {
        if (!source_) return false;
        const std::size_t kept = std::min(kKeep, size_);
        std::memmove(buf_.get(), buf_.get() + size_ - kept, kept);
        base_ += size_ - kept;
        size_ = pos_ = kept;
        const std::size_t n = source_->Read(buf_.get() + kept, capacity_ - kept);
        size_ += n;
        return n > 0;
    }

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    std::uint64_t base_ = 0;  // stream offset of data_[0]
    ByteSource* source_ = nullptr;
    std::size_t capacity_ = 0;
    std::unique_ptr<char[]> buf_;  // with a source: the bytes at hand and kKeep before them
};

// memcpy for the short pieces the scanner writes (markers, words, a few
// spaces), without a library call: two overlapping word copies cover them.
inline void CopyBytes(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n < 4) {
        for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
    } else {
        std::memcpy(to, from, n);
    }
}

class WorkOutput {
public:
    // Bytes kept before the write position: more than the longest take-back.
    static constexpr std::size_t kKeep = 1024;

    // Keeps the whole output in memory (see Bytes()).
    WorkOutput() = default;
    // Hands finished bytes on to `sink` as it goes, keeping about `window` bytes.
    explicit WorkOutput(ByteSink& sink, std::size_t window = 1 << 16)
        : sink_(&sink), drain_at_(std::max(window, 2 * kKeep)) {
        Reserve(drain_at_);
    }
    WorkOutput(const WorkOutput&) = delete;
    WorkOutput& operator=(const WorkOutput&) = delete;

    // Writes one byte at the write position, over whatever a take-back left there.
    void Put(unsigned char c) {
        if (pos_ == size_) {
            if (size_ == cap_) MakeRoom(1);
            ++size_;
        }
        buf_[pos_++] = static_cast<char>(c);
    }
    void Put(std::string_view s) {
        if (cap_ - pos_ < s.size()) MakeRoom(s.size());
        CopyBytes(buf_.get() + pos_, s.data(), s.size());
        pos_ += s.size();
        if (pos_ > size_) size_ = pos_;
    }
    // Moves the write position back by n bytes; the next writes overwrite them.
    void TakeBack(std::size_t n) { pos_ = n < pos_ ? pos_ - n : 0; }
    // The write position in the whole output, 64 bits wide on every target.
    long long Position() const { return static_cast<long long>(base_ + pos_); }
    // Drops whatever lies beyond the write position; with a sink, hands on the rest.
    void Cut() {
        size_ = pos_;
        if (sink_) {
            sink_->Write(Bytes());
            base_ += size_;
            size_ = pos_ = 0;
        }
    }
    // The whole output (without a sink).
    std::string_view Bytes() const { return {buf_.get(), size_}; }

private:
    // Makes room for n more bytes at the write position: hands finished bytes
    // on when there is a sink, grows the buffer otherwise. The rare path: kept
    // out of line, so that the writers it would be inlined into stay small.
    [[gnu::noinline]] void MakeRoom(std::size_t n) {
        if (sink_ && pos_ > kKeep && size_ >= drain_at_) {
            const std::size_t done = pos_ - kKeep;
            sink_->Write(std::string_view(buf_.get(), done));
            std::memmove(buf_.get(), buf_.get() + done, size_ - done);
            size_ -= done;
            pos_ -= done;
            base_ += done;
        }
        if (cap_ - pos_ < n) Reserve(std::max({2 * cap_, pos_ + n, std::size_t{4096}}));
    }
    void Reserve(std::size_t capacity) {
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (size_) std::memcpy(bigger.get(), buf_.get(), size_);
        buf_ = std::move(bigger);
        cap_ = capacity;
    }

    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;  // bytes written, some perhaps beyond the write position
    std::size_t cap_ = 0;
    std::size_t pos_ = 0;
    std::uint64_t base_ = 0;  // stream offset of buf_[0]
    ByteSink* sink_ = nullptr;
    std::size_t drain_at_ = static_cast<std::size_t>(-1);
};

}  // namespace vorlax
