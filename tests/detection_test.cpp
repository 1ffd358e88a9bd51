// Detection on evidence, whole conversions: a page that declares no code and
// whose first window is plain ASCII (a long head, a style sheet, English
// navigation) is read on to the first window that shows its code, whether
// it lies in memory, comes from a source that cannot start over (a pipe),
// or from a file; and the limit of what a pipe's detection holds.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "codes/decode.h"
#include "driver_fixture.h"
#include "engine/pipeline.h"
#include "test_support.h"

namespace vorlax::test {
namespace {

// The body's text in each code, and what it gives in CP932.
struct Body {
    int code;
    const char* name;
    std::string bytes;  // <h1>日本語のページ</h1><p>このページには、ふつうの文章と半角のｶﾅがあります。</p>
};

const Body kBodies[] = {
    {kUtf8, "UTF-8",
     "<h1>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8</h1>"
     "<p>\xE3\x81\x93\xE3\x81\xAE\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8\xE3\x81\xAB\xE3\x81\xAF\xE3\x80"
     "\x81\xE3\x81\xB5\xE3\x81\xA4\xE3\x81\x86\xE3\x81\xAE\xE6\x96\x87\xE7\xAB\xA0\xE3\x81\xA8\xE5\x8D"
     "\x8A\xE8\xA7\x92\xE3\x81\xAE\xEF\xBD\xB6\xEF\xBE\x85\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81"
     "\xBE\xE3\x81\x99\xE3\x80\x82</p>"},
    {kShiftJis, "Shift-JIS",
     "<h1>\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x79\x81\x5B\x83\x57</h1>"
     "<p>\x82\xB1\x82\xCC\x83\x79\x81\x5B\x83\x57\x82\xC9\x82\xCD\x81\x41\x82\xD3\x82\xC2\x82\xA4\x82"
     "\xCC\x95\xB6\x8F\xCD\x82\xC6\x94\xBC\x8A\x70\x82\xCC\xB6\xC5\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82"
     "\xB7\x81\x42</p>"},
    {kEuc, "EUC-JP",
     "<h1>\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8</h1>"
     "<p>\xA4\xB3\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8\xA4\xCB\xA4\xCF\xA1\xA2\xA4\xD5\xA4\xC4\xA4\xA6\xA4"
     "\xCE\xCA\xB8\xBE\xCF\xA4\xC8\xC8\xBE\xB3\xD1\xA4\xCE\x8E\xB6\x8E\xC5\xA4\xAC\xA4\xA2\xA4\xEA\xA4"
     "\xDE\xA4\xB9\xA1\xA3</p>"},
};
const std::string kBodyText =
    "\r\n\r\n日本語のページ\r\n\r\nこのページには、ふつうの文章と半角のｶﾅがあります。\r\n\r\n";

// A page's head and what it gives; `end` closes it before the body.
struct Head {
    const char* name;
    std::string bytes;
    std::string text;
};

// A style sheet and a script of about 20 KB: nothing of them is written.
Head StyleHead() {
    std::string css, script;
    for (int i = 0; css.size() < 12000; ++i)
        css += ".nav-" + std::to_string(i) + " { margin: 0 auto; padding: 2px 4px; }\n";
    for (int i = 0; script.size() < 8000; ++i)
        script += "var item" + std::to_string(i) + " = document.getElementById('n" + std::to_string(i) + "');\n";
    return {"style sheet and script",
            "<html><head><style type=\"text/css\">\n" + css + "</style><script>\n" + script +
                "</script></head><body>",
            ""};
}

// English navigation of about 20 KB, written as text.
Head NavigationHead() {
    Head head{"English navigation", "<html><body>\n", ""};
    for (int i = 0; head.bytes.size() < 20000; ++i) {
        const std::string line = "Home | Packages | Documentation, part " + std::to_string(i);
        head.bytes += "<p>" + line + "</p>\n";
        head.text += "\r\n\r\n" + line;
    }
    return head;
}

// Hands out its text at most `step` bytes at a time and cannot start over.
class Pipe final : public ByteSource {
public:
    Pipe(std::string_view text, std::size_t step) : text_(text), step_(step) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        const std::size_t n = text_.copy(buf, std::min(step_, capacity));
        text_.remove_prefix(n);
        return n;
    }

private:
    std::string_view text_;
    std::size_t step_;
};

std::string FromPipe(const Options& options, std::string_view input, std::size_t step,
                     std::size_t* held = nullptr) {
    Pipe pipe(input, step);
    StringSink out;
    StreamConversion conversion(options, pipe, out, Converter::kNeverAbort);
    conversion.Convert();
    if (held) *held = conversion.HeldMost();
    return out.text;
}

Options FixedTo(int code) { return With({{"SWmcode", code}}); }

class Detection : public DriverFixture {
protected:
    Detection() : DriverFixture("vorlax_detection_") {}

