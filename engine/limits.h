// The engine's limits, all silent: what does not fit is cut or dropped, and
// the conversion goes on.
#pragma once

#include <climits>
#include <cstddef>

namespace vorlax {

// A tag's text between "<" and ">": at most kTagSize - 2 bytes, so that the
// final space and the NUL the tag actions read still fit. Longer tags are dropped.
inline constexpr int kTagSize = 10240;
// A character reference's name between "&" and its terminator.
inline constexpr int kMaxReferenceName = 10;
// An attribute value (a link target, an image's src or alt, align, width),
// without its NUL; longer values are cut.
inline constexpr int kMaxAttribute = 1024;
// Nested lists, and open alignment scopes (DIV, P, CENTER, H1..H6).
inline constexpr int kMaxDepth = 255;
// The longest path the system composes, in bytes, not counting the NUL: the
// platform's limit, which counts the NUL (MAX_PATH, 260, on Windows; PATH_MAX
// elsewhere), less one.
#ifdef _WIN32
inline constexpr std::size_t kMaxPath = 260 - 1;
#else
inline constexpr std::size_t kMaxPath = PATH_MAX - 1;
#endif

}  // namespace vorlax
