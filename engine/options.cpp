// The options record's value names, and finding an option by its name.
#include "engine/options.h"

namespace vorlax {

const std::string_view kOptionNames[23] = {
    "SWspcut", "SWtitle",  "SWspcut2",  "SWeofcut",    "SWendcr",   "SWlink",
    "SWlink_n", "SWlink_e", "Column",   "SWqk",        "SWimage",   "SWimageStr",
    "AltString", "SWtableLeft", "SWdiv", "SWsfn",      "SWfolda",   "SaveFolda",
    "SWmcode_s", "SWmcode", "SWedit",   "Editor",      "SW_AOT",
};

OptionField FindOption(Options& o, std::string_view name) {
#define VORLAX_NUMBER(field) if (name == #field) return OptionField{&o.field, nullptr, 0};
#define VORLAX_TEXT(field) \
    if (name == #field) return OptionField{nullptr, o.field, sizeof o.field};
    VORLAX_NUMBER(SWspcut)
    VORLAX_NUMBER(SWtitle)
    VORLAX_NUMBER(SWspcut2)
    VORLAX_NUMBER(SWeofcut)
    VORLAX_NUMBER(SWendcr)
    VORLAX_NUMBER(SWlink)
    VORLAX_NUMBER(SWlink_n)
    VORLAX_NUMBER(SWlink_e)
    VORLAX_NUMBER(Column)
    VORLAX_NUMBER(SWqk)
    VORLAX_NUMBER(SWimage)
    VORLAX_NUMBER(SWimageStr)
    VORLAX_TEXT(AltString)
    VORLAX_NUMBER(SWtableLeft)
    VORLAX_NUMBER(SWdiv)
    VORLAX_NUMBER(SWsfn)
    VORLAX_NUMBER(SWfolda)
    VORLAX_TEXT(SaveFolda)
    VORLAX_NUMBER(SWmcode_s)
    VORLAX_NUMBER(SWmcode)
    VORLAX_NUMBER(SWedit)
    VORLAX_TEXT(Editor)
    VORLAX_NUMBER(SW_AOT)
#undef VORLAX_NUMBER
#undef VORLAX_TEXT
    return {};
}

}  // namespace vorlax
