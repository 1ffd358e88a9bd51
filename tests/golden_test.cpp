// A realistic page converted whole, with the defaults and with link targets
// and images switched on; the expected texts were read line by line.
#include <gtest/gtest.h>

#include "engine/pipeline.h"
#include "test_support.h"

namespace vorlax::test {
namespace {

TEST(Golden, RealisticPage) {
    struct Case {
        const char* expected_file;
        Settings settings;
    };
    const Case cases[] = {
        {"page.default.txt", {}},
        {"page.links.txt", {{"SWlink", 1}, {"SWimage", 1}, {"SWimageStr", 3}}},
    };
    const std::string_view page = EmbeddedFile("page.html");
    for (const Case& c : cases)
        EXPECT_EQ(Visible(ConvertHtml(With(c.settings), page)), Visible(EmbeddedFile(c.expected_file)))
            << c.expected_file;
}

}  // namespace
}  // namespace vorlax::test
