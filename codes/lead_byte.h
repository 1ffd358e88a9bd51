// CP932 lead bytes: the first byte of a double-byte character.
#pragma once

namespace vorlax {

// The ranges the line wrap and the image template walk use: 0x80..0x9F and 0xE0..0xFF.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

}  // namespace vorlax
