// The settings sheet: not there yet; the menu command does nothing.
#include "settings/settings.h"

namespace vorlax::app {

void ShowSettings(HWND) {}

}  // namespace vorlax::app
