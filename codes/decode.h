// Input codes: detection of an HTML document's kanji code and its conversion to CP932.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

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

// Detection looks at no more than this many bytes from the start.
inline constexpr std::size_t kDetectionSampleSize = 16383;
// The META step looks at no more than this many bytes of the sample.
inline constexpr std::size_t kMetaWindowSize = 10240;

// Whether the sample (the bytes detection keeps) holds a META tag that
// declares the charset UTF-8, in either the HTML4 form
// (content="text/html; charset=utf-8") or the HTML5 form (charset="utf-8").
bool FindMetaCharset(std::string_view sample);

// Detects the code of a document from its bytes; returns 1..6.
int DetectInputCode(std::string_view input);

// Appends the input, read in the given code, to `out` as CP932. A code
// outside 1..6 appends nothing; an abort request stops the conversion before
// the next character, keeping what was written.
void ConvertToCP932(int code, std::string_view input, std::string& out,
                    const std::atomic<bool>& abort);

// Strict UTF-8 to CP932 for text the user types (option values): false when
// the text is not well-formed UTF-8 or holds a character CP932 cannot hold.
bool Utf8TextToCP932(std::string_view utf8, std::string& out);

// JIS X 0208 (row byte high, cell byte low) to Shift-JIS (lead byte high,
// trail byte low).
std::uint16_t JisToSjis(std::uint16_t jis);

}  // namespace vorlax
