#include "settings/page_controls.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/shared_options.h"
#include "resources/settings_ids.h"

namespace vorlax::settings {

void FitSheetToPage(HWND page) {
    RECT wanted = {0, 0, PAGE_WIDTH, PAGE_HEIGHT};
    MapDialogRect(page, &wanted);
    RECT have;
    GetWindowRect(page, &have);
    const long width = have.right - have.left, height = have.bottom - have.top;
    if (wanted.right <= width && wanted.bottom <= height) return;
    SetWindowPos(page, nullptr, 0, 0, wanted.right > width ? wanted.right : width,
                 wanted.bottom > height ? wanted.bottom : height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(page, &have);
    // The room the tab control gives its pages; once grown, the later pages
    // find it large enough.
    const HWND sheet = GetParent(page);
    const HWND tab = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    if (sheet == nullptr || tab == nullptr) return;
    RECT tab_frame, room;
    GetWindowRect(tab, &tab_frame);
    room = tab_frame;
    TabCtrl_AdjustRect(tab, FALSE, &room);
    const long dx = have.right > room.right ? have.right - room.right : 0;
    const long dy = have.bottom > room.bottom ? have.bottom - room.bottom : 0;
    if (dx == 0 && dy == 0) return;
    SetWindowPos(tab, nullptr, 0, 0, tab_frame.right - tab_frame.left + dx, tab_frame.bottom - tab_frame.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The buttons below the tab control (OK, Cancel and the hidden ones)
    // keep their places at the bottom right.
    for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[16] = "";
        GetClassNameA(child, kind, sizeof kind);
        if (child == tab || lstrcmpiA(kind, "Button") != 0) continue;
        RECT button;
        GetWindowRect(child, &button);
        POINT at = {button.left + dx, button.top + dy};
        ScreenToClient(sheet, &at);
        SetWindowPos(child, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame;
    GetWindowRect(sheet, &frame);
    SetWindowPos(sheet, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR HandlePageMessage(const PageActions& actions, HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            actions.create(page);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED && actions.click) actions.click(page, LOWORD(wparam));
            return FALSE;
        case WM_NOTIFY:
            // The result stays 0: no page refuses the apply, nor to be shown.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_APPLY)) actions.apply(page);
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_SETACTIVE)) FitSheetToPage(page);
            return FALSE;
        default:
            return FALSE;
    }
}

void ApplyStates(HWND page, const ControlStates& states) {
    for (const ControlState& s : states) EnableWindow(GetDlgItem(page, s.id), s.enabled ? TRUE : FALSE);
}

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void ShowSwitch(HWND page, int id, std::int16_t option) {
    CheckDlgButton(page, id, CheckedFor(option) ? BST_CHECKED : BST_UNCHECKED);
}

void ShowChoice(HWND page, std::span<const RadioChoice> group, std::int16_t option) {
    const int selected = RadioForValue(group, option);
    for (const RadioChoice& choice : group)
        CheckDlgButton(page, choice.id, choice.id == selected ? BST_CHECKED : BST_UNCHECKED);
}

int SelectedChoice(HWND page, std::span<const RadioChoice> group) {
    for (const RadioChoice& choice : group)
        if (IsChecked(page, choice.id)) return choice.id;
    return 0;
}

void StoreNumber(std::int16_t Options::*option, std::int16_t value) {
    app::StoreShared(Record().*option, value);
    app::SaveNumberOption(*OpenSheet().registry, EntryOf(option), value);
}

void StoreSwitch(HWND page, int id, std::int16_t Options::*option) {
    StoreNumber(option, OptionFor(IsChecked(page, id)));
}

void StoreChoice(HWND page, std::span<const RadioChoice> group, std::int16_t Options::*option) {
    StoreNumber(option, ValueForRadio(group, SelectedChoice(page, group), app::LoadShared(Record().*option)));
}

void StoreText(HWND page, int id, char* option) {
    const OptionEntry* entry = EntryOfText(Record(), option);
    if (!entry) return;
    HWND box = GetDlgItem(page, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(box)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(box, text.data(), static_cast<int>(text.size()))));
    const std::string kept = CutText(text, entry->capacity - 1);
    std::memcpy(option, kept.c_str(), kept.size() + 1);
    app::SaveTextOption(*OpenSheet().registry, *entry, option);
}

}  // namespace vorlax::settings
