// The settings sheet, opened from the main window's menu.
#pragma once

#include <windows.h>

namespace vorlax::app {

// Shows the modal settings sheet owned by the main window.
void ShowSettings(HWND owner);

}  // namespace vorlax::app
