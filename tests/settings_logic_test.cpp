// The settings pages' plain logic: the line width clamp, which controls a
// state enables, the radio buttons' values, how much text an option keeps.
#include <gtest/gtest.h>

#include <string>

#include "settings/settings_logic.h"

namespace vorlax::settings {
namespace {

TEST(SettingsColumn, ClampsToOneTo255) {
    const struct {
        const char* typed;
        int stored;
    } cases[] = {
        {"79", 79},   {"1", 1},      {"255", 255},   {"256", 255},   {"300", 255},
        {"0", 1},     {"000", 1},    {"", 1},        {"abc", 1},     {"12abc", 1},
        {"-5", 1},    {"+5", 1},     {"1.5", 1},     {"007", 7},     {" 42 ", 42},
        {"\t9", 9},   {"   ", 1},    {"4 2", 1},     {"99999999999999999999", 255},
        {"0000000000000000000255", 255}, {"１２", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ClampColumn(c.typed), c.stored) << '"' << c.typed << '"';
}

TEST(SettingsSwitches, OnlyOneIsChecked) {
    const struct {
        std::int16_t option;
        bool checked;
    } cases[] = {{1, true}, {0, false}, {2, false}, {-1, false}, {32767, false}};
    for (const auto& c : cases) EXPECT_EQ(CheckedFor(c.option), c.checked) << c.option;
    EXPECT_EQ(OptionFor(true), 1);
    EXPECT_EQ(OptionFor(false), 0);
}

TEST(SettingsRadios, ButtonsForValues) {
    struct Case {
        std::span<const RadioChoice> group;
        int value;
        int button;
    };
    const Case cases[] = {
        {kImageStringChoices, 0, 1055}, {kImageStringChoices, 1, 1056}, {kImageStringChoices, 2, 1057},
        {kImageStringChoices, 3, 1063}, {kImageStringChoices, 4, 0},    {kImageStringChoices, -1, 0},
        {kDelimiterChoices, 0, 1044},   {kDelimiterChoices, 1, 1045},   {kDelimiterChoices, 2, 1046},
        {kDelimiterChoices, 3, 0},      {kDelimiterChoices, 7, 0},      {kDelimiterChoices, -1, 0},
        {kInputCodeChoices, 0, 1016},   {kInputCodeChoices, 1, 1012},   {kInputCodeChoices, 2, 1011},
        {kInputCodeChoices, 3, 1013},   {kInputCodeChoices, 4, 1014},   {kInputCodeChoices, 5, 1015},
        {kInputCodeChoices, 6, 0},      {kInputCodeChoices, 9, 0},      {kInputCodeChoices, -2, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(RadioForValue(c.group, c.value), c.button) << c.value;
}

TEST(SettingsRadios, ValuesForButtons) {
    struct Case {
        std::span<const RadioChoice> group;
        int selected;
        std::int16_t old;
        std::int16_t stored;
    };
    const Case cases[] = {
        {kImageStringChoices, 1055, 3, 0}, {kImageStringChoices, 1056, 0, 1}, {kImageStringChoices, 1057, 0, 2},
        {kImageStringChoices, 1063, 0, 3}, {kImageStringChoices, 0, 9, 9},    {kImageStringChoices, 1044, 5, 5},
        {kDelimiterChoices, 1044, 2, 0},   {kDelimiterChoices, 1045, 0, 1},   {kDelimiterChoices, 1046, 0, 2},
        {kDelimiterChoices, 0, 7, 7},      {kDelimiterChoices, 0, -3, -3},
        {kInputCodeChoices, 1011, 0, 2},   {kInputCodeChoices, 1012, 0, 1},   {kInputCodeChoices, 1013, 0, 3},
        {kInputCodeChoices, 1014, 0, 4},   {kInputCodeChoices, 1015, 0, 5},   {kInputCodeChoices, 1016, 5, 0},
        {kInputCodeChoices, 0, 9, 9},      {kInputCodeChoices, 1018, 6, 6},
    };
    for (const Case& c : cases) EXPECT_EQ(ValueForRadio(c.group, c.selected, c.old), c.stored) << c.selected;
}

TEST(SettingsEnabling, EveryRule) {
    struct Case {
        const char* rule;
        ControlStates got;
        ControlStates expected;
    };
    const Case cases[] = {
        {"link on", LinkControls(true), {{1065, true}, {1067, true}}},
        {"link off", LinkControls(false), {{1065, false}, {1067, false}}},
        {"image on, user", ImageControlsOnCreate(1, 3),
         {{1058, true}, {1055, true}, {1056, true}, {1057, true}, {1063, true}, {1068, true}, {1069, true},
          {1018, true}}},
        {"image on, src", ImageControlsOnCreate(1, 1),
         {{1058, true}, {1055, true}, {1056, true}, {1057, true}, {1063, true}, {1068, true}, {1069, true},
          {1018, false}}},
        {"image off, user", ImageControlsOnCreate(0, 3),
         {{1058, false}, {1055, false}, {1056, false}, {1057, false}, {1063, false}, {1068, false},
          {1069, false}, {1018, true}}},
        {"image off, alt", ImageControlsOnCreate(0, 2),
         {{1058, false}, {1055, false}, {1056, false}, {1057, false}, {1063, false}, {1068, false},
          {1069, false}, {1018, false}}},
        {"image 2 (not 1), user", ImageControlsOnCreate(2, 3),
         {{1058, false}, {1055, false}, {1056, false}, {1057, false}, {1063, false}, {1068, false},
          {1069, false}, {1018, true}}},
        {"image on, none selected", ImageControlsOnCreate(1, 7),
         {{1058, true}, {1055, true}, {1056, true}, {1057, true}, {1063, true}, {1068, true}, {1069, true},
          {1018, false}}},
        {"checked, user", ImageControlsOnToggle(true, true),
         {{1058, true}, {1055, true}, {1056, true}, {1057, true}, {1063, true}, {1068, true}, {1069, true},
          {1018, true}}},
        {"checked, other", ImageControlsOnToggle(true, false),
         {{1058, true}, {1055, true}, {1056, true}, {1057, true}, {1063, true}, {1068, true}, {1069, true},
          {1018, false}}},
        {"unchecked, user", ImageControlsOnToggle(false, true),
         {{1058, false}, {1055, false}, {1056, false}, {1057, false}, {1063, false}, {1068, false},
          {1069, false}, {1018, false}}},
        {"click [Image]", ImageControlsOnChoice(1055), {{1018, false}}},
        {"click src", ImageControlsOnChoice(1056), {{1018, false}}},
        {"click alt", ImageControlsOnChoice(1057), {{1018, false}}},
        {"click user", ImageControlsOnChoice(1063), {{1018, true}}},
        {"same folder", SaveFolderControls(true), {{1042, false}, {1000, false}, {1018, false}}},
        {"save folder", SaveFolderControls(false), {{1042, true}, {1000, true}, {1018, true}}},
        {"kanji on", KanjiControls(true),
         {{1027, true}, {1011, true}, {1012, true}, {1013, true}, {1014, true}, {1015, true}, {1016, true},
          {1026, true}, {1018, true}}},
        {"kanji off", KanjiControls(false),
         {{1027, false}, {1011, false}, {1012, false}, {1013, false}, {1014, false}, {1015, false},
          {1016, false}, {1026, false}, {1018, false}}},
        {"editor on", EditorControls(true), {{1048, true}, {1050, true}, {1049, true}}},
        {"editor off", EditorControls(false), {{1048, false}, {1050, false}, {1049, false}}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.rule;
}

TEST(SettingsText, CutsAtCharacterBoundaries) {
    const std::string long_ascii(300, 'a');
    const struct {
        std::string text;
        std::size_t limit;
        std::string kept;
    } cases[] = {
        {"notepad", 259, "notepad"},
        {long_ascii, 255, std::string(255, 'a')},
        {long_ascii, 259, std::string(259, 'a')},
        {"", 255, ""},
        // "あい" is 82 A0 82 A2: a limit inside the second keeps only the first.
        {"\x82\xa0\x82\xa2", 3, "\x82\xa0"},
        {"\x82\xa0\x82\xa2", 4, "\x82\xa0\x82\xa2"},
        {"a\x82\xa0", 2, "a"},
        // Half-width kana (0xA1..0xDF) are single bytes.
        {"\xb1\xb2\xb3", 2, "\xb1\xb2"},
        // A trail byte 0x5C ("\" as ASCII) stays with its lead byte.
        {"\x95\x5c\x5c", 1, ""},
        {"\x95\x5c\x5c", 2, "\x95\x5c"},
        // A lead byte at the very end counts as one byte.
        {"ab\x82", 3, "ab\x82"},
    };
    for (const auto& c : cases) EXPECT_EQ(CutText(c.text, c.limit), c.kept) << c.text.size() << '/' << c.limit;
    EXPECT_EQ(CutText(std::string(255, 'x') + "\x82\xa0", 256), std::string(255, 'x'));
}

}  // namespace
}  // namespace vorlax::settings
