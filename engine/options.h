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

// One option of the record, found by its value name. Exactly one of
// `number` and `text` is set; `capacity` is the size of the text buffer.
struct OptionField {
    std::int16_t* number = nullptr;
    char* text = nullptr;
    std::size_t capacity = 0;
};

// Looks an option up by its value name (exact letter case); both members
// null when there is no such option.
OptionField FindOption(Options& options, std::string_view name);

// The value names in the order the record is loaded.
extern const std::string_view kOptionNames[23];

}  // namespace vorlax
