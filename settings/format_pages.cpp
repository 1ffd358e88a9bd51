// The first three pages: text formatting, IMG tags, tables.
#include <windows.h>
#include <commctrl.h>

#include "resources/settings_ids.h"
#include "settings/page_controls.h"

namespace vorlax::settings {

namespace {

// The nine check boxes of page 1 with an option, in the order they are stored
// (the line width goes between the link options and the forced break).
struct Switch {
    int id;
    std::int16_t Options::*option;
};
constexpr Switch kTextSwitches[] = {
    {IDC_TEXT_SPCUT, &Options::SWspcut},   {IDC_TEXT_TITLE, &Options::SWtitle},
    {IDC_TEXT_SPCUT2, &Options::SWspcut2}, {IDC_TEXT_EOFCUT, &Options::SWeofcut},
    {IDC_TEXT_ENDCR, &Options::SWendcr},   {IDC_TEXT_LINK, &Options::SWlink},
    {IDC_TEXT_LINK_N, &Options::SWlink_n}, {IDC_TEXT_LINK_E, &Options::SWlink_e},
    {IDC_TEXT_QK, &Options::SWqk},
};

void CreateTextPage(HWND page) {
    Options& o = Record();
    for (const Switch& s : kTextSwitches) ShowSwitch(page, s.id, o.*s.option);
    // The arrows hold the width to its range; the box shows the position.
    const OptionEntry& column = EntryOf(&Options::Column);
    CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                            UDS_NOTHOUSANDS,
                        0, 0, 0, 0, page, IDC_TEXT_COLUMN_UPDOWN, OpenSheet().instance,
                        GetDlgItem(page, IDC_TEXT_COLUMN), column.high, column.low, o.Column);
    ApplyStates(page, LinkControls(IsChecked(page, IDC_TEXT_LINK)));
}

void ApplyTextPage(HWND page) {
    for (const Switch& s : kTextSwitches) {
        if (s.id == IDC_TEXT_QK) {
            char text[256] = "";
            GetDlgItemTextA(page, IDC_TEXT_COLUMN, text, sizeof text);
            StoreNumber(&Options::Column, ClampColumn(text));
        }
        StoreSwitch(page, s.id, s.option);
    }
}

void CreateImagePage(HWND page) {
    Options& o = Record();
    ShowSwitch(page, IDC_IMG_REPLACE, o.SWimage);
    ShowChoice(page, kImageStringChoices, o.SWimageStr);
    ApplyStates(page, ImageControlsOnCreate(o.SWimage, o.SWimageStr));
    SetDlgItemTextA(page, IDC_IMG_TEXT, o.AltString);
}

void ApplyImagePage(HWND page) {
    Options& o = Record();
    StoreSwitch(page, IDC_IMG_REPLACE, &Options::SWimage);
    StoreChoice(page, kImageStringChoices, &Options::SWimageStr);
    StoreText(page, IDC_IMG_TEXT, o.AltString);
}

void CreateTablePage(HWND page) {
    Options& o = Record();
    ShowSwitch(page, IDC_TABLE_LEFT, o.SWtableLeft);
    ShowChoice(page, kDelimiterChoices, o.SWdiv);
}

void ApplyTablePage(HWND page) {
    StoreSwitch(page, IDC_TABLE_LEFT, &Options::SWtableLeft);
    StoreChoice(page, kDelimiterChoices, &Options::SWdiv);
}

void ClickTextPage(HWND page, int id) {
    if (id == IDC_TEXT_LINK) ApplyStates(page, LinkControls(IsChecked(page, IDC_TEXT_LINK)));
}

void ClickImagePage(HWND page, int id) {
    switch (id) {
        case IDC_IMG_REPLACE:
            ApplyStates(page, ImageControlsOnToggle(IsChecked(page, IDC_IMG_REPLACE), IsChecked(page, IDC_IMG_USER)));
            break;
        case IDC_IMG_IMAGE:
        case IDC_IMG_SRC:
        case IDC_IMG_ALT:
        case IDC_IMG_USER:
            ApplyStates(page, ImageControlsOnChoice(id));
            break;
    }
}

}  // namespace

const PageActions kTextPage{CreateTextPage, ClickTextPage, ApplyTextPage};
const PageActions kImagePage{CreateImagePage, ClickImagePage, ApplyImagePage};
const PageActions kTablePage{CreateTablePage, nullptr, ApplyTablePage};

}  // namespace vorlax::settings
