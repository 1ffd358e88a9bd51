// The context-menu extension's page. The extension cannot be registered yet:
// the page shows its check box unchecked and its apply changes nothing.
#include "settings/shell_page.h"

#include "resources/settings_ids.h"

namespace vorlax::settings {

INT_PTR CALLBACK ShellPageProc(HWND page, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(page, IDC_SHELL_MENU, BST_UNCHECKED);
            return TRUE;
        default:
            // The apply notification's result stays 0 (no error).
            return FALSE;
    }
}

}  // namespace vorlax::settings
