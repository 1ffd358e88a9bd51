// The sheet's seventh page: the context-menu extension.
#pragma once

#include <windows.h>

namespace vorlax::settings {

// Creation sets the check box from the installed state, the apply
// notification registers or unregisters the extension.
INT_PTR CALLBACK ShellPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace vorlax::settings
