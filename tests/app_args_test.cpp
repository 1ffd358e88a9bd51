// The command line of the Windows program: splitting like the C runtime,
// CP932 trail bytes, wildcard expansion and its order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/args.h"

namespace vorlax::app {
namespace {

std::vector<std::string> Texts(const std::vector<Argument>& args) {
    std::vector<std::string> out;
    for (const Argument& a : args) out.push_back(a.text + (a.quoted ? "|q" : ""));
    return out;
}

TEST(AppArgs, SplitsLikeTheRuntime) {
    struct Case {
        const char* line;
        std::vector<std::string> args;  // "|q": began with a quote
    };
    const Case cases[] = {
        {"Vorlax.exe", {"Vorlax.exe"}},
        {"\"C:\\Program Files\\Vorlax.exe\" a.htm", {"C:\\Program Files\\Vorlax.exe|q", "a.htm"}},
        {"v  a.htm\t b.htm  ", {"v", "a.htm", "b.htm"}},
        {"v \"a b.htm\" c", {"v", "a b.htm|q", "c"}},
        {"v x\"a b\"y", {"v", "xa by"}},
        {"v \"*.htm\"", {"v", "*.htm|q"}},
        {"v a\\\\\"b c\"", {"v", "a\\b c"}},     // 2n backslashes: n and a grouping quote
        {"v a\\\\\\\"b", {"v", "a\\\"b"}},       // 2n+1: n and a literal quote
        {"v C:\\dir\\ x", {"v", "C:\\dir\\", "x"}},  // backslashes before no quote stand
        {"v \"a\"\"b\"", {"v", "a\"b|q"}},       // "" inside quotes is a quote
        {"v \"\"", {"v", "|q"}},                 // an empty quoted argument
        {"v /r list.txt", {"v", "/r", "list.txt"}},
        // The trail byte of 表 (0x95 0x5C) is no backslash before a quote.
        {"v \"\x95\x5C\" x", {"v", "\x95\x5C|q", "x"}},
        {"v \x95\x5C\"a b\"", {"v", "\x95\x5C" "a b"}},
        // The program's name knows no escapes and ends at its closing quote.
        {"\"C:\\a\\\"b c", {"C:\\a\\|q", "b", "c"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Texts(SplitCommandLine(c.line)), c.args) << c.line;
}

TEST(AppArgs, ComparesWithoutCaseDoubleByteAware) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"a.htm", "B.htm", -1},   // case folded: a before B, unlike the byte order
        {"A.htm", "a.htm", 0},
        {"abc", "ab", 1},
        {"_x", "a", -1},          // capitals fold to small letters: "_" (0x5F) before "a"
        {"\x82\xA0", "\x82\xA2", -1},  // あ before い
        {"\x82\x61", "\x82\x41", 1},   // trail bytes are not folded
        {"z", "\x82\xA0", -1},         // a double-byte character after ASCII
    };
    for (const Case& c : cases) {
        const int r = CompareNoCase(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
}

class FakeLister final : public DirectoryLister {
public:
    std::map<std::string, std::vector<std::string>> listings;
    std::vector<std::string> asked;
    std::vector<std::string> Matches(const std::string& pattern) override {
        asked.push_back(pattern);
        auto it = listings.find(pattern);
        return it == listings.end() ? std::vector<std::string>{} : it->second;
    }
};

TEST(AppArgs, ExpandsWildcards) {
    FakeLister lister;
    lister.listings["*.htm"] = {"b.htm", "A.htm", ".", ".."};
    lister.listings["C:\\web\\p?.htm"] = {"p2.htm", "P1.htm"};
    lister.listings["\x95\x5C\\*.htm"] = {"x.htm"};
    lister.listings["d*/x.htm"] = {};
    struct Case {
        std::string line;
        std::vector<std::string> argv;
    };
    const Case cases[] = {
        {"v *.htm", {"v", "A.htm", "b.htm"}},
        {"v \"*.htm\"", {"v", "*.htm"}},                   // quoted: never expanded
        {"v C:\\web\\p?.htm a", {"v", "C:\\web\\P1.htm", "C:\\web\\p2.htm", "a"}},
        {"v \x95\x5C\\*.htm", {"v", "\x95\x5C\\x.htm"}},   // 表 as the folder
        {"v none*.htm", {"v", "none*.htm"}},               // no match: as written
        {"v d*/x.htm", {"v", "d*/x.htm"}},
        {"v plain.htm", {"v", "plain.htm"}},
        {"*.exe x", {"*.exe", "x"}},                       // the program is never expanded
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandArguments(SplitCommandLine(c.line), lister), c.argv) << c.line;
}

TEST(AppArgs, ListsOnlyArgumentsWithWildcards) {
    FakeLister lister;
    ExpandArguments(SplitCommandLine("v a.htm \"q*.htm\" *.htm /e"), lister);
    EXPECT_EQ(lister.asked, std::vector<std::string>{"*.htm"});
}

}  // namespace
}  // namespace vorlax::app
