// Texts for message boxes: a path too wide for the screen is shown with its
// middle left out, so that the box fits and both ends stay readable (the
// drive and the first folders, the last folder and the file name).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vorlax::app {

// The text marking what was left out.
inline constexpr std::string_view kLeftOut = "...";

// `text` (CP932) when `fits` accepts it; otherwise the longest text made of
// its first and last characters with kLeftOut between them that `fits`
// accepts (the end taking the odd character), a double-byte character
// never split; kLeftOut alone when nothing else fits. `fits` must accept a
// text whenever it accepts a longer one made the same way.
std::string ShortenInMiddle(std::string_view text, const std::function<bool(std::string_view)>& fits);

}  // namespace vorlax::app
