// What every settings page does with its controls: fill them from options,
// apply enabling rules, store options back into the record and the registry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "app/registry.h"
#include "engine/options.h"
#include "settings/settings_logic.h"

namespace vorlax::settings {

// What the pages work on while the sheet is open: the main window that owns
// it, the module of its templates, the options record and the registry.
struct Sheet {
    HWND owner = nullptr;
    HINSTANCE instance = nullptr;
    Options* options = nullptr;
    app::Registry* registry = nullptr;
};
// The open sheet's, set by ShowSettings for as long as the sheet is shown.
Sheet& OpenSheet();

// The options record the pages show and change.
inline Options& Record() { return *OpenSheet().options; }

// What a page does on its three messages: creation (fill the controls,
// apply the enabling rules), a button click (the button's id), and the
// sheet's apply notification (store the options). `click` may be null.
struct PageActions {
    void (*create)(HWND page);
    void (*click)(HWND page, int id);
    void (*apply)(HWND page);
};
// The dialog procedure's body: creation returns TRUE so the system sets the
// focus; everything else is left to the system.
INT_PTR HandlePageMessage(const PageActions& actions, HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// A page's dialog procedure.
template <const PageActions& actions>
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    return HandlePageMessage(actions, page, message, wparam, lparam);
}

// Makes the page as large as its template in its own font, and the sheet
// around it as large as that takes: the sheet measures the pages in its own
// font, the system's dialog font, which on a non-Japanese system is smaller
// than the pages' ＭＳ Ｐゴシック 9 point and left their bottom rows cut.
// Every page calls it when it is shown (PSN_SETACTIVE: the sheet has placed
// it then).
void FitSheetToPage(HWND page);

// The first six pages, in the sheet's order.
extern const PageActions kTextPage, kImagePage, kTablePage, kSavePage, kKanjiPage, kEditorPage;

void ApplyStates(HWND page, const ControlStates& states);
bool IsChecked(HWND page, int id);

// Checks the box when the option holds 1.
void ShowSwitch(HWND page, int id, std::int16_t option);
// Selects the group's button for the option's value (none for other values).
void ShowChoice(HWND page, std::span<const RadioChoice> group, std::int16_t option);
// The selected button of the group, 0 when none is.
int SelectedChoice(HWND page, std::span<const RadioChoice> group);

// Sets a numeric option in the record and stores it under the option
// subkey, by its value name.
void StoreNumber(std::int16_t Options::*option, std::int16_t value);
// The check box's state as the option's value, stored.
void StoreSwitch(HWND page, int id, std::int16_t Options::*option);
// The selected button's value (the old one when none is selected), stored.
void StoreChoice(HWND page, std::span<const RadioChoice> group, std::int16_t Options::*option);
// As much of the box's text as the option's buffer holds (whole
// characters), into the record's buffer `option`, stored.
void StoreText(HWND page, int id, char* option);

}  // namespace vorlax::settings
