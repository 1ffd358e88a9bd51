// A property sheet with only the shell-extension page, run by the page's
// Wine tests: the real page procedure on a real sheet, before and besides
// the settings sheet of Vorlax.exe. Its exit code is PropertySheetA's.
#include <windows.h>
#include <commctrl.h>

#include "install/shell_page.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEA(134);
    page.pfnDlgProc = vorlax::install::ShellExtensionPageProc;
    HPROPSHEETPAGE pages[] = {CreatePropertySheetPageA(&page)};
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_NOAPPLYNOW;
    sheet.hInstance = instance;
    sheet.pszCaption = "設定";
    sheet.nPages = 1;
    sheet.phpage = pages;
    return static_cast<int>(PropertySheetA(&sheet));
}
