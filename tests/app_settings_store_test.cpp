// The settings in the registry: what loads, what counts as missing and is
// written back, the value layout; the window's place.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "app/placement.h"
#include "app/registry.h"

namespace vorlax::app {
namespace {

// A registry in memory with the platform's rules: a query fails when the
// value does not fit the room given.
class FakeRegistry final : public Registry {
public:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    using Key = std::tuple<RegRoot, std::string>;
    std::map<Key, std::map<std::string, Value>> keys;

    bool Query(RegRoot root, const std::string& key, const char* name, void* data,
               std::uint32_t* size) override {
        auto k = keys.find({root, key});
        if (k == keys.end()) return false;
        auto v = k->second.find(name ? name : "");
        if (v == k->second.end() || v->second.bytes.size() > *size) return false;
        std::memcpy(data, v->second.bytes.data(), v->second.bytes.size());
        *size = static_cast<std::uint32_t>(v->second.bytes.size());
        return true;
    }
    bool Set(RegRoot root, const std::string& key, const char* name, std::uint32_t type, const void* data,
             std::uint32_t size) override {
        keys[{root, key}][name ? name : ""] = {type, std::string(static_cast<const char*>(data), size)};
        return true;
    }
    bool KeyExists(RegRoot root, const std::string& key) override { return keys.count({root, key}) != 0; }

