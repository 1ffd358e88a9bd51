// The settings sheet, opened from the main window's menu.
#pragma once

#include <windows.h>

#include "app/registry.h"
#include "engine/options.h"

namespace vorlax::settings {

// Shows the modal settings sheet owned by the main window `owner`, its pages
// from `instance`'s resources. The pages show `options`; those applied are
// changed there and stored through `registry`.
void ShowSettings(HWND owner, HINSTANCE instance, Options& options, app::Registry& registry);

}  // namespace vorlax::settings
