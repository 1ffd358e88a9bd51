// Named and numeric character references.
#pragma once

#include <cstdint>

namespace vorlax {

struct Entity {
    char name[10];        // NUL-terminated, letter case significant
    std::uint16_t code;  // Unicode code point
};

// The named references of HTML 4.01 (Latin-1, symbols without fnof, special
// characters) in their fixed order, followed by an all-zero record.
extern const Entity kEntities[252];
inline constexpr int kEntityCount = 251;

// The index of the record with this name (exact letter case), -1 when none.
int FindEntity(const char* name);

// What a reference name stands for.
struct ReferenceValue {
    enum Kind { kDeclined, kCode, kOutside } kind = kDeclined;
    std::uint16_t code = 0;  // the code point when kind is kCode
};

// Reads a reference name (without "&" and terminator): a named reference is
// looked up exactly; "#" with a decimal number, "#x" or "#X" with a
// hexadecimal one are read as the C library reads numbers (leading white
// space and a sign allowed, at least one digit, the rest ignored). A number
// below 0 or above 0xFFFF is kOutside: CP932 cannot hold it.
ReferenceValue ReadReferenceName(const char* name);

}  // namespace vorlax
