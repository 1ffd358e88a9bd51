#include "settings/settings_logic.h"

#include "codes/lead_byte.h"
#include "engine/options.h"

namespace vorlax::settings {

namespace {

ControlStates All(std::initializer_list<int> ids, bool enabled) {
    ControlStates states;
    for (int id : ids) states.push_back({id, enabled});
    return states;
}

constexpr bool IsSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int RadioForValue(std::span<const RadioChoice> group, int value) {
    for (const RadioChoice& choice : group)
        if (choice.value == value) return choice.id;
    return 0;
}

std::int16_t ValueForRadio(std::span<const RadioChoice> group, int selected, std::int16_t old) {
    for (const RadioChoice& choice : group)
        if (choice.id == selected) return choice.value;
    return old;
}

ControlStates LinkControls(bool link_checked) { return All({1065, 1067}, link_checked); }

ControlStates ImageControlsOnCreate(std::int16_t swimage, std::int16_t swimage_str) {
    ControlStates states = All({1058, 1055, 1056, 1057, 1063, 1068, 1069}, swimage == 1);
    states.push_back({1018, swimage_str == 3});
    return states;
}

ControlStates ImageControlsOnToggle(bool replace_checked, bool user_selected) {
    ControlStates states = All({1058, 1055, 1056, 1057, 1063, 1068, 1069}, replace_checked);
    states.push_back({1018, replace_checked && user_selected});
    return states;
}

ControlStates ImageControlsOnChoice(int clicked) { return {{1018, clicked == 1063}}; }

ControlStates SaveFolderControls(bool same_folder) { return All({1042, 1000, 1018}, !same_folder); }

ControlStates KanjiControls(bool convert) {
    return All({1027, 1011, 1012, 1013, 1014, 1015, 1016, 1026, 1018}, convert);
}

ControlStates EditorControls(bool open_in_editor) { return All({1048, 1050, 1049}, open_in_editor); }

std::int16_t ClampColumn(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    constexpr std::int16_t kLow = EntryOf(&Options::Column).low;
    constexpr unsigned kHigh = static_cast<unsigned>(EntryOf(&Options::Column).high);
    if (begin == end) return kLow;
    unsigned value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return kLow;
        // Past the top the exact value no longer matters.
        if (value <= kHigh) value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < kLow) return kLow;
    return static_cast<std::int16_t>(value > kHigh ? kHigh : value);
}

std::string CutText(std::string_view text, std::size_t limit) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t step = IsSystemLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return std::string(text.substr(0, i));
}

}  // namespace vorlax::settings
