// The two working streams of a conversion: the CP932 working input, read a
// byte at a time with step-back, and the working output in the internal text
// form, written with take-back and cut at the end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace vorlax {

class WorkInput {
public:
    static constexpr int kEnd = -1;

    WorkInput() = default;
    explicit WorkInput(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

    // The next byte (0..255), or kEnd at the end of the input.
    int Get() { return pos_ < size_ ? data_[pos_++] : kEnd; }
    // Steps the read position back by n bytes (never before the start).
    void Back(std::size_t n) { pos_ = n < pos_ ? pos_ - n : 0; }
    std::size_t Position() const { return pos_; }
    void Rewind() { pos_ = 0; }
    // The bytes after the read position that can be read without waiting, and
    // a way to step over those that were taken in one piece.
    std::string_view Ahead() const {
        return {reinterpret_cast<const char*>(data_) + pos_, size_ - pos_};
    }
    void Skip(std::size_t n) { pos_ += n; }

private:
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

class WorkOutput {
public:
    // Writes one byte at the write position, over whatever a take-back left there.
    void Put(unsigned char c) {
        if (pos_ < buf_.size())
            buf_[pos_] = static_cast<char>(c);
        else
            buf_.push_back(static_cast<char>(c));
        ++pos_;
    }
    void Put(std::string_view s) {
        const std::size_t over = pos_ < buf_.size() ? std::min(s.size(), buf_.size() - pos_) : 0;
        buf_.replace(pos_, over, s.data(), over);
        buf_.append(s.data() + over, s.size() - over);
        pos_ += s.size();
    }
    // Moves the write position back by n bytes; the next writes overwrite them.
    void TakeBack(std::size_t n) { pos_ = n < pos_ ? pos_ - n : 0; }
    long long Position() const { return static_cast<long long>(pos_); }
    // Drops whatever lies beyond the write position.
    void Cut() { buf_.resize(pos_); }
    std::string_view Bytes() const { return buf_; }

private:
    std::string buf_;
    std::size_t pos_ = 0;
};

}  // namespace vorlax
