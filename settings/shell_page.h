// The settings sheet's shell-extension page ("シェル拡張", dialog 134): its
// check box shows whether the context-menu extension is registered, and
// applying the sheet registers or unregisters it.
#pragma once

#include <windows.h>

namespace vorlax::settings {

// The page's dialog procedure, for the sheet's PROPSHEETPAGE.
INT_PTR CALLBACK ShellExtensionPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace vorlax::settings
