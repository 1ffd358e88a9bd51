// Character references through the scanner: whole documents in, whole texts out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codes/entities.h"
#include "engine/converter.h"
#include "engine/pipeline.h"

namespace {

struct Case {
    const char* html;
    const char* text;
};

std::string Convert(const std::string& html, const vorlax::Options& options = {}) {
    return vorlax::ConvertDocument(options, html);
}

TEST(References, Decoded) {
    const Case cases[] = {
        {"&amp;", "&\r\n"},
        {"&AMP;", "&AMP;\r\n"},            // names are case-sensitive
        {"&fnof;", "&fnof;\r\n"},          // not in the table
        {"&#65;&#x41;&#X41;", "AAA\r\n"},
        {"&#x;", "&#x;\r\n"},
        {"&#;", "&#;\r\n"},
        {"&#X;", "&#X;\r\n"},
        {"&#abc;", "&#abc;\r\n"},
        {"&#169;", "(C)\r\n"},             // the scanner's shortcut
        {"&#xA9;", "c\r\n"},
        {"&#0169;", "c\r\n"},
        {"&#xAE;", "R\r\n"},
        {"&#xA0;x", "?x\r\n"},
        {"&#160;x", " x\r\n"},
        {"&#65abc;", "A\r\n"},             // trailing characters ignored
        {"&#+65;", "A\r\n"},
        {"&#\t65;", "A\r\n"},              // leading white space, as scanf
        {"&#x0x41;", "A\r\n"},             // %x takes an 0x prefix
        {"&#x3042;", "\x82\xA0\r\n"},
        {"&#0;", "?\r\n"},
        {"&#65535;", "?\r\n"},
        {"&#65536;", "??\r\n"},            // above 0xFFFF: no wrapping
        {"&#65601;", "??\r\n"},
        {"&#x1F600;", "??\r\n"},
        {"&#x24E00;", "??\r\n"},           // not U+4E00
        {"&#-1;", "??\r\n"},
        {"&#-0;", "?\r\n"},
        {"&#99999999;", "??\r\n"},         // a large number stays out of reach
        {"&#99999999999;", "??99;\r\n"},   // the name holds ten bytes at most
        {"&trade;", "?\r\n"},
        {"&ensp;", "??\r\n"},
        {"&yen;&brvbar;", "\x5C\x7C\r\n"},
        {"&Eacute;&szlig;&yuml;", "Esy\r\n"},
        {"&alpha;&Omega;", "\x83\xBF\x83\xB6\r\n"},
        {"&hellip;&rArr;", "\x81\x63\x81\xCB\r\n"},
        {"&quot;&lt;&gt;", "\"<>\r\n"},
        {"&sigmaf;&euro;&OElig;", "????\r\n"},
        {"&permil;&Dagger;", "\x81\xF1\x81\xF6\r\n"},
        {"&thetasym", "?\r\n"},            // the longest name, at the end of input
    };
    for (const Case& c : cases) EXPECT_EQ(Convert(c.html), c.text) << c.html;
}

// A double-byte result at the end of a line moves whole to the next line.
TEST(References, WrapAppliesToDoubleByteResults) {
    vorlax::Options o;
    o.SWqk = 1;
    o.Column = 4;
    EXPECT_EQ(Convert("abc&#x3042;d", o), "abc\r\n\x82\xA0" "d\r\n");
    EXPECT_EQ(Convert("ab&#x3042;d", o), "ab\x82\xA0\r\nd\r\n");
}

// Numeric names are read as the C library reads "#%d", "#x%x" and "#X%x":
// every name of up to four characters after "#" over an alphabet of digits,
// letters, signs and white space, against sscanf itself.
TEST(References, NumbersReadAsTheCLibraryReads) {
    const char alphabet[] = {'#', 'x', 'X', '0', '1', 'a', 'f', 'g', ' ', '-', '+', '\t'};
    const int n = sizeof alphabet;
    std::vector<std::string> names;
    for (int len = 0; len <= 4; ++len) {
        long count = 1;
        for (int k = 0; k < len; ++k) count *= n;
        for (long index = 0; index < count; ++index) {
            std::string name = "#";
            for (long v = index, k = 0; k < len; ++k, v /= n) name += alphabet[v % n];
            names.push_back(name);
        }
    }
    std::string differences;
    for (const std::string& name : names) {
        int d;
        unsigned x;
        constexpr long kDeclined = -1000000, kOutside = -2000000;
        long expected;
        if (std::sscanf(name.c_str(), "#%d", &d) == 1) expected = d;
        else if (std::sscanf(name.c_str(), "#x%x", &x) == 1) expected = static_cast<int>(x);
        else if (std::sscanf(name.c_str(), "#X%x", &x) == 1) expected = static_cast<int>(x);
        else expected = kDeclined;
        if (expected != kDeclined && (expected < 0 || expected > 0xFFFF)) expected = kOutside;
        const vorlax::ReferenceValue v = vorlax::ReadReferenceName(name.c_str());
        const long got = v.kind == vorlax::ReferenceValue::kDeclined  ? kDeclined
                         : v.kind == vorlax::ReferenceValue::kOutside ? kOutside
                                                                      : v.code;
        if (got != expected)
            differences += "[" + name + "] " + std::to_string(got) + " " + std::to_string(expected) + "\n";
    }
    EXPECT_EQ(differences, "");
}

TEST(EntityTable, OrderAndTerminator) {
    std::string names;
    for (int i = 0; i < vorlax::kEntityCount; ++i) {
        const vorlax::Entity& e = vorlax::kEntities[i];
        if (i < 96) {
            EXPECT_EQ(e.code, 0xA0 + i) << e.name;
        }
        if (i == 0 || i == 95 || i == 96 || i == 218 || i == 219 || i == 250)
            names += std::string(e.name) + " ";
    }
    EXPECT_EQ(names, "nbsp yuml Alpha diams quot euro ");
    EXPECT_EQ(vorlax::kEntities[251].name[0], '\0');
    EXPECT_EQ(vorlax::kEntities[251].code, 0);
}

// Every record's name finds its own code (names are unique), and the decoded
// bytes of every entity match the classes the table gives them.
TEST(EntityTable, EveryNameResolves) {
    for (int i = 0; i < vorlax::kEntityCount; ++i) {
        const vorlax::ReferenceValue v = vorlax::ReadReferenceName(vorlax::kEntities[i].name);
        EXPECT_EQ(v.kind, vorlax::ReferenceValue::kCode) << vorlax::kEntities[i].name;
        EXPECT_EQ(v.code, vorlax::kEntities[i].code) << vorlax::kEntities[i].name;
    }
    std::string question, outside;
    for (int i = 0; i < vorlax::kEntityCount; ++i) {
        const std::string name = vorlax::kEntities[i].name;
        if (name == "nbsp" || name == "copy" || name == "reg") continue;  // the scanner's own
        const std::string text = Convert("&" + name + ";");
        if (text == "?\r\n") question += name + " ";
        if (text == "??\r\n") outside += name + " ";
    }
    EXPECT_EQ(question,
              "curren frac14 frac12 frac34 iquest sigmaf thetasym upsih piv bull oline frasl "
              "weierp image real trade alefsym harr crarr lArr uArr dArr empty notin prod minus "
              "lowast sim cong asymp le ge nsub oplus otimes sdot lceil rceil lfloor rfloor lang "
              "rang loz spades clubs hearts diams ndash mdash sbquo bdquo lsaquo rsaquo euro ");
    EXPECT_EQ(outside, "OElig oelig Scaron scaron Yuml circ tilde ensp emsp thinsp zwnj zwj lrm rlm ");
}

}  // namespace

namespace {

// The name lookup finds what a search of the table in order finds.
TEST(EntityLookup, SameAsSearchInOrder) {
    auto linear = [](const char* name) {
        for (int i = 0; i < vorlax::kEntityCount; ++i)
            if (std::strcmp(vorlax::kEntities[i].name, name) == 0) return i;
        return -1;
    };
    for (int i = 0; i < vorlax::kEntityCount; ++i) {
        EXPECT_EQ(vorlax::FindEntity(vorlax::kEntities[i].name), i) << vorlax::kEntities[i].name;
        std::string other = vorlax::kEntities[i].name;
        other[0] = static_cast<char>(other[0] ^ 0x20);  // the other letter case
        EXPECT_EQ(vorlax::FindEntity(other.c_str()), linear(other.c_str())) << other;
        other = std::string(vorlax::kEntities[i].name) + "x";
        EXPECT_EQ(vorlax::FindEntity(other.c_str()), -1) << other;
    }
    for (const char* name : {"", "fnof", "#65", "amp ", "a", "ampamp", "\xFF"})
        EXPECT_EQ(vorlax::FindEntity(name), linear(name)) << name;
}

}  // namespace
