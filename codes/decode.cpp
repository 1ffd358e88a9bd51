#include "codes/decode.h"

namespace vorlax {

// Placeholder until detection lands: every document is Shift-JIS.
int DetectInputCode(std::string_view) { return kShiftJis; }

// Placeholder until the decoders land: the input is taken as CP932.
void ConvertToCP932(int, std::string_view input, std::string& out, const std::atomic<bool>&) {
    out.append(input);
}

}  // namespace vorlax