    // Converts the bytes as a file with the file driver.
    std::string FromFile(const std::string& input) {
        Write("page.html", input);
        EXPECT_EQ(Convert(Path("page.html")), 1);
        std::string text = Read(Path("page.txt"));
        std::filesystem::remove(Path("page.txt"));
        return text;
    }
};

// The real page's shape: no declaration, about 20 KB of ASCII, then Japanese.
TEST_F(Detection, UndeclaredPageBehindAnAsciiHead) {
    for (const Head& head : {StyleHead(), NavigationHead()}) {
        ASSERT_GT(head.bytes.size(), kDetectionSampleSize);
        for (const Body& body : kBodies) {
            const std::string input = head.bytes + body.bytes + "</body></html>";
            const std::string expected = head.text + kBodyText;
            const std::string what = std::string(head.name) + ", " + body.name;
            EXPECT_EQ(DetectInputCode(input), body.code) << what;
            EXPECT_EQ(Visible(ConvertHtml(Options{}, input)), Visible(expected)) << what;
            EXPECT_EQ(Visible(ConvertHtml(FixedTo(body.code), input)), Visible(expected)) << what << ", fixed";
            for (std::size_t step : {1, 4096, 1 << 16})
                EXPECT_EQ(Visible(FromPipe(Options{}, input, step)), Visible(expected)) << what << ", pipe " << step;
            EXPECT_EQ(Visible(FromFile(input)), Visible(expected)) << what << ", file";
        }
    }
}

// Every case the sample decides is decided as before: the bytes after it do
// not count, whatever they hold.
TEST_F(Detection, TheSampleDecidesWhenItCan) {
    const std::string ascii(20000, 'a');
    const struct {
        std::string sample;
        int code;
        const char* what;
    } cases[] = {
        {"<p>\xA4\xA2</p>", kEuc, "EUC-JP"},
        {"<p>\x82\xA0</p>", kShiftJis, "Shift-JIS"},
        {"<p>\xE3\x81\x82</p>", kUtf8, "UTF-8"},
        {"<meta content=\"text/html; charset=utf-8\">", kUtf8, "META"},
        {"\x1B$B$\"\x1B(B", kJis, "JIS"},
    };
    for (const auto& c : cases)
        for (const Body& body : kBodies) {
            const std::string input = c.sample + ascii + body.bytes;
            EXPECT_EQ(DetectInputCode(input), c.code) << c.what << ", then " << body.name;
            EXPECT_EQ(ConvertHtml(Options{}, input), ConvertHtml(FixedTo(c.code), input))
                << c.what << ", then " << body.name;
        }
}

// A page without a byte of evidence is EUC-JP, which changes no ASCII byte.
TEST_F(Detection, PlainAsciiComesOutUnchanged) {
    const Head head = NavigationHead();
    const std::string input = head.bytes + "<p>done</p>";
    const std::string expected = head.text + "\r\n\r\ndone\r\n\r\n";
    EXPECT_EQ(DetectInputCode(input), kEuc);
    EXPECT_EQ(Visible(ConvertHtml(Options{}, input)), Visible(expected));
    EXPECT_EQ(Visible(FromPipe(Options{}, input, 777)), Visible(expected));
    EXPECT_EQ(Visible(FromFile(input)), Visible(expected));
}

// From a pipe detection holds the input it reads, up to the window that
// begins before kHeldLimit; a file (or a string) it reads to the end and
// then starts over, holding little.
TEST_F(Detection, HeldLimitOfAPipe) {
    constexpr std::size_t kLimit = StreamConversion::kHeldLimit;
    constexpr std::size_t kMostHeld = kLimit + kDetectionSampleSize;
    const std::string sjis = kBodies[1].bytes;
    const struct {
        std::size_t head;  // bytes of ASCII before the Shift-JIS body
        bool pipe_sees_it;
    } cases[] = {
        {kLimit - 100, true},
        {kLimit + 100, true},  // in the window that begins before the limit
        {kLimit + kDetectionSampleSize + 100, false},
    };
    for (const auto& c : cases) {
        std::string input(c.head, ' ');
        input += sjis;
        const std::string as_sjis = ConvertHtml(FixedTo(kShiftJis), input);
        const std::string as_euc = ConvertHtml(FixedTo(kEuc), input);
        ASSERT_NE(as_sjis, as_euc);
        std::size_t held = 0;
        const std::string piped = FromPipe(Options{}, input, 1 << 16, &held);
        EXPECT_TRUE(piped == (c.pipe_sees_it ? as_sjis : as_euc)) << c.head;
        EXPECT_LE(held, kMostHeld) << c.head;
        EXPECT_TRUE(ConvertHtml(Options{}, input) == as_sjis) << c.head << ", in memory";
        EXPECT_TRUE(FromFile(input) == as_sjis) << c.head << ", file";
    }
    // A source that can start over holds little, however far it is read.
    std::string input(3 * kLimit, ' ');
    input += sjis;
    StringSource string(input);
    StringSink out;
    StreamConversion conversion(Options{}, string, out, Converter::kNeverAbort);
    conversion.Convert();
    EXPECT_LE(conversion.HeldMost(), StreamConversion::kRewindableHold + kDetectionSampleSize);
    EXPECT_TRUE(out.text == ConvertHtml(FixedTo(kShiftJis), input));
}

}  // namespace
}  // namespace vorlax::test
