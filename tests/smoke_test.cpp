#include <gtest/gtest.h>

#include "engine/converter.h"

TEST(Smoke, CentredLine) {
    vorlax::Options o;
    EXPECT_EQ(vorlax::ConvertDocument(o, "a<center>b</center>c"),
              "a\r\n" + std::string(39, ' ') + "b\r\nc\r\n");
}
