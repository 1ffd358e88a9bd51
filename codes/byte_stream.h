// Byte streams between the stages of a conversion.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlax {

// Where bytes come from: a file, a pipe, a decoder.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `capacity` bytes into `buf`; 0 only at the end of the stream.
    virtual std::size_t Read(char* buf, std::size_t capacity) = 0;
    // Whether Rewind() can start the stream over: a file can, a pipe cannot.
    virtual bool CanRewind() const { return false; }
    // Starts the stream over at its first byte; false when that failed.
    virtual bool Rewind() { return false; }
};

// Where bytes go: a file, a pipe, the next stage.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// Collects everything written to it.
class StringSink final : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// Hands out a string's bytes.
class StringSource final : public ByteSource {
public:
    explicit StringSource(std::string_view text) : whole_(text), text_(text) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        const std::size_t n = text_.copy(buf, capacity);
        text_.remove_prefix(n);
        return n;
    }
    bool CanRewind() const override { return true; }
    bool Rewind() override {
        text_ = whole_;
        return true;
    }

private:
    std::string_view whole_;
    std::string_view text_;
};

}  // namespace vorlax
