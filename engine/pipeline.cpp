// The whole conversion of one document, as a stream and in memory.
#include "engine/pipeline.h"

#include <algorithm>
#include <cstdint>

#include "codes/decode.h"
#include "engine/aligner.h"
#include "engine/streams.h"

namespace vorlax {

int ChooseInputCode(const Options& options, std::string_view input) {
    if (options.SWmcode_s != 1) return kShiftJis;
    if (options.SWmcode == kAutomatic) return DetectInputCode(input);
    return options.SWmcode;
}

// The held bytes first, then the rest of the raw input.
class StreamConversion::Replay final : public ByteSource {
public:
    Replay(std::string_view held, ByteSource& rest) : held_(held), rest_(rest) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        const std::size_t n = held_.Read(buf, capacity);
        return n > 0 ? n : rest_.Read(buf, capacity);
    }

private:
    StringSource held_;
    ByteSource& rest_;
};

StreamConversion::StreamConversion(const Options& options, ByteSource& raw, ByteSink& out,
                                   const std::atomic<bool>& abort, std::size_t window)
    : options_(options), raw_(raw), out_(out), abort_(abort), window_(window) {}

StreamConversion::~StreamConversion() = default;

void StreamConversion::Hold(std::size_t size) {
    if (held_.size() >= size || ended_) return;
    std::size_t have = held_.size();
    // Grown by doubling, but never past what detection may hold.
    if (held_.capacity() < size)
        held_.reserve(std::max(size, std::min(2 * held_.capacity(), kHeldLimit + kDetectionSampleSize)));
    held_.resize(size);
    while (have < size) {
        const std::size_t n = raw_.Read(held_.data() + have, size - have);
        if (n == 0) {
            ended_ = true;
            break;
        }
        have += n;
    }
    held_.resize(have);
    held_most_ = std::max(held_most_, have);
}

void StreamConversion::ReadSample() { Hold(kDetectionSampleSize); }

int StreamConversion::ChooseCode() {
    if (options_.SWmcode_s != 1) return kShiftJis;
    if (options_.SWmcode != kAutomatic) return options_.SWmcode;
    int code = kEuc;  // without evidence anywhere: EUC-JP, which leaves ASCII unchanged
    std::size_t at = 0;        // where the next window starts in held_
    std::uint64_t passed = 0;  // input bytes before held_[0] that were let go
    for (bool first = true;; first = false) {
        Hold(at + kDetectionSampleSize);
        const WindowVerdict verdict = DetectWindow(std::string_view(held_).substr(at), first);
        if (verdict.code != kAutomatic) {
            code = verdict.code;
            break;
        }
        at += verdict.used;
        if (at == held_.size() && ended_) break;  // the input has ended
        // A source that can start over keeps little; one that cannot, all it may.
        if (passed + at >= (raw_.CanRewind() ? kRewindableHold : kHeldLimit)) {
            if (!raw_.CanRewind()) break;  // nothing beyond what may be held
            // Only what the next windows need stays.
            held_.erase(0, at);
            passed += at;
            at = 0;
        }
    }
    if (passed > 0) {
        // Bytes were let go: the decoder reads the input from its start again.
        held_.clear();
        ended_ = false;
        raw_.Rewind();
    }
    return code;
}

void StreamConversion::Run(int code) {
    Replay raw(held_, raw_);
    DecodingSource decoded(code, raw, abort_, std::max(window_, DecodingSource::kMinRawBuffer));
    WorkInput in(decoded, window_);
    LineAligner aligner(options_, out_, abort_);
    {
        WorkOutput work(aligner, window_);
        auto converter = std::make_unique<Converter>(options_, abort_);
        converter->ScanDocument(in, work);
    }
    aligner.Finish();
}

void StreamConversion::Convert() {
    ReadSample();
    Run(ChooseCode());
}

std::string ConvertHtml(const Options& options, std::string_view input,
                        const std::atomic<bool>& abort) {
    StringSource raw(input);
    StringSink text;
    // The text is seldom longer than its HTML: one allocation, no copies as it grows.
    text.text.reserve(input.size());
    StreamConversion conversion(options, raw, text, abort);
    conversion.Convert();
    return std::move(text.text);
}

std::string ConvertDocument(const Options& options, std::string_view cp932,
                            const std::atomic<bool>& abort) {
    StringSink sink;
    LineAligner aligner(options, sink, abort);
    WorkInput in(cp932);
    WorkOutput work(aligner);
    Converter(options, abort).ScanDocument(in, work);
    aligner.Finish();
    return std::move(sink.text);
}

}  // namespace vorlax
