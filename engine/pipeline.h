// The whole conversion of one document in memory: input code, CP932 working
// input, scanner, alignment pass.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "engine/converter.h"
#include "engine/options.h"

namespace vorlax {

// The input code a conversion uses: SWmcode when SWmcode_s is 1 (detected
// when that is 0), Shift-JIS when kanji conversion is off.
int ChooseInputCode(const Options& options, std::string_view input);

// Converts raw HTML bytes into the final CP932 text with CR LF line ends.
std::string ConvertHtml(const Options& options, std::string_view input,
                        const std::atomic<bool>& abort = Converter::kNeverAbort);

}  // namespace vorlax
