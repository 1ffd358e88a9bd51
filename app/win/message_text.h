// Paths as the program's message boxes show them.
#pragma once

#include <string>

namespace vorlax::app {

// The path whole when it fits half the screen's width in the message boxes'
// font, otherwise shortened in the middle to that width.
std::string PathForMessageBox(const std::string& path);

}  // namespace vorlax::app
