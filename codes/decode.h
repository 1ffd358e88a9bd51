// Input codes: detection of an HTML document's kanji code and its conversion to CP932.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "codes/byte_stream.h"

namespace vorlax {

// Input code numbers.
enum InputCode : int {
    kAutomatic = 0,
    kJis = 1,
    kShiftJis = 2,
    kEuc = 3,
    kUtf16Le = 4,
    kUtf8 = 5,
    kUtf16Be = 6,
};

// Detection reads the input in windows of at most this many bytes; a byte
// 0xFF ends a window early (and belongs to none). The first window is the
// detection sample.
inline constexpr std::size_t kDetectionSampleSize = 16383;
// The META step looks at no more than this many bytes of the sample.
inline constexpr std::size_t kMetaWindowSize = 10240;

// Whether the sample (the bytes detection keeps) holds a META tag that
// declares the charset UTF-8, in either the HTML4 form
// (content="text/html; charset=utf-8") or the HTML5 form (charset="utf-8").
bool FindMetaCharset(std::string_view sample);

// What one window of detection found: the code it decides, or kAutomatic
// when it holds no evidence (no signature or META declaration in the first,
// no JIS shift sequences, no byte from 0x80 up that the byte statistics
// count); and how many input bytes it took, the 0xFF that ended it included.
struct WindowVerdict {
    int code = kAutomatic;
    std::size_t used = 0;
};

// Looks at the window that opens `rest`: the signatures and the META step in
// the first window of the input, then in every window the JIS test, the
// undeclared-UTF-8 test and the byte statistics. `rest` holds at least
// kDetectionSampleSize bytes, or everything up to the end of the input.
WindowVerdict DetectWindow(std::string_view rest, bool first);

// Detects the code of a document from its bytes; returns 1..6. Windows
// without evidence are passed over up to the first that has some, which
// decides; a document without any is EUC-JP (which leaves ASCII as it is).
int DetectInputCode(std::string_view input);

// Reads an input code piece by piece into CP932. The output over any split of
// the input into pieces is the output of the whole input read at once.
class Decoder {
public:
    // A code outside 1..6 writes nothing.
    explicit Decoder(int code) : code_(code) {}

    // Decodes in[0..n) into out, which has room for 2 * n bytes (no code
    // writes more than two bytes per input byte, Shift-JIS no more than one).
    // Without `last`, it stops before a character cut off by the end of the
    // piece and returns how many input bytes it consumed; the caller passes
    // the rest again, followed by more input. At the very start it consumes
    // nothing until the piece is long enough to tell whether a signature
    // opens the input. With `last`, the piece ends the input and everything
    // is consumed (a cut-off character is dropped). *written receives the
    // number of bytes written; the bytes of out after those may have been
    // overwritten too (runs are stored many bytes at a time). An abort
    // request stops it before the next character.
    std::size_t Decode(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                       std::size_t* written, const std::atomic<bool>& abort);

    // Whether what follows is copied as it is: Shift-JIS once the input's
    // opening (where a signature may stand) is behind.
    bool CopiesFromHere() const { return started_ && code_ == kShiftJis; }

private:
    // Roman, JIS X 0208 kanji, half-width katakana, JIS X 0212 kanji.
    enum class JisMode : unsigned char { kRoman, kKanji, kKatakana, kJisX0212 };

    std::size_t DecodeJis(const unsigned char* p, std::size_t n, bool last, unsigned char*& o,
                          const std::atomic<bool>& abort);

    int code_;
    bool started_ = false;           // the signatures are behind us
    JisMode jis_mode_ = JisMode::kRoman;
    bool jis_shift_out_ = false;     // inside a SO ... SI run of half-width katakana
};

// Appends the input, read in the given code, to `out` as CP932. A code
// outside 1..6 appends nothing; an abort request stops the conversion before
// the next character, keeping what was written.
void ConvertToCP932(int code, std::string_view input, std::string& out,
                    const std::atomic<bool>& abort);

// A raw source read in the given code: hands out CP932. Memory stays bounded
// whatever the input size: the raw bytes pass through a buffer of
// `raw_buffer` bytes (at least kMinRawBuffer). An abort request ends the
// stream.
class DecodingSource final : public ByteSource {
public:
    static constexpr std::size_t kMinRawBuffer = 16;

    DecodingSource(int code, ByteSource& raw, const std::atomic<bool>& abort,
                   std::size_t raw_buffer = std::size_t{1} << 16);

    // Decodes straight into buf, never more than `capacity` bytes (Shift-JIS
    // past its opening is read straight into buf): a step
    // takes as many raw bytes as buf has room for (capacity / 2; Shift-JIS,
    // a copy, capacity), a read too small for a useful step goes through a
    // few bytes of its own. Returns 0 only at the end of the decoded stream
    // (or for a capacity of 0), however many raw bytes decode to nothing.
    std::size_t Read(char* buf, std::size_t capacity) override;

private:
    // Raw bytes one step into the small output buffer takes: enough for any
    // decoder to get past whatever a piece may end in (a signature pair is
    // the longest, five bytes).
    static constexpr std::size_t kSpillStep = 8;

    // Reads more raw bytes behind those still waiting.
    void Fill();

    Decoder decoder_;
    ByteSource& raw_;
    const std::atomic<bool>& abort_;
    std::size_t out_per_byte_;  // most output bytes one raw byte gives
    std::unique_ptr<unsigned char[]> raw_buf_;
    std::size_t raw_capacity_;
    std::size_t raw_begin_ = 0;  // raw_buf_[raw_begin_..raw_end_) waits to be decoded
    std::size_t raw_end_ = 0;
    bool raw_ended_ = false;
    bool need_raw_ = false;      // what waits is a cut-off character
    bool finished_ = false;
    // Output decoded for a read too small to take it directly.
    unsigned char spill_[2 * kSpillStep];
    std::size_t spill_begin_ = 0;
    std::size_t spill_end_ = 0;
};

// Strict UTF-8 to CP932 for text the user types (option values): false when
// the text is not well-formed UTF-8 or holds a character CP932 cannot hold.
bool Utf8TextToCP932(std::string_view utf8, std::string& out);

// JIS X 0208 (row byte high, cell byte low) to Shift-JIS (lead byte high,
// trail byte low).
std::uint16_t JisToSjis(std::uint16_t jis);

}  // namespace vorlax
