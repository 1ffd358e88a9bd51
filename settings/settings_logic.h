// What the settings pages decide without the platform: check box and radio
// button values, which controls a governing check box enables, the line
// width clamp and how much of a text box an option keeps. The page
// procedures apply these to their controls.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlax::settings {

// A check box shows an option as checked only when it holds 1; a checked
// box stores 1, an unchecked one 0.
constexpr bool CheckedFor(std::int16_t option) { return option == 1; }
constexpr std::int16_t OptionFor(bool checked) { return checked ? 1 : 0; }

// One radio button of a group and the value it stands for.
struct RadioChoice {
    int id;
    std::int16_t value;
};

// The groups, in the order their buttons appear on the page.
inline constexpr RadioChoice kImageStringChoices[] = {{1055, 0}, {1056, 1}, {1057, 2}, {1063, 3}};
inline constexpr RadioChoice kDelimiterChoices[] = {{1044, 0}, {1045, 1}, {1046, 2}};
inline constexpr RadioChoice kInputCodeChoices[] = {{1011, 2}, {1012, 1}, {1013, 3},
                                                    {1016, 0}, {1014, 4}, {1015, 5}};

// The button that shows `value`, or 0 when none does.
int RadioForValue(std::span<const RadioChoice> group, int value);
// The value of the selected button (`selected` 0: none is selected); the
// option's old value when no button of the group is selected.
std::int16_t ValueForRadio(std::span<const RadioChoice> group, int selected, std::int16_t old);

// A control and whether it is to be enabled.
struct ControlState {
    int id;
    bool enabled;
    bool operator==(const ControlState&) const = default;
};
using ControlStates = std::vector<ControlState>;

// Page 1: the link sub-options follow the link check box.
ControlStates LinkControls(bool link_checked);
// Page 2 on creation: the group follows SWimage, the user text box follows
// SWimageStr alone.
ControlStates ImageControlsOnCreate(std::int16_t swimage, std::int16_t swimage_str);
// Page 2 after a click on the replace check box: the user text box is
// enabled only with the box checked and the user button selected.
ControlStates ImageControlsOnToggle(bool replace_checked, bool user_selected);
// Page 2 after a click on a radio button: only the user button enables the
// text box.
ControlStates ImageControlsOnChoice(int clicked);
// Page 4: the save folder's controls are enabled when outputs do not go
// beside their inputs.
ControlStates SaveFolderControls(bool same_folder);
// Page 5: both code groups follow the conversion check box (the four fixed
// output buttons stay disabled).
ControlStates KanjiControls(bool convert);
// Page 6: the editor's controls follow "open in the editor".
ControlStates EditorControls(bool open_in_editor);

// The line width as typed: an unsigned decimal number, white space around it
// allowed; 0 or anything that is not a number gives 1, a number above 255
// (however many digits) gives 255.
std::int16_t ClampColumn(std::string_view text);

// At most `limit` bytes of a CP932 text, never ending inside a double-byte
// character.
std::string CutText(std::string_view text, std::size_t limit);

}  // namespace vorlax::settings
