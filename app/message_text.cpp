#include "app/message_text.h"

#include <cstddef>
#include <vector>

#include "codes/paths.h"

namespace vorlax::app {

std::string ShortenInMiddle(std::string_view text, const std::function<bool(std::string_view)>& fits) {
    if (fits(text)) return std::string(text);
    // Where each character starts, and the end.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, kWindowsPaths)) starts.push_back(i);
    const std::size_t characters = starts.size();
    starts.push_back(text.size());
    // `kept` characters: the first kept / 2 and the last (kept + 1) / 2.
    auto shortened = [&](std::size_t kept) {
        const std::size_t head = kept / 2, tail = kept - head;
        std::string s(text.substr(0, starts[head]));
        s += kLeftOut;
        s += text.substr(starts[characters - tail]);
        return s;
    };
    // The most characters that fit, by halving: `low` fits (or is 0),
    // `high` does not.
    std::size_t low = 0, high = characters;
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (fits(shortened(middle))) low = middle;
        else high = middle;
    }
    return shortened(low);
}

}  // namespace vorlax::app
