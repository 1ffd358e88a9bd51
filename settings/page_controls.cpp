#include "settings/page_controls.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/registry.h"
#include "app/shared_options.h"
#include "app/win/win_registry.h"

namespace vorlax::settings {

INT_PTR HandlePageMessage(const PageActions& actions, HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            actions.create(page);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED && actions.click) actions.click(page, LOWORD(wparam));
            return FALSE;
        case WM_NOTIFY:
            // The result stays 0: no page refuses the apply.
            if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(PSN_APPLY)) actions.apply(page);
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
    const std::string name(SpecOf(option).name);
    app::SaveDwordOption(app::ProgramRegistry(), app::kOptionSubkey, name.c_str(),
                         static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

void StoreSwitch(HWND page, int id, std::int16_t Options::*option) {
    StoreNumber(option, OptionFor(IsChecked(page, id)));
}

void StoreChoice(HWND page, std::span<const RadioChoice> group, std::int16_t Options::*option) {
    StoreNumber(option, ValueForRadio(group, SelectedChoice(page, group), app::LoadShared(Record().*option)));
}

void StoreText(HWND page, int id, char* option) {
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& s : kOptionTable)
        if (s.text && s.text(Record()) == option) spec = &s;
    if (!spec) return;
    HWND box = GetDlgItem(page, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(box)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(box, text.data(), static_cast<int>(text.size()))));
    const std::string kept = CutText(text, spec->capacity - 1);
    std::memcpy(option, kept.c_str(), kept.size() + 1);
    const std::string name(spec->name);
    app::SaveStringOption(app::ProgramRegistry(), app::kOptionSubkey, name.c_str(), option);
}

}  // namespace vorlax::settings
