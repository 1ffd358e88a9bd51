// Character references: the name after "&" read up to its terminator, the
// scanner's shortcuts (copy, nbsp, reg), and the rest through the entity
// names and the Unicode table; a declined reference is written as it stands.
#include <cstdint>
#include <cstring>

#include "codes/cp932.h"
#include "codes/entities.h"
#include "engine/line_output.h"

namespace vorlax {

// A declined reference steps the input back over its name and terminator.
static_assert(WorkInput::kKeep > kMaxReferenceName + 1);

void Converter::ReadReference() {
    char name[kMaxReferenceName + 1];
    int length = 0;
    const std::uint64_t start = in_->Position();
    while (length < kMaxReferenceName) {
        const int c = in_->Get();
        if (c == WorkInput::kEnd) break;
        if (c == '&' || c == '<' || c == 0xFF) {  // read again as ordinary input
            in_->Back(1);
            break;
        }
        if (c == ';' || c == ' ') break;  // the terminator belongs to the reference
        name[length++] = static_cast<char>(c);
    }
    name[length] = '\0';
    if (std::strcmp(name, "copy") == 0 || std::strcmp(name, "#169") == 0) {
        PutString("(C)");
    } else if (std::strcmp(name, "nbsp") == 0 || std::strcmp(name, "#160") == 0) {
        PutChar(' ');  // a hard space: never collapsed or taken back
    } else if (std::strcmp(name, "reg") == 0 || std::strcmp(name, "#174") == 0) {
        PutString("(R)");
    } else if (!DecodeReference(name)) {
        // Declined: the reference is written as it stands.
        in_->Back(static_cast<std::size_t>(in_->Position() - start));
        PutChar('&');
    }
}

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
