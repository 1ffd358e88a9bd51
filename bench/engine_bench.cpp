// Engine throughput on a mixed Japanese/English page (bench/mixed.html,
// Shift-JIS): bytes of HTML in per second of conversion.
//
//   build/native/bin/vorlax_bench [--benchmark_filter=...] [--benchmark_min_time=...]
//
// VORLAX_BENCH_PAGE names another page to measure.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/options.h"
#include "engine/pipeline.h"

namespace {

const std::string& Page() {
    static const std::string page = [] {
        const char* path = std::getenv("VORLAX_BENCH_PAGE");
        if (!path || !*path) path = VORLAX_BENCH_DEFAULT_PAGE;
        std::ifstream in(path, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof()) bytes.clear();
        if (bytes.empty()) {
            std::fprintf(stderr, "vorlax_bench: cannot read %s\n", path);
            std::exit(2);
        }
        return bytes;
    }();
    return page;
}

void Run(benchmark::State& state, const vorlax::Options& options) {
    const std::string& page = Page();
    std::size_t out = 0;
    for (auto _ : state) {
        const std::string text = vorlax::ConvertHtml(options, page);
        out = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
    state.counters["out_bytes"] = static_cast<double>(out);
}

// The defaults: automatic code detection, white space collapsed.
void BM_Defaults(benchmark::State& state) { Run(state, vorlax::Options{}); }

// Shift-JIS fixed: no detection pass.
void BM_ShiftJisFixed(benchmark::State& state) {
    vorlax::Options o;
    o.SWmcode = 2;
    Run(state, o);
}

// Counts the text it is handed and keeps none of it, as a file or a pipe does
// once written.
class CountingSink final : public vorlax::ByteSink {
public:
    void Write(std::string_view bytes) override { size += bytes.size(); }
    std::size_t size = 0;
};

// The defaults as the command line runs them: the page streams through the
// conversion into a sink that keeps nothing, so no output string grows.
void BM_DefaultsStreamed(benchmark::State& state) {
    const std::string& page = Page();
    const vorlax::Options options;
    std::size_t out = 0;
    for (auto _ : state) {
        vorlax::StringSource raw(page);
        CountingSink sink;
        vorlax::StreamConversion conversion(options, raw, sink, vorlax::Converter::kNeverAbort);
        conversion.Convert();
        out = sink.size;
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
    state.counters["out_bytes"] = static_cast<double>(out);
}

// The page shapes that once went slowly, generated: a TITLE never closed
// (its text all goes out through the title's trail) and a long table of
// small rows (a tag every few bytes).
std::string UnclosedTitle() {
    std::string page = "<html><head><title>";
    const char* words[] = {"alpha ", "beta ", "gamma ", "quick ", "brown ", "fox ", "lazy ", "dog "};
    for (unsigned i = 0; page.size() < (4u << 20); ++i) {
        page += words[(i * 7 + i / 8) % 8];
        if (i % 11 == 10) page += i % 3 ? "\n" : "\n<p>";
    }
    return page;
}

std::string TableRows() {
    std::string page = "<html><body><table>\n";
    const char* words[] = {"the", "dog", "beta", "delta", "alpha", "gamma", "jumps", "over"};
    for (unsigned i = 0; page.size() < (4u << 20); ++i) {
        page += "<tr><td>" + std::to_string(i) + "</td><td>" + words[i % 8] + "</td><td>" +
                words[(i / 8) % 8] + "</td></tr>\n";
    }
    return page + "</table></body></html>\n";
}

// A generated page streamed with the defaults into a sink that keeps nothing.
void RunStreamed(benchmark::State& state, const std::string& page) {
    const vorlax::Options options;
    for (auto _ : state) {
        vorlax::StringSource raw(page);
        CountingSink sink;
        vorlax::StreamConversion conversion(options, raw, sink, vorlax::Converter::kNeverAbort);
        conversion.Convert();
        benchmark::DoNotOptimize(sink.size);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

void BM_UnclosedTitle(benchmark::State& state) {
    static const std::string page = UnclosedTitle();
    RunStreamed(state, page);
}

void BM_TableRows(benchmark::State& state) {
    static const std::string page = TableRows();
    RunStreamed(state, page);
}

// Everything that adds output: forced wrap at 40, link targets, images,
// TAB-separated cells.
void BM_AllOn(benchmark::State& state) {
    vorlax::Options o;
    o.SWqk = 1;
    o.Column = 40;
    o.SWlink = 1;
    o.SWlink_e = 0;
    o.SWimage = 1;
    o.SWimageStr = 3;
    o.SWdiv = 2;
    Run(state, o);
}

}  // namespace

BENCHMARK(BM_Defaults)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShiftJisFixed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DefaultsStreamed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AllOn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnclosedTitle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TableRows)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