    std::map<std::string, Value>& Options() { return keys[{RegRoot::kCurrentUser, "Software\\Zel\\Vorlax\\option"}]; }
};

std::string Dword(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Sz(const std::string& s) { return s + '\0'; }

TEST(AppRegistry, FirstStartWritesEveryDefault) {
    FakeRegistry reg;
    vorlax::Options options;
    LoadOptions(reg, options);
    const std::map<std::string, std::string> expected = {
        {"SWspcut", Dword(1)},   {"SWtitle", Dword(1)},     {"SWspcut2", Dword(1)},  {"SWeofcut", Dword(1)},
        {"SWendcr", Dword(1)},   {"SWlink", Dword(0)},      {"SWlink_n", Dword(0)},  {"SWlink_e", Dword(1)},
        {"Column", Dword(79)},   {"SWqk", Dword(0)},        {"SWimage", Dword(0)},   {"SWimageStr", Dword(1)},
        {"AltString", Sz("[画像(%s)]")}, {"SWtableLeft", Dword(0)}, {"SWdiv", Dword(0)}, {"SWsfn", Dword(0)},
        {"SWfolda", Dword(1)},   {"SaveFolda", Sz("")},     {"SWmcode_s", Dword(1)}, {"SWmcode", Dword(0)},
        {"SWedit", Dword(0)},    {"Editor", Sz("notepad")}, {"SW_AOT", Dword(0)},
    };
    std::map<std::string, std::string> stored;
    for (auto& [name, value] : reg.Options()) {
        stored[name] = value.bytes;
        EXPECT_EQ(value.type, value.bytes.size() == 4 && name != "SaveFolda" ? kRegDword : kRegSz) << name;
    }
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(reg.keys.size(), 1u);
}

TEST(AppRegistry, LoadsWhatFitsAndReplacesWhatDoesNot) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string bytes;          // as stored before the start
        std::string after;          // as stored after it
        int number;                 // the record's value (numbers)
        std::string text;           // the record's value (strings)
    };
    const Case cases[] = {
        {"Column", kRegDword, Dword(72), Dword(72), 72, ""},
        {"Column", 3, std::string("\x02\x00", 2), Dword(79), 79, ""},    // 2 bytes: missing
        {"Column", 3, Dword(40), Dword(40), 40, ""},                      // 4 bytes of any type
        {"Column", kRegDword, Dword(0x12345), Dword(0x12345), 0x2345, ""},  // the low 16 bits
        {"Column", kRegDword, Dword(0xFFFFFFFF), Dword(0xFFFFFFFF), -1, ""},
        {"Column", kRegDword, Dword(1000), Dword(1000), 1000, ""},        // no range check
        {"SWmcode", kRegDword, Dword(9), Dword(9), 9, ""},
        {"Editor", kRegSz, Sz(std::string(300, 'e')), Sz("notepad"), 0, "notepad"},
        {"Editor", kRegSz, Sz(std::string(254, 'e')), Sz(std::string(254, 'e')), 0, std::string(254, 'e')},
        {"Editor", kRegSz, Sz(std::string(255, 'e')), Sz("notepad"), 0, "notepad"},  // 256 with its NUL
        {"SaveFolda", kRegSz, "", "", 0, ""},                               // size 0: empty
        {"SaveFolda", kRegSz, Sz("D:\\out"), Sz("D:\\out"), 0, "D:\\out"},
    };
    for (const Case& c : cases) {
        FakeRegistry reg;
        reg.Options()[c.name] = {c.type, c.bytes};
        vorlax::Options options;
        LoadOptions(reg, options);
        EXPECT_EQ(reg.Options()[c.name].bytes, c.after) << c.name;
        const OptionField field = FindOption(options, c.name);
        if (field.number) EXPECT_EQ(*field.number, c.number) << c.name;
        else EXPECT_EQ(std::string(field.text), c.text) << c.name;
    }
}

TEST(AppRegistry, NegativeDefaultsAreSignExtended) {
    FakeRegistry reg;
    std::int16_t option = -2;
    LoadDwordOption(reg, "Column", &option);
    EXPECT_EQ(reg.Options()["Column"].bytes, Dword(0xFFFFFFFE));
}

TEST(AppRegistry, ValuesOfTheSettingsKeyItself) {
    FakeRegistry reg;
    std::uint32_t v = 0;
    EXPECT_EQ(ReadDwordValue(reg, nullptr, "WindowPos_top", &v), 0);
    SaveDwordOption(reg, nullptr, "WindowPos_top", static_cast<std::uint32_t>(-32000));
    EXPECT_EQ(ReadDwordValue(reg, nullptr, "WindowPos_top", &v), 1);
    EXPECT_EQ(static_cast<std::int32_t>(v), -32000);
    EXPECT_EQ(reg.keys.count({RegRoot::kCurrentUser, "Software\\Zel\\Vorlax"}), 1u);
}

TEST(AppRegistry, ClassDefaults) {
    FakeRegistry reg;
    char value[256];
    EXPECT_EQ(ReadClassDefault(reg, ".html", value), 0);
    EXPECT_EQ(SetClassDefaultOnce(reg, ".html", "htmlfile"), 1);   // key missing
    EXPECT_EQ(ReadClassDefault(reg, ".html", value), 1);
    EXPECT_STREQ(value, "htmlfile");
    EXPECT_EQ(SetClassDefaultOnce(reg, ".html", "other"), 0);     // kept
    reg.keys[{RegRoot::kClassesRoot, ".htm"}][""] = {kRegSz, Sz("")};  // empty: 1 byte
    EXPECT_EQ(SetClassDefaultOnce(reg, ".htm", "htmlfile"), 1);
    reg.keys[{RegRoot::kClassesRoot, ".shtml"}];                      // key without a default
    EXPECT_EQ(SetClassDefaultOnce(reg, ".shtml", "htmlfile"), 1);
    EXPECT_EQ(WriteMachineString(reg, "SOFTWARE\\Zel\\Vorlax", "Application Path", "C:\\V\\"), 1);
    const FakeRegistry::Key machine{RegRoot::kLocalMachine, "SOFTWARE\\Zel\\Vorlax"};
    EXPECT_EQ(reg.keys[machine]["Application Path"].bytes, Sz("C:\\V\\"));
}

TEST(AppPlacement, CentresOrKeepsInside) {
    struct Case {
        std::optional<Point> saved;
        long x, y;
    };
    // A 1024 by 738 work area and a 220 by 130 window.
    const Case cases[] = {
        {std::nullopt, 402, 304},       // centred: 512 - 110, 369 - 65
        {Point{100, 200}, 100, 200},
        {Point{900, 700}, 804, 608},    // pulled back to the right and bottom edges
        {Point{-5, -7}, 0, 0},          // negative becomes 0
        {Point{-32000, -32000}, 0, 0},  // closed while minimised
        {Point{5000, 10}, 804, 10},
    };
    for (const Case& c : cases) {
        const Point p = PlaceWindow(1024, 738, 220, 130, c.saved);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
    // A window larger than the work area starts at 0.
    EXPECT_EQ(PlaceWindow(100, 100, 220, 130, Point{50, 50}).x, 0);
    // Halves round toward zero.
    EXPECT_EQ(PlaceWindow(1025, 739, 221, 131, std::nullopt).x, 512 - 110);
}

}  // namespace
}  // namespace vorlax::app
