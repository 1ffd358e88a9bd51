#include "settings/shell_page.h"

#include <commctrl.h>

#include "install/install_steps.h"
#include "install/win_platform.h"
#include "resources/settings_ids.h"
#include "settings/page_controls.h"

namespace vorlax::settings {

INT_PTR CALLBACK ShellExtensionPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
    const Sheet& sheet = OpenSheet();
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(page, IDC_SHELL_MENU,
                           install::ShellExtensionRegistered(*sheet.registry) ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        case WM_NOTIFY:
            // Placed by the sheet, the page makes room for itself.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_SETACTIVE))
                FitSheetToPage(page);
            // Every apply that reaches the page registers or unregisters,
            // changed or not.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_APPLY)) {
                install::WinInstallPlatform platform(sheet.instance, page);
                if (IsDlgButtonChecked(page, IDC_SHELL_MENU) == BST_CHECKED)
                    install::RegisterShellExtension(platform, *sheet.registry);
                else
                    install::UnregisterShellExtension(platform, *sheet.registry);
            }
            return 0;
    }
    return FALSE;
}

}  // namespace vorlax::settings
