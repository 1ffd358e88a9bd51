// Input codes: detection of an HTML document's kanji code and its conversion to CP932.
#pragma once

#include <atomic>
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

// Detects the code of a document from its bytes; returns 1..6.
int DetectInputCode(std::string_view input);

// Appends the input, read in the given code, to `out` as CP932.
void ConvertToCP932(int code, std::string_view input, std::string& out,
                    const std::atomic<bool>& abort);

}  // namespace vorlax
