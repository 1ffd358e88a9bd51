#include "install/shell_page.h"

#include <commctrl.h>

#include "app/win/win_registry.h"
#include "install/win_platform.h"
#include "settings/page_controls.h"

namespace vorlax::install {

INT_PTR CALLBACK ShellExtensionPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(page, kShellExtensionCheck,
                           ShellExtensionRegistered(app::ProgramRegistry()) ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        case WM_NOTIFY:
            // Placed by the sheet, the page makes room for itself.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_SETACTIVE))
                settings::FitSheetToPage(page);
            // Every apply that reaches the page registers or unregisters,
            // changed or not.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_APPLY)) {
                WinInstallPlatform platform(GetModuleHandleA(nullptr), page);
                if (IsDlgButtonChecked(page, kShellExtensionCheck) == BST_CHECKED)
                    RegisterShellExtension(platform, app::ProgramRegistry());
                else
                    UnregisterShellExtension(platform, app::ProgramRegistry());
            }
            return 0;
    }
    return FALSE;
}

}  // namespace vorlax::install
