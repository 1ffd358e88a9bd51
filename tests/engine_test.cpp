// Byte-exact tests of the scanner, the output operations, the tags and the
// alignment pass. Expectations are in the internal text form ({L}, {C}, {R}
// stand for the three line markers) unless a case says it is final text.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/aligner.h"
#include "engine/attributes.h"
#include "engine/converter.h"
#include "engine/pipeline.h"
#include "engine/rule_length.h"
#include "test_support.h"

namespace vorlax::test {
namespace {

struct ScanCase {
    const char* name;
    std::string html;
    Settings settings;
    std::string expected;  // internal form, markers written as {L} {C} {R}
};

void RunScanCases(const std::vector<ScanCase>& cases) {
    for (const ScanCase& c : cases) {
        const std::string got = Scan(With(c.settings), c.html);
        EXPECT_EQ(Visible(got), Visible(Markers(c.expected))) << c.name;
    }
}

const std::string k100(100, 'x');

TEST(Scanner, WhiteSpaceCommentsMetaAndReferences) {
    RunScanCases({
        {"empty document ends with a line end", "", {}, "\n"},
        {"empty document without SWendcr", "", {{"SWendcr", 0}}, ""},
        {"text without a final line end gets one", "ab", {}, "ab\n"},
        {"no final line end with SWendcr off", "ab", {{"SWendcr", 0}}, "ab"},
        {"white space collapses", "a  \t\r\n b", {}, "a b\n"},
        {"white space kept with SWspcut off", "a  b", {{"SWspcut", 0}}, "a  b\n"},
        {"leading white space of the document dropped", "  a", {}, "a\n"},
        {"EOF code dropped wherever it stands", "a\x1A" "b\x1A", {}, "ab\n"},
        {"EOF code kept with SWeofcut off", "a\x1A" "b", {{"SWeofcut", 0}}, "a\x1A" "b\n"},
        {"comment ends at the first ->", "<!-- a->b -->", {}, "b -->\n"},
        {"<!--> is a complete comment", "<!-->x", {}, "x\n"},
        {"<!-> swallows text up to the next ->", "<!->x->y", {}, "y\n"},
        {"unterminated comment ends the document", "a<!-- b", {}, "a\n"},
        {"META with a quoted > is consumed whole", "<META content=\"a>b\">x", {}, "x\n"},
        {"META in any letter case", "<meta http-equiv=x content=y>z", {}, "z\n"},
        {"a quote after another byte opens no stretch", "<META a\"b>c\">", {}, "c\">\n"},
        {"shortcut references", "&copy;&#169;&reg;&#174;", {}, "(C)(C)(R)(R)\n"},
        {"nbsp ended by a space consumes it", "a&nbsp b", {}, "a b\n"},
        {"hard spaces never collapse", "a&nbsp;&nbsp;&#160;b", {}, "a   b\n"},
        {"hard space at the head of a line stays", "&nbsp;a", {}, " a\n"},
        {"shortcuts are case-sensitive", "&COPY;", {}, "&COPY;\n"},
        {"declined name with ; comes out unchanged", "&zz;x", {}, "&zz;x\n"},
        {"declined name ended by a space keeps the space", "&zz x", {}, "&zz x\n"},
        {"& followed by eleven letters", "&abcdefghijk", {}, "&abcdefghijk\n"},
        {"< ends a name and starts a tag", "&zz<b>x", {}, "&zzx\n"},
        {"& ends a name and starts a reference", "&zz&copy;", {}, "&zz(C)\n"},
        {"reference cut by the end of input", "a&cop", {}, "a&cop\n"},
        {"lone ampersand", "a & b", {}, "a & b\n"},
        {"0xFF after a declined name is kept", "&ab\xFF" "c", {}, "&ab\xFF" "c\n"},
        {"0xFF after a shortcut is kept", "&copy\xFF", {}, "(C)\xFF\n"},
    });
}

TEST(Scanner, TagReader) {
    const std::string long_text(10238, 'x');
    RunScanCases({
        {"unknown tags produce nothing", "a<b>b</b><foo bar>c", {}, "abc\n"},
        {"tag cut short by the end of input is handled", "a<BR", {}, "a\n{L}"},
        {"<BR/> matches no tag", "<BR/>", {}, "\n"},
        {"a line break between name and attribute is a space", "<DIV\r\nalign=right>x", {},
         "\n{R}x\n"},
        {"line breaks at the start of a tag vanish", "<\nBR>x", {}, "\n{L}x\n"},
        {"a line break after a space adds nothing", "<DIV \nalign=right>x", {}, "\n{R}x\n"},
        {"tag text of 10238 bytes is handled", std::string("<BR ") + long_text.substr(3) + ">x", {},
         "\n{L}x\n"},
        {"tag text of 10239 bytes is dropped", std::string("<BR ") + long_text.substr(2) + ">x", {}, "x\n"},
        {"tag without > in reach: the rest is text", std::string("<") + std::string(10240, 'a') + "b>c", {},
         "b>c\n"},
        {"0xFF ends a tag", "<BR\xFFx", {}, "\n{L}x\n"},
    });
}

// A tag is looked up sixteen bytes at a time where that many bytes follow
// its "<", and a byte at a time near the end of the input: both give the
// same action.
TEST(Scanner, TagLookupNearTheEndAndAwayFromIt) {
    using namespace std::string_literals;
    const std::string tags[] = {
        "<p>", "<P ALIGN=right>", "<pRe>", "</Pre>", "<li>", "<Td>", "<tr x>", "<h6>", "</H6>",
        "<hr>", "<br>", "<dd>", "<dt>", "<a href=x>", "<A name=y>", "<a>", "</a>", "<img>",
        "</BLOCKQUOTE>", "</BLOCKQUOTEX>", "<blockquote >", "<ul><li>", "<ol><li>",
        "<span>", "<p\0>"s, "<\0p>"s, "<p\0 >"s, "<>", "< p>", "<div align=center>",
    };
    const std::string far = "<!--" + std::string(40, '-') + "-->";  // adds nothing
    const Options o = With({{"SWlink", 1}, {"SWimage", 1}});
    for (const std::string& tag : tags)
        EXPECT_EQ(Visible(Scan(o, tag + "x" + far)), Visible(Scan(o, tag + "x"))) << tag;
}

TEST(Scanner, PreformattedText) {
    RunScanCases({
        {"PRE followed by a line break", "<PRE>\na  b\nc</PRE>d", {},
         "\n\n\n{L}a  b\n{L}c\n\nd\n"},
        {"CR LF is one line break", "x<PRE>a\r\nb</PRE>", {}, "x\n\na\n{L}b\n\n"},
        {"LF CR is two line breaks", "x<PRE>a\n\rb</PRE>", {}, "x\n\na\n{L}\n{L}b\n\n"},
        {"CR alone is a line break", "x<PRE>a\rb", {}, "x\n\na\n{L}b\n"},
        {"TAB stays a TAB", "x<XMP>a\tb</XMP>", {}, "x\n\na\tb\n\n"},
        {"trailing spaces are kept", "x<PRE>a  \nb", {}, "x\n\na  \n{L}b\n"},
        {"tags and references still work", "x<pre>a&copy;<b>b</pre>", {}, "x\n\na(C)b\n\n"},
        {"/XMP closes PRE", "x<PRE>a</XMP>b", {}, "x\n\na\n\nb\n"},
    });
}

TEST(LineShaping, SpacesLineStartsAndWrap) {
    RunScanCases({
        {"a word between two line starts", "<BR>  a  <BR>", {}, "\n{L}a\n{L}"},
        {"spaces stay with SWspcut2 off", "<BR> a <BR>", {{"SWspcut2", 0}}, "\n{L} a \n{L}"},
        {"only the last trailing space is taken back", "<BR>a   <BR>",
         {{"SWspcut", 0}}, "\n{L}a  \n{L}"},
        {"line start after a line start replaces it", "<DIV><DIV><DIV>x", {}, "\n{L}x\n"},
        {"wrap at Column", k100, {{"SWqk", 1}},
         std::string(79, 'x') + "\n{L}" + std::string(21, 'x') + "\n"},
        {"continuation lines are left-aligned", "<CENTER>" + k100, {{"SWqk", 1}},
         "\n{C}" + std::string(79, 'x') + "\n{L}" + std::string(21, 'x') + "\n"},
        {"a double-byte character moves whole", std::string(78, 'x') + "\x88\x9F", {{"SWqk", 1}},
         std::string(78, 'x') + "\n{L}\x88\x9F\n"},
        {"a double-byte character that fits stays", std::string(77, 'x') + "\x88\x9F",
         {{"SWqk", 1}}, std::string(77, 'x') + "\x88\x9F\n"},
        {"no wrap without SWqk", k100, {}, k100 + "\n"},
        {"spaces never wrap", std::string(79, 'x') + "   y", {{"SWqk", 1}},
         std::string(79, 'x') + "\n{L}y\n"},
        {"list continuation keeps its indentation", "<UL><UL><LI>" + k100, {{"SWqk", 1}},
         "\n\n{L}    * " + std::string(73, 'x') + "\n{L}    " + std::string(27, 'x') + "\n"},
        {"Column 0 wraps like Column 1", "abc", {{"SWqk", 1}, {"Column", 0}},
         "a\n{L}b\n{L}c\n"},
        {"negative Column wraps like Column 1", "ab", {{"SWqk", 1}, {"Column", -5}},
         "a\n{L}b\n"},
        {"Column 1 with double-byte text", "\x88\x9F\x88\x9F", {{"SWqk", 1}, {"Column", 1}},
         "\n{L}\x88\x9F\n{L}\x88\x9F\n"},
        {"double-byte text wraps two columns at a time", "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8",
         {{"SWqk", 1}, {"Column", 5}}, "\x82\xA0\x82\xA2\n{L}\x82\xA4\x82\xA6\n{L}\x82\xA8\n"},
        {"single and double bytes mixed", "a\x82\xA0" "b\x82\xA2" "cd\x82\xA4",
         {{"SWqk", 1}, {"Column", 4}}, "a\x82\xA0" "b\n{L}\x82\xA2" "cd\n{L}\x82\xA4\n"},
        {"a lead byte before a tag", "\x82\xA0\x82<br>x", {{"SWqk", 1}, {"Column", 10}},
         "\x82\xA0\x82\n{L}x\n"},
    });
}

TEST(BlockTags, ParagraphsHeadingsAlignment) {
    RunScanCases({
        {"centre scope", "a<center>b</center>c", {}, "a\n{C}b\nc\n"},
        {"closing P line keeps the centre", "<center><p>x</p></center>y", {},
         "\n{C}\n{C}x\n\n{C}y\n"},
        {"DIV right inside CENTER", "<center>a<div align=right>b</div>c</center>", {},
         "\n{C}a\n{R}b\n{C}c\n"},
        {"new P ends the previous P's alignment", "<p align=center>x<p>y", {},
         "\n\n{C}x\n\n{L}y\n"},
        {"a centred DIV around paragraphs stays", "<div align=center><p align=right>x<p>y</div>",
         {}, "\n{C}\n{R}x\n\n{C}y\n{L}"},
        {"heading value after lower-casing", "<h2 align=\"RIGHT\">t</h2>", {}, "\n\n{R}t\n\n{L}"},
        {"any heading end closes any heading", "<h1 align=center>a</h3>b", {},
         "\n\n{C}a\n\n{L}b\n"},
        {"valign on a DIV reads top and pushes nothing", "<center><div valign=top>x</div>", {},
         "\n{C}x\n{C}"},
        {"plain DIV restores left alignment", "<center><div>x</div>y", {}, "\n{L}x\n{C}y\n"},
        {"end tag with align opens a scope", "</p align=right>x", {}, "\n\n{R}x\n"},
        {"two block tags give one empty line", "a<p><p><blockquote>b", {}, "a\n\n{L}b\n"},
        {"closing CENTER begins no line", "<center>a</center>b", {}, "\n{C}a\nb\n"},
        {"closing CENTER without a scope does nothing", "a</center>b", {}, "ab\n"},
        {"consecutive BR give empty lines", "a<br><br>b", {}, "a\n{L}\n{L}b\n"},
        {"definition list", "<dl><dt>t<dd>d</dl>x", {}, "\n\n{L}t\n{L}  d\n\n{L}x\n"},
        {"P is not PRE", "a<PRE>b", {}, "a\n\nb\n"},
        {"BLOCKQUOTE is not indented", "a<blockquote><p>b</blockquote>", {}, "a\n\n{L}b\n\n{L}"},
    });
}

TEST(BlockTags, AlignmentStackDepth) {
    std::string open;
    for (int i = 0; i < 255; ++i) open += "<center>";
    // The 256th CENTER opens no scope and begins no line; the 255 scopes close one by one.
    RunScanCases({
        {"256th CENTER ignored", open + "a<center>b", {}, "\n{C}ab\n"},
        {"a P at full depth pushes nothing", open + "<p align=right>x", {}, "\n{C}\n{C}x\n"},
    });
}

TEST(BlockTags, HorizontalRules) {
    const std::string full(79, '-');
    RunScanCases({
        {"full-width rule", "<hr>", {}, "\n{L}" + full + "\n{L}"},
        {"half rule is centred", "<hr width=\"50%\">", {},
         "\n{L}" + std::string(20, ' ') + std::string(39, '-') + "\n{L}"},
        {"inside a list the rule shortens", "<UL><hr width=\"50%\"></UL>", {},
         "\n\n{L}  " + std::string(20, ' ') + std::string(37, '-') + "\n{L}\n{L}"},
        {"pixel width is full width", "<hr width=200>", {}, "\n{L}" + full + "\n{L}"},
        {"above 100% is 100%", "<hr width=250%>", {}, "\n{L}" + full + "\n{L}"},
        {"left", "<hr width=10% align=left>", {}, "\n{L}-------\n{L}"},
        {"right", "<hr width=10% align=right>", {}, "\n{L}" + std::string(72, ' ') + "-------\n{L}"},
        {"unknown align centres", "<hr width=10% align=top>", {},
         "\n{L}" + std::string(36, ' ') + "-------\n{L}"},
        {"no lead-in inside an alignment scope", "<center><hr width=10%>", {},
         "\n{C}-------\n{C}"},
        {"Column 10", "<hr width=50%>", {{"Column", 10}}, "\n{L}  -----\n{L}"},
        {"the length is a product of doubles: 0.29 is a little less", "<hr width=29% align=left>",
         {{"Column", 100}}, "\n{L}" + std::string(28, '-') + "\n{L}"},
        {"Column 0 draws nothing", "<hr>", {{"Column", 0}}, "\n{L}"},
        {"negative width draws no dashes", "<hr width=-50%>", {{"Column", 10}},
         "\n{L}       \n{L}"},
        {"huge negative width is bounded", "<hr width=-99999999999%>", {{"Column", 10}},
         "\n{L}          \n{L}"},
    });
}

// Where doubles are evaluated as doubles, the integer rule length is the
// product of doubles for every percentage and every 16-bit line width.
#if FLT_EVAL_METHOD == 0
TEST(BlockTags, RuleLengthIsTheProductOfDoubles) {
    for (long long percent = -100; percent <= 100; ++percent) {
        const volatile double fraction = static_cast<double>(percent) * 0.01;
        for (long long column = -32768; column <= 32767; ++column) {
            const auto doubles = static_cast<long long>(fraction * static_cast<double>(column));
            if (RuleLength(percent, column) != doubles)
                FAIL() << percent << "% of " << column << ": " << RuleLength(percent, column)
                       << ", doubles give " << doubles;
        }
    }
}
#endif

TEST(Lists, NestingNumbersAndBreaks) {
    RunScanCases({
        {"unordered list", "x<UL><LI>a<LI>b</UL>y", {}, "x\n\n{L}  * a\n{L}  * b\n\n{L}y\n"},
        {"ordered list numbers", "<OL><LI>a<LI>b<LI>c</OL>", {},
         "\n\n{L}  1.a\n{L}  2.b\n{L}  3.c\n\n{L}"},
        {"space after LI", "<OL><LI> a</OL><UL><LI> b</UL>", {},
         "\n\n{L}  1. a\n\n{L}  *  b\n\n{L}"},
        {"nested list indented and numbered on its own",
         "<OL><LI>a<LI>b<OL><LI>c<LI>d</OL><LI>e</OL>", {},
         "\n\n{L}  1.a\n{L}  2.b\n{L}    1.c\n{L}    2.d\n{L}  3.e\n\n{L}"},
        {"/OL closes an unordered list", "<UL><LI>a</OL>b", {}, "\n\n{L}  * a\n\n{L}b\n"},
        {"item outside a list", "a<LI>x", {}, "a\n{L}* x\n"},
        {"extra closing tags are ignored", "</UL></OL>x", {}, "x\n"},
        {"MENU and DIR are unordered lists", "<MENU><LI>a</MENU><DIR><LI>b</DIR>", {},
         "\n\n{L}  * a\n\n{L}  * b\n\n{L}"},
        {"open list ends the document with a line end", "<UL><LI>a", {{"SWendcr", 0}},
         "\n\n{L}  * a\n"},
        {"list after a paragraph adds no second empty line", "<p>a<p><UL><LI>b</UL>", {},
         "\n\n{L}a\n\n{L}  * b\n\n{L}"},
    });
}

TEST(Lists, DeepNesting) {
    std::string html;
    for (int i = 0; i < 300; ++i) html += "<UL>";
    html += "<LI>x";
    const std::string got = Scan(Options{}, html);
    // 255 levels at most: the item is indented by 510 spaces.
    EXPECT_EQ(Visible(got), Visible(Markers("\n\n{L}" + std::string(510, ' ') + "* x\n")));
}

TEST(Tables, RowsCellsAndSeparators) {
    RunScanCases({
        {"space separator", "<TR><TD>a<TD>b<TD>c", {}, "\n{L}a b c\n"},
        {"comma separator", "<TR><TD>a<TD>b<TD>c", {{"SWdiv", 1}}, "\n{L}a,b,c\n"},
        {"TAB separator", "<TR><TD>a<TD>b<TD>c", {{"SWdiv", 2}}, "\n{L}a\tb\tc\n"},
        {"no separator", "<TR><TD>a<TD>b<TD>c", {{"SWdiv", 3}}, "\n{L}abc\n"},
        {"empty leading cells", "<TR><TD><TD>b", {}, "\n{L}b\n"},
        {"source space before the separator", "<TR><TD>a</TD> <TD>b", {{"SWdiv", 1}},
         "\n{L}a ,b\n"},
        {"space at the head of a row with SWspcut2 off", "<TR> <TD>a", {{"SWspcut2", 0}},
         "\n{L}  a\n"},
        {"separator space is never taken back", "<TR><TD>a<TD><TR><TD>b", {},
         "\n{L}a \n{L}b\n"},
        {"rows, caption and nested table", "<TABLE><CAPTION>c</CAPTION><TR><TH>h<TR><TD>"
         "<TABLE><TR><TD>i</TABLE></TABLE>x", {}, "\n{L}c\n{L}h\n{L}i\n{L}x\n"},
        {"SWtableLeft keeps rows left", "<CENTER><TABLE><TR><TD>a</TABLE>x</CENTER>",
         {{"SWtableLeft", 1}}, "\n{L}a\n{C}x\n"},
        {"without SWtableLeft rows are centred", "<CENTER><TABLE><TR><TD>a</TABLE>x</CENTER>",
         {}, "\n{C}a\n{C}x\n"},
    });
}

TEST(Tables, DepthStopsAtItsLargestValue) {
    // 65,536 open tables keep the text inside them left-aligned: the depth
    // does not wrap back to 0.
    std::string html;
    for (int i = 0; i < 65536; ++i) html += "<TABLE>";
    html += "<CENTER>x</CENTER>";
    const std::string got = Scan(With({{"SWtableLeft", 1}}), html);
    EXPECT_EQ(Visible(got), Visible(Markers("\n{L}x\n")));
}

TEST(LinksAndImages, Links) {
    RunScanCases({
        {"links off by default", "<a href=\"http://x/\">l</a>z", {}, "lz\n"},
        {"external link", "<a href=\"http://x/\">l</a>z", {{"SWlink", 1}}, "l<http://x/>z\n"},
        {"scheme is case-sensitive", "<a href=\"HTTP://x/\">l</a>z", {{"SWlink", 1}}, "lz\n"},
        {"relative target dropped", "<a href=\"rel.htm\">l</a>z", {{"SWlink", 1}}, "lz\n"},
        {"relative target with SWlink_e off", "<a href=\"rel.htm\">l</a>z",
         {{"SWlink", 1}, {"SWlink_e", 0}}, "l<rel.htm>z\n"},
        {"own line, unquoted target keeps the final space", "<a href=ftp://x>l</a>z",
         {{"SWlink", 1}, {"SWlink_n", 1}}, "l\n{L}<ftp://x >\n{L}z\n"},
        {"NAME before HREF is no link", "<A NAME=top HREF=x>l</a>",
         {{"SWlink", 1}, {"SWlink_e", 0}}, "l\n"},
        {"line break after A is a space", "<A\r\nHREF=\"http://x\">l</A>", {{"SWlink", 1}},
         "l<http://x>\n"},
        {"a second start replaces the target", "<a href=\"http://a\"><a href=\"http://b\">l</a>",
         {{"SWlink", 1}}, "l<http://b>\n"},
        {"an unclosed link writes nothing", "<a href=\"http://a\">l", {{"SWlink", 1}}, "l\n"},
    });
}

TEST(LinksAndImages, Images) {
    RunScanCases({
        {"images dropped by default", "a<IMG SRC=x.gif>b", {}, "ab\n"},
        {"src keeps its letter case", "<IMG SRC=\"Pic.GIF\">", {{"SWimage", 1}}, "[Pic.GIF]\n"},
        {"empty src gives nothing", "<IMG SRC=\"\">x", {{"SWimage", 1}}, "x\n"},
        {"no attributes", "<IMG>", {{"SWimage", 1}}, "[Image]\n"},
        {"fixed text", "<IMG SRC=a.gif ALT=\"cat\">", {{"SWimage", 1}, {"SWimageStr", 0}},
         "[Image]\n"},
        {"alt", "<IMG SRC=a.gif ALT=\"cat\">", {{"SWimage", 1}, {"SWimageStr", 2}}, "[cat]\n"},
        {"missing alt", "<IMG SRC=a.gif>", {{"SWimage", 1}, {"SWimageStr", 2}}, "[Image]\n"},
        {"default template", "<IMG SRC=a.gif ALT=\"cat\">", {{"SWimage", 1}, {"SWimageStr", 3}},
         "[\x89\xE6\x91\x9C(cat)]\n"},
        {"line break after IMG is a space", "a<IMG\nSRC=a>b", {{"SWimage", 1}}, "a[a ]b\n"},
        {"src found inside another value", "<IMG ALT=\"src=x\" SRC=y>", {{"SWimage", 1}},
         "[x]\n"},
        {"other SWimageStr values give nothing", "<IMG SRC=a>", {{"SWimage", 1}, {"SWimageStr", 4}},
         "\n"},
    });
}

TEST(LinksAndImages, Templates) {
    struct Case {
        const char* name;
        const char* templ;
        std::string expected;
    };
    const Case cases[] = {
        {"src and alt", "%S / %s", "a.gif / cat"},
        {"percent pairs", "%%%x%", "%x"},
        {"lead byte after percent", "%\x88\x9F!", "\x88\x9F!"},
        {"lead byte keeps a % trail", "\x81%S", "\x81%S"},
        // A "<" that opens a line no marker opens is preceded by the left marker.
        {"missing attribute writes nothing", "<%s|%S>", Markers("{L}<cat|a.gif>")},
    };
    for (const Case& c : cases) {
        Options o = With({{"SWimage", 1}, {"SWimageStr", 3}});
        std::snprintf(o.AltString, sizeof o.AltString, "%s", c.templ);
        EXPECT_EQ(Visible(Scan(o, "<IMG SRC=\"a.gif\" ALT=\"cat\">")), Visible(c.expected + "\n"))
            << c.name;
    }
    // A template filling its whole buffer is read no further than its 255th byte.
    Options o = With({{"SWimage", 1}, {"SWimageStr", 3}});
    std::memset(o.AltString, 'a', sizeof o.AltString);
    EXPECT_EQ(Scan(o, "<IMG>"), std::string(255, 'a') + "\n");
}

TEST(SkippedElements, TitleScriptStyle) {
    RunScanCases({
        {"title kept literally", "x<TITLE>A &amp; B</TITLE>y", {}, "xTITLE : A &amp; B\n\ny\n"},
        {"title line breaks removed, spaces kept", "<TITLE>a\r\n b  c</TITLE>", {},
         "TITLE : a b  c\n\n"},
        {"title dropped with SWtitle off", "x<TITLE>A\nB</TITLE>y", {{"SWtitle", 0}}, "xy\n"},
        {"title cut by the end of input loses its window", "<TITLE>abcdefghij", {},
         "TITLE : abcd\n\n"},
        {"script end needs the whole prefix", "<SCRIPT>if (a</b) x();</SCRIPT>z", {}, "z\n"},
        {"script end in mixed case with a space", "<script>a</Script >z", {}, "z\n"},
        {"any end tag beginning with the prefix", "<style>p{}</STYLEx>z", {}, "z\n"},
        {"applet", "a<APPLET code=x><param></APPLET>b", {}, "ab\n"},
        {"unclosed script swallows the rest", "a<SCRIPT>b", {}, "a\n"},
        {"an end tag right after a \"<\"", "<script><</SCRIPT>z", {}, "z\n"},
        {"0xFF ends the content, the next \">\" the element", "<script>a\xFF" "b>c</script>d", {},
         "cd\n"},
        {"title keeps a \"<\" that starts no end tag", "<TITLE>a<b</TITLE>", {},
         "TITLE : a<b\n\n"},
        {"title cut by 0xFF loses its window", "<TITLE>abcdefghij\xFF>z", {},
         "TITLE : abcd\n\nz\n"},
        {"title cut inside its end tag", "<TITLE>abcdefghij</TIT", {}, "TITLE : abcdefghi\n\n"},
        {"title of one byte", "<TITLE>a</title>", {}, "TITLE : a\n\n"},
        {"title with many tags: every \"<\" trails the text in order",
         "<TITLE>ab<p>c<<d\n<e</TITLE>", {}, "TITLE : ab<p>c<<d<e\n\n"},
        {"title cut by the end of input just after a \"<\"", "<TITLE>abc<defg<", {},
         "TITLE : abc\n\n"},
        {"title drops NULs", std::string("<TITLE>a\0b\0\0c</TITLE>", 21), {}, "TITLE : abc\n\n"},
        {"title wraps at the column", "<TITLE>abcdefghijk</TITLE>", {{"SWqk", 1}, {"Column", 10}},
         "TITLE : ab\n{L}cdefghijk\n\n"},
    });
}

TEST(AlignmentPass, Lines) {
    struct Case {
        const char* name;
        std::string internal;
        int column;
        std::string expected;
    };
    const Case cases[] = {
        {"centred", "{C}abc\n", 80, std::string(39, ' ') + "abc\r\n"},
        {"right", "{R}abc\n", 80, std::string(77, ' ') + "abc\r\n"},
        {"centred 79 bytes get one space", "{C}" + std::string(79, 'x') + "\n", 80,
         " " + std::string(79, 'x') + "\r\n"},
        {"centred 80 bytes unpadded", "{C}" + std::string(80, 'x') + "\n", 80,
         std::string(80, 'x') + "\r\n"},
        {"marker alone is an empty line", "{C}\n", 80, "\r\n"},
        {"double-byte right", "{R}\x82\xA0\x82\xA0\x82\xA0\n", 80,
         std::string(74, ' ') + "\x82\xA0\x82\xA0\x82\xA0\r\n"},
        {"last line without LF", "{R}x", 80, std::string(80, ' ') + "x"},
        {"left keeps indentation", "{L}  ab\n", 80, "  ab\r\n"},
        {"no marker", "abc\n", 80, "abc\r\n"},
        {"marker case ignored", "<[CENTER]>abc\n", 80, std::string(39, ' ') + "abc\r\n"},
        {"Column 1", "{C}a\n{R}b\n", 1, "a\r\nb\r\n"},
        {"Column 0 is taken as 1", "{C}a\n{R}\n", 0, "a\r\n\r\n"},
        {"Column above 255", "{R}a\n", 300, std::string(299, ' ') + "a\r\n"},
        {"short line", "<[cen\n", 80, "<[cen\r\n"},
        {"marker at end of input", "x\n{C}", 80, "x\r\n"},
        {"marker-like text mid-line is text", "a{C}b\n", 80, "a<[center]>b\r\n"},
        {"no line end at the end", "ab", 80, "ab"},
    };
    for (const Case& c : cases) {
        Options o;
        o.Column = static_cast<std::int16_t>(c.column);
        const std::string internal = Markers(c.internal);
        WorkInput in(internal);
        std::string out;
        AlignLines(o, in, out);
        EXPECT_EQ(Visible(out), Visible(c.expected)) << c.name;
    }
}

TEST(WholeDocument, FinalText) {
    struct Case {
        const char* name;
        std::string html;
        std::string expected;
    };
    const Case cases[] = {
        {"centre", "a<center>b</center>c", "a\r\n" + std::string(39, ' ') + "b\r\nc\r\n"},
        {"half rule", "<hr width=\"50%\">",
         "\r\n" + std::string(20, ' ') + std::string(39, '-') + "\r\n"},
        {"BR/ alone", "<BR/>", "\r\n"},
        {"centred first paragraph only", "<p align=center>x<p>y",
         "\r\n\r\n" + std::string(39, ' ') + "x\r\n\r\ny\r\n"},
        {"list", "x<UL><LI>a<LI>b</UL>y", "x\r\n\r\n  * a\r\n  * b\r\n\r\ny\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Visible(ConvertDocument(Options{}, c.html)), Visible(c.expected)) << c.name;
}

// Only the markers the line operations write are markers: text that spells
// one is text wherever it falls, on lines that open with no marker of their
// own as well as mid-line.
TEST(WholeDocument, TextSpellingAMarkerStaysText) {
    struct Case {
        const char* name;
        std::string html;
        std::string expected;
    };
    const std::string centred_c = "\r\n" + std::string(39, ' ') + "c\r\n";
    const Case cases[] = {
        {"first line", "&lt;[center]>x", "<[center]>x\r\n"},
        {"numeric reference, upper case", "&#60;[LEFT__]>z", "<[LEFT__]>z\r\n"},
        {"lines inside PRE", "<pre>&lt;[right_]>p\n&lt;[center]>q</pre>",
         "\r\n\r\n<[right_]>p\r\n<[center]>q\r\n\r\n"},
        {"the line after a title", "<title>t</title>&lt;[center]>after",
         "TITLE : t\r\n\r\n<[center]>after\r\n"},
        {"the line after a closing CENTER", "<center>c</center>&lt;[right_]>after",
         centred_c + "<[right_]>after\r\n"},
        {"a link target", "<title>t</title><a href=\"[center]\"></a>y",
         "TITLE : t\r\n\r\n<[center]>y\r\n"},
        {"mid-line", "a&lt;[center]>b", "a<[center]>b\r\n"},
        {"a short start", "&lt;[cen", "<[cen\r\n"},
    };
    Options o;
    o.SWlink = 1;
    o.SWlink_e = 0;
    for (const Case& c : cases)
        EXPECT_EQ(Visible(ConvertDocument(o, c.html)), Visible(c.expected)) << c.name;
    // In the internal text form, the left marker goes before such a "<".
    EXPECT_EQ(Visible(Scan(Options{}, "&lt;x")), Visible(Markers("{L}<x\n")));
    EXPECT_EQ(Visible(Scan(Options{}, "a&lt;x")), Visible("a<x\n"));
}

TEST(WholeDocument, AbortStopsEarly) {
    std::atomic<bool> abort{true};
    Options o;
    EXPECT_EQ(ConvertDocument(o, "<p>abc", abort), "");
}

TEST(AttributeReaders, WordAndText) {
    struct Case {
        const char* text;
        int capacity;
        const char* word;
        const char* whole;
    };
    const Case cases[] = {
        {" = \"a b\" c ", 1025, "a", "a b"},
        {"=x y ", 1025, "x", "x y "},
        {"", 1025, "", ""},
        {"=\"", 1025, "", ""},
        {"=abc>", 1025, "abc", "abc"},
        {"=abcdef", 4, "abc", "abc"},
    };
    for (const Case& c : cases) {
        char buf[1025];
        EXPECT_EQ(ReadAttrWord(buf, c.text, c.capacity), static_cast<int>(std::strlen(c.word)));
        EXPECT_STREQ(buf, c.word) << c.text;
        EXPECT_EQ(ReadAttrText(buf, c.text, c.capacity), static_cast<int>(std::strlen(c.whole)));
        EXPECT_STREQ(buf, c.whole) << c.text;
    }
}

}  // namespace
}  // namespace vorlax::test
