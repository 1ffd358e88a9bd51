// The bounded stream windows give exactly the bytes of a whole document in
// memory, wherever the pieces happen to break.
#include <gtest/gtest.h>

#include <string>

#include "engine/aligner.h"
#include "engine/converter.h"
#include "engine/pipeline.h"
#include "test_support.h"

namespace vorlax::test {
namespace {

// Passes what it is given on in pieces of at most `step` bytes.
class Splitter final : public ByteSink {
public:
    Splitter(ByteSink& next, std::size_t step) : next_(next), step_(step) {}
    void Write(std::string_view bytes) override {
        for (; !bytes.empty(); bytes.remove_prefix(std::min(step_, bytes.size())))
            next_.Write(bytes.substr(0, std::min(step_, bytes.size())));
    }

private:
    ByteSink& next_;
    std::size_t step_;
};

std::string Streamed(const Options& o, std::string_view html, std::size_t in_step,
                     std::size_t out_step) {
    StringSink text;
    LineAligner aligner(o, text, Converter::kNeverAbort);
    Splitter split(aligner, out_step);
    SlowSource source(html, in_step);
    WorkInput in(source, in_step);
    WorkOutput out(split, 1);  // the smallest window there is
    Converter(o).ScanDocument(in, out);
    aligner.Finish();
    return text.text;
}

TEST(Streaming, SameBytesAsWholeDocument) {
    const std::string page(EmbeddedFile("page.html"));
    std::string repeated;
    for (int i = 0; i < 8; ++i) repeated += page;
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<UL><LI>x<center>";
    for (int i = 0; i < 300; ++i) deep += "</UL>y</center><br>";
    const std::string documents[] = {
        page,
        repeated,
        deep,
        "<center>" + std::string(5000, 'x') + "<br>ab</center><div align=right>c",
        "<pre>a\r\nb\n\rc\r</pre>&amp&copy;&#169;&abcdefghijk&zz<p>&nbsp x",
        "<title>" + std::string(3000, 't') + "</title><script>" + std::string(3000, 's'),
        std::string(4000, ' ') + "<ul>" + std::string(4000, ' ') + "<li>",
    };
    const Settings settings[] = {
        {},
        {{"SWqk", 1}, {"Column", 7}, {"SWspcut2", 0}},
        {{"Column", 300}, {"SWlink", 1}, {"SWlink_e", 0}, {"SWimage", 1}},
        {{"Column", 1}, {"SWendcr", 0}, {"SWspcut", 0}},
    };
    for (const Settings& s : settings) {
        const Options o = With(s);
        for (const std::string& html : documents) {
            // The reference keeps the whole internal text in memory before aligning it.
            const std::string internal = Scan(o, html);
            WorkInput scanned(internal);
            std::string whole;
            AlignLines(o, scanned, whole);
            ASSERT_EQ(ConvertDocument(o, html), whole);
            for (std::size_t in_step : {1, 3, 4096})
                for (std::size_t out_step : {1, 11, 1 << 20})
                    ASSERT_EQ(Visible(Streamed(o, html, in_step, out_step)), Visible(whole))
                        << "in " << in_step << " out " << out_step << " doc " << html.substr(0, 40);
        }
    }
}

}  // namespace
}  // namespace vorlax::test
