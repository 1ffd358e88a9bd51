// The internal text form between the scanner and the alignment pass: CP932
// lines ended by a single LF, each perhaps opened by one of three 10-byte
// markers that the line operations write, and the line width both sides use.
#pragma once

#include <cstddef>
#include <string_view>

namespace vorlax {

inline constexpr std::size_t kMarkerSize = 10;
inline constexpr std::string_view kLeftMarker = "<[left__]>";
inline constexpr std::string_view kCenterMarker = "<[center]>";
inline constexpr std::string_view kRightMarker = "<[right_]>";
static_assert(kLeftMarker.size() == kMarkerSize && kCenterMarker.size() == kMarkerSize &&
              kRightMarker.size() == kMarkerSize);

// The line width for the forced wrap and the alignment pass: Column, taken
// as 1 when it is below 1.
constexpr long long LineWidth(long long column) { return column < 1 ? 1 : column; }

}  // namespace vorlax
