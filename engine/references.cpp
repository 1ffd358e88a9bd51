#include "codes/cp932.h"
#include "codes/entities.h"
#include "engine/converter.h"

namespace vorlax {

// Character references other than the scanner's shortcuts: a known name or a
// number gives its character through the Unicode table, every byte through
// PutChar so the line wrap sees it; anything else is declined.
bool Converter::DecodeReference(const char* name) {
    const ReferenceValue value = ReadReferenceName(name);
    if (value.kind == ReferenceValue::kDeclined) return false;
    const std::uint16_t entry =
        value.kind == ReferenceValue::kCode ? UnicodeToCP932(value.code) : kCP932Outside;
    EmitCP932(entry, [this](unsigned char c) { PutChar(c); });
    return true;
}

}  // namespace vorlax
