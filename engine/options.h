// The options record: every setting a conversion reads, by its registry value name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlax {

struct Options {
    std::int16_t SWspcut = 1;      // collapse a run of white space into one space
    std::int16_t SWtitle = 1;      // convert the text between TITLE tags
    std::int16_t SWspcut2 = 1;     // drop white space at the start and end of lines
    std::int16_t SWeofcut = 1;     // drop the end-of-file code 0x1A
    std::int16_t SWendcr = 1;      // end the text with a line break when it lacks one
    std::int16_t SWlink = 0;       // write the target of links
    std::int16_t SWlink_n = 0;     // ... on a line of its own
    std::int16_t SWlink_e = 1;     // ... only for external links
    std::int16_t Column = 79;      // line width for the forced wrap, alignment and rules
    std::int16_t SWqk = 0;         // force a line break at Column
    std::int16_t SWimage = 0;      // replace IMG tags by a string
    std::int16_t SWimageStr = 1;   // 0 "[Image]", 1 [src], 2 [alt], 3 AltString
    char AltString[256] = "[画像(%s)]";  // %S src, %s alt, %% a percent sign
    std::int16_t SWtableLeft = 0;  // always align tables to the left
    std::int16_t SWdiv = 0;        // cell separator: 0 space, 1 comma, 2 TAB, other none
    std::int16_t SWsfn = 0;        // write 8.3 output names in upper case
    std::int16_t SWfolda = 1;      // save each output beside its input
    char SaveFolda[260] = "";      // the save folder when SWfolda is 0
    std::int16_t SWmcode_s = 1;    // convert the input's kanji code (0: take it as Shift-JIS)
    std::int16_t SWmcode = 0;      // 0 automatic, 1 JIS, 2 Shift-JIS, 3 EUC, 4 UTF-16LE, 5 UTF-8
    std::int16_t SWedit = 0;       // open each output in the editor
    char Editor[260] = "notepad";  // the editor's command
    std::int16_t SW_AOT = 0;       // keep the main window on top
};

// One option of the table: its value name, where it lies in the record
// (`number` for a 16-bit number, `text` for a text buffer of `capacity`
// bytes, its terminator included) and, for a number, the values it has a
// meaning for (a switch: 0 and 1). Other values are used as stored, as a
// registry value is.
struct OptionEntry {
    std::string_view name;
    std::int16_t Options::*number = nullptr;
    char* (*text)(Options&) = nullptr;
    std::size_t capacity = 0;
    std::int16_t low = 0, high = 1;
};

#define VORLAX_NUMBER_OPTION(field, low, high) OptionEntry{#field, &Options::field, nullptr, 0, low, high}
#define VORLAX_TEXT_OPTION(field) \
    OptionEntry{#field, nullptr, [](Options& o) { return +o.field; }, sizeof Options::field}

// Every option, in the order the record is loaded from the registry.
inline constexpr OptionEntry kOptionTable[] = {
    VORLAX_NUMBER_OPTION(SWspcut, 0, 1),     VORLAX_NUMBER_OPTION(SWtitle, 0, 1),
    VORLAX_NUMBER_OPTION(SWspcut2, 0, 1),    VORLAX_NUMBER_OPTION(SWeofcut, 0, 1),
    VORLAX_NUMBER_OPTION(SWendcr, 0, 1),     VORLAX_NUMBER_OPTION(SWlink, 0, 1),
    VORLAX_NUMBER_OPTION(SWlink_n, 0, 1),    VORLAX_NUMBER_OPTION(SWlink_e, 0, 1),
    VORLAX_NUMBER_OPTION(Column, 1, 255),    VORLAX_NUMBER_OPTION(SWqk, 0, 1),
    VORLAX_NUMBER_OPTION(SWimage, 0, 1),     VORLAX_NUMBER_OPTION(SWimageStr, 0, 3),
    VORLAX_TEXT_OPTION(AltString),           VORLAX_NUMBER_OPTION(SWtableLeft, 0, 1),
    VORLAX_NUMBER_OPTION(SWdiv, 0, 2),       VORLAX_NUMBER_OPTION(SWsfn, 0, 1),
    VORLAX_NUMBER_OPTION(SWfolda, 0, 1),     VORLAX_TEXT_OPTION(SaveFolda),
    VORLAX_NUMBER_OPTION(SWmcode_s, 0, 1),   VORLAX_NUMBER_OPTION(SWmcode, 0, 5),
    VORLAX_NUMBER_OPTION(SWedit, 0, 1),      VORLAX_TEXT_OPTION(Editor),
    VORLAX_NUMBER_OPTION(SW_AOT, 0, 1),
};

#undef VORLAX_NUMBER_OPTION
#undef VORLAX_TEXT_OPTION

// The option of a value name (exact letter case), null when there is none.
constexpr const OptionEntry* FindOptionEntry(std::string_view name) {
    for (const OptionEntry& entry : kOptionTable)
        if (entry.name == name) return &entry;
    return nullptr;
}

// The option of a numeric field of the record.
constexpr const OptionEntry& EntryOf(std::int16_t Options::*number) {
    for (const OptionEntry& entry : kOptionTable)
        if (entry.number == number) return entry;
    throw "not an option of the table";  // unreachable for every field
}

// The option whose text buffer in `options` is `text`, null when none is.
constexpr const OptionEntry* EntryOfText(Options& options, const char* text) {
    for (const OptionEntry& entry : kOptionTable)
        if (entry.text && entry.text(options) == text) return &entry;
    return nullptr;
}

// One option of a record, found by its value name. Exactly one of `number`
// and `text` is set; `capacity` is the size of the text buffer. Both null
// when there is no such option.
struct OptionField {
    std::int16_t* number = nullptr;
    char* text = nullptr;
    std::size_t capacity = 0;
};

constexpr OptionField FieldOf(Options& options, const OptionEntry& entry) {
    if (entry.number) return {&(options.*entry.number), nullptr, 0};
    return {nullptr, entry.text(options), entry.capacity};
}

constexpr OptionField FindOption(Options& options, std::string_view name) {
    const OptionEntry* entry = FindOptionEntry(name);
    return entry ? FieldOf(options, *entry) : OptionField{};
}

}  // namespace vorlax
