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
// from the sample when that is 0), Shift-JIS when kanji conversion is off.
int ChooseInputCode(const Options& options, std::string_view sample);

// One document from raw bytes to final text, in steps a driver can check
// between: the detection sample is read first and read again by the decoder,
// so the raw source never needs to seek (standard input cannot).
class StreamConversion {
public:
    // `window` sizes the working buffers; any size gives the same bytes. The
    // default keeps a conversion's buffers together small (about 110 KB), so
    // that freeing them does not make the C library give the memory back to
    // the system, only to fault it in again for the next document.
    StreamConversion(const Options& options, ByteSource& raw, ByteSink& out,
                     const std::atomic<bool>& abort, std::size_t window = 1 << 14);
    ~StreamConversion();

    // Reads the first bytes of the input, as many as detection looks at.
    void ReadSample();
    // The input code, detected from the sample when the options ask for it.
    int ChooseCode() const;
    // Decodes, scans, aligns and writes the whole document.
    void Run(int code);
    // The three steps in one call, for callers that check nothing between them.
    void Convert();

private:
    class Replay;
    const Options& options_;
    ByteSource& raw_;
    ByteSink& out_;
    const std::atomic<bool>& abort_;
    const std::size_t window_;
    std::string sample_;
};

// Scanner and alignment pass over a whole CP932 document in memory.
std::string ConvertDocument(const Options& options, std::string_view cp932,
                            const std::atomic<bool>& abort = Converter::kNeverAbort);

// Converts raw HTML bytes into the final CP932 text with CR LF line ends.
std::string ConvertHtml(const Options& options, std::string_view input,
                        const std::atomic<bool>& abort = Converter::kNeverAbort);

}  // namespace vorlax
