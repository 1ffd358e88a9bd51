// The settings sheet: seven pages in the system's property sheet, OK and
// Cancel only, starting at the first page.
#include "settings/settings.h"

#include <commctrl.h>

#include <cstring>

#include "resources/settings_ids.h"
#include "settings/page_controls.h"
#include "settings/shell_page.h"

namespace vorlax::settings {

Sheet& OpenSheet() {
    static Sheet sheet;
    return sheet;
}

void ShowSettings(HWND owner, HINSTANCE instance, Options& options, app::Registry& registry) {
    struct Page {
        int template_id;
        DLGPROC procedure;
    };
    static constexpr Page kPages[] = {
        {IDD_PAGE_TEXT, PageProc<kTextPage>},
        {IDD_PAGE_IMAGE, PageProc<kImagePage>},
        {IDD_PAGE_TABLE, PageProc<kTablePage>},
        {IDD_PAGE_SAVE, PageProc<kSavePage>},
        {IDD_PAGE_KANJI, PageProc<kKanjiPage>},
        {IDD_PAGE_EDITOR, PageProc<kEditorPage>},
        {IDD_PAGE_SHELL, ShellExtensionPageProc},
    };
    constexpr UINT kCount = sizeof kPages / sizeof kPages[0];
    OpenSheet() = {owner, instance, &options, &registry};
    // The first versions of the structures, which every system's control
    // takes. The control steps through the pages by their dwSize, so they
    // lie packed at that size.
    alignas(PROPSHEETPAGEA) unsigned char pages[kCount * PROPSHEETPAGEA_V1_SIZE];
    for (UINT i = 0; i < kCount; ++i) {
        PROPSHEETPAGEA page = {};
        page.dwSize = PROPSHEETPAGEA_V1_SIZE;
        page.dwFlags = PSP_DEFAULT;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEA(kPages[i].template_id);
        page.pfnDlgProc = kPages[i].procedure;
        std::memcpy(pages + i * PROPSHEETPAGEA_V1_SIZE, &page, PROPSHEETPAGEA_V1_SIZE);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = "Vorlax - 設定";
    header.nPages = kCount;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    PropertySheetA(&header);
    OpenSheet() = {};
}

}  // namespace vorlax::settings
