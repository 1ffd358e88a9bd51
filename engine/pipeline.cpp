// The whole conversion of one document, as a stream and in memory.
#include "engine/pipeline.h"

#include <algorithm>

#include "codes/decode.h"
#include "engine/aligner.h"
#include "engine/streams.h"

namespace vorlax {

int ChooseInputCode(const Options& options, std::string_view sample) {
    if (options.SWmcode_s != 1) return kShiftJis;
    if (options.SWmcode == kAutomatic) return DetectInputCode(sample);
    return options.SWmcode;
}

// The sample first, then the rest of the raw input.
class StreamConversion::Replay final : public ByteSource {
public:
    Replay(std::string_view sample, ByteSource& rest) : sample_(sample), rest_(rest) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        const std::size_t n = sample_.Read(buf, capacity);
        return n > 0 ? n : rest_.Read(buf, capacity);
    }

private:
    StringSource sample_;
    ByteSource& rest_;
};

StreamConversion::StreamConversion(const Options& options, ByteSource& raw, ByteSink& out,
                                   const std::atomic<bool>& abort, std::size_t window)
    : options_(options), raw_(raw), out_(out), abort_(abort), window_(window) {}

StreamConversion::~StreamConversion() = default;

void StreamConversion::ReadSample() {
    sample_.resize(kDetectionSampleSize);
    std::size_t have = 0;
    while (have < sample_.size()) {
        const std::size_t n = raw_.Read(sample_.data() + have, sample_.size() - have);
        if (n == 0) break;
        have += n;
    }
    sample_.resize(have);
}

int StreamConversion::ChooseCode() const { return ChooseInputCode(options_, sample_); }

void StreamConversion::Run(int code) {
    Replay raw(sample_, raw_);
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
