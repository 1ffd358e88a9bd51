// CP932 lead bytes: the first byte of a double-byte character.
#pragma once

namespace vorlax {

// The ranges the line wrap and the image template walk use: 0x80..0x9F and 0xE0..0xFF.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

// The lead bytes the system's code page 932 defines (0x81..0x9F and 0xE0..0xFC),
// as the platform's lead-byte test answers them. Paths and file names are
// stepped through with these, so names match what the file system sees.
constexpr bool IsSystemLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace vorlax
