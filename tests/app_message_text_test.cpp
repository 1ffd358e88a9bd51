// Paths in message boxes shortened in the middle.
#include <gtest/gtest.h>

#include <string>

#include "app/message_text.h"

namespace vorlax::app {
namespace {

// Fits when the text takes at most `width` columns, a double-byte character
// two, any other byte one.
auto Columns(std::size_t width) {
    return [width](std::string_view text) { return text.size() <= width; };
}

TEST(AppMessageText, ShortenInMiddle) {
    struct Case {
        std::string text;
        std::size_t width;
        std::string shown;
    };
    const Case cases[] = {
        {"C:\\web\\index.htm", 100, "C:\\web\\index.htm"},
        {"C:\\web\\index.htm", 16, "C:\\web\\index.htm"},
        {"0123456789", 9, "012...789"},
        {"0123456789", 8, "01...789"},  // the end takes the odd character
        {"0123456789", 7, "01...89"},
        {"0123456789", 4, "...9"},
        {"0123456789", 3, "..."},
        {"0123456789", 0, "..."},  // nothing fits: the mark alone
        {"", 0, ""},
        // A double-byte character is never split, also where its trail byte
        // is "\" (0x95 0x5C is 表).
        {"表示表示表示", 8, "表...示"},
        {"表示表示表示", 7, "表...示"},
        {"表示表示表示", 6, "...示"},
        {"C:\\表\\" + std::string(20, 'a') + "\\表.htm", 20, "C:\\表\\aa...aa\\表.htm"},
        // A lead byte at the very end stands alone.
        {std::string("abcdef\x95", 7), 6, std::string("a...f\x95", 6)},
    };
    for (const Case& c : cases) EXPECT_EQ(ShortenInMiddle(c.text, Columns(c.width)), c.shown) << c.text;
}

TEST(AppMessageText, AskedAsFewTimesAsHalving) {
    const std::string path = "C:\\" + std::string(30000, 'x') + "\\page.htm";
    int asked = 0;
    const std::string shown = ShortenInMiddle(path, [&](std::string_view text) {
        ++asked;
        return text.size() <= 80;
    });
    EXPECT_EQ(shown, "C:\\" + std::string(35, 'x') + "..." + std::string(30, 'x') + "\\page.htm");
    EXPECT_LE(asked, 17);
}

}  // namespace
}  // namespace vorlax::app
