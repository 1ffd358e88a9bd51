#include "engine/pipeline.h"

#include "codes/decode.h"

namespace vorlax {

int ChooseInputCode(const Options& options, std::string_view input) {
    if (options.SWmcode_s != 1) return kShiftJis;
    if (options.SWmcode == kAutomatic) return DetectInputCode(input);
    return options.SWmcode;
}

std::string ConvertHtml(const Options& options, std::string_view input,
                        const std::atomic<bool>& abort) {
    std::string cp932;
    ConvertToCP932(ChooseInputCode(options, input), input, cp932, abort);
    return ConvertDocument(options, cp932, abort);
}

}  // namespace vorlax
