// The whole conversion of one document: input code, CP932 working input,
// scanner, alignment pass. StreamConversion runs it as a stream in constant
// memory; ConvertHtml is the same over a document in memory.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "codes/byte_stream.h"
#include "engine/converter.h"
#include "engine/options.h"

namespace vorlax {

// The input code a conversion uses: SWmcode when SWmcode_s is 1 (detected
// from the input when that is 0), Shift-JIS when kanji conversion is off.
int ChooseInputCode(const Options& options, std::string_view input);

// One document from raw bytes to final text, in steps a driver can check
// between. What detection reads is held and read again by the decoder, so
// the raw source need not seek (standard input cannot). When the detection
// sample holds no evidence of the code, detection reads on, window by window:
// over a source that can start over (a file), as far as it takes, holding
// little; over one that cannot (a pipe), as far as kHeldLimit, all of it held.
class StreamConversion {
public:
    // The most input detection holds from a source that cannot start over;
    // windows beyond it are not looked at. (A window that begins below it is
    // read whole, so up to kHeldLimit + kDetectionSampleSize bytes are held.)
    static constexpr std::size_t kHeldLimit = std::size_t{4} << 20;
    // What detection holds from a source that can start over before it lets
    // the windows it has looked at go: a little more than the decoder would
    // read again, so that pages with evidence near their start are read once.
    static constexpr std::size_t kRewindableHold = std::size_t{1} << 18;

    // `window` sizes the working buffers; any size gives the same bytes. The
    // default keeps a conversion's buffers together small (about 110 KB), so
    // that freeing them does not make the C library give the memory back to
    // the system, only to fault it in again for the next document.
    StreamConversion(const Options& options, ByteSource& raw, ByteSink& out,
                     const std::atomic<bool>& abort, std::size_t window = 1 << 14);
    ~StreamConversion();

    // Reads the first bytes of the input, the detection sample.
    void ReadSample();
    // The input code, detected when the options ask for it: from the sample,
    // or from the first window after it that holds evidence.
    int ChooseCode();
    // Decodes, scans, aligns and writes the whole document.
    void Run(int code);
    // The three steps in one call, for callers that check nothing between them.
    void Convert();

    // How many input bytes are held at most so far (for tests).
    std::size_t HeldMost() const { return held_most_; }

private:
    class Replay;
    // Reads on until `size` bytes are held or the input has ended.
    void Hold(std::size_t size);

    const Options& options_;
    ByteSource& raw_;
    ByteSink& out_;
    const std::atomic<bool>& abort_;
    const std::size_t window_;
    std::string held_;    // raw input read ahead, for the decoder to read first
    bool ended_ = false;  // the raw input has ended within held_
    std::size_t held_most_ = 0;
};

// Scanner and alignment pass over a whole CP932 document in memory.
std::string ConvertDocument(const Options& options, std::string_view cp932,
                            const std::atomic<bool>& abort = Converter::kNeverAbort);

// Converts raw HTML bytes into the final CP932 text with CR LF line ends.
std::string ConvertHtml(const Options& options, std::string_view input,
                        const std::atomic<bool>& abort = Converter::kNeverAbort);

}  // namespace vorlax
