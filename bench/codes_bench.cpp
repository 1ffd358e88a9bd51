// Throughput of the input-code decoders. The inputs are one Japanese page
// (tests/data/sample.html), turned into CP932 by the UTF-8 decoder and from
// there into each code by the small encoders below, repeated to about 1 MB.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "codes/cp932.h"
#include "codes/decode.h"

namespace {

using Byte = unsigned char;

std::string ReadFile(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A CP932 page every code can hold, repeated to about 1 MB.
std::string Cp932Text(std::string page) {
    // JIS and EUC-JP have no rows for the IBM extensions and the user-defined
    // area: those characters become ideographic spaces in every input.
    for (std::size_t i = 0; i + 1 < page.size(); ++i) {
        const Byte b = static_cast<Byte>(page[i]);
        if (b >= 0xF0 && b <= 0xFC) {
            page[i] = '\x81';
            page[i + 1] = '\x40';
        }
        if ((b >= 0x81 && b <= 0x9F) || b >= 0xE0) ++i;
    }
    std::string text;
    while (text.size() < (1u << 20)) text += page;
    return text;
}

std::string Cp932Page() {
    std::string page;
    const std::atomic<bool> no_abort{false};
    vorlax::ConvertToCP932(vorlax::kUtf8, ReadFile(VORLAX_SAMPLE_PAGE), page, no_abort);
    return Cp932Text(page);
}

bool Lead(Byte b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Shift-JIS lead and trail bytes to the JIS row and cell.
std::uint16_t SjisToJis(Byte s1, Byte s2) {
    int row = (s1 <= 0x9F ? s1 - 0x81 : s1 - 0xC1) * 2 + 0x21;
    int cell;
    if (s2 >= 0x9F) {
        ++row;
        cell = s2 - 0x7E;
    } else {
        cell = s2 - (s2 >= 0x80 ? 0x20 : 0x1F);
    }
    return static_cast<std::uint16_t>(row << 8 | cell);
}

std::string ToEuc(const std::string& sjis) {
    std::string out;
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const Byte b = static_cast<Byte>(sjis[i]);
        if (Lead(b) && i + 1 < sjis.size()) {
            const std::uint16_t j = SjisToJis(b, static_cast<Byte>(sjis[++i]));
            out += static_cast<char>((j >> 8) | 0x80);
            out += static_cast<char>((j & 0xFF) | 0x80);
        } else if (b >= 0xA1 && b <= 0xDF) {
            out += '\x8E';
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string ToJis(const std::string& sjis) {
    std::string out;
    enum { kRoman, kKanji, kKana } mode = kRoman;
    auto to = [&](int m, const char* esc) {
        if (mode != m) out += esc;
        mode = static_cast<decltype(mode)>(m);
    };
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const Byte b = static_cast<Byte>(sjis[i]);
        if (Lead(b) && i + 1 < sjis.size()) {
            to(kKanji, "\x1B$B");
            const std::uint16_t j = SjisToJis(b, static_cast<Byte>(sjis[++i]));
            out += static_cast<char>(j >> 8);
            out += static_cast<char>(j & 0xFF);
        } else if (b >= 0xA1 && b <= 0xDF) {
            to(kKana, "\x1B(I");
            out += static_cast<char>(b - 0x80);
        } else {
            to(kRoman, "\x1B(B");
            out += static_cast<char>(b);
        }
    }
    to(kRoman, "\x1B(B");
    return out;
}

// CP932 code (lead byte high) to a code point, from the table itself.
std::array<std::uint16_t, 0x10000> InverseTable() {
    std::array<std::uint16_t, 0x10000> inverse{};
    for (const vorlax::CP932Range& r : vorlax::kCP932Ranges)
        for (unsigned u = r.first; u <= r.last; ++u) {
            const std::uint16_t e = vorlax::kCP932Table[r.index + (u - r.first)];
            const unsigned code = e >> 8 ? (e & 0xFF) << 8 | e >> 8 : e;
            if (e != 0 && inverse[code] == 0) inverse[code] = static_cast<std::uint16_t>(u);
        }
    return inverse;
}

std::string ToUnicode(const std::string& sjis, int code) {
    static const auto inverse = InverseTable();
    std::string out;
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const Byte b = static_cast<Byte>(sjis[i]);
        unsigned c = b;
        if (Lead(b) && i + 1 < sjis.size()) c = b << 8 | static_cast<Byte>(sjis[++i]);
        const std::uint16_t u = inverse[c] ? inverse[c] : 0x3F;
        if (code == vorlax::kUtf8) {
            if (u < 0x80) {
                out += static_cast<char>(u);
            } else if (u < 0x800) {
                out += static_cast<char>(0xC0 | u >> 6);
                out += static_cast<char>(0x80 | (u & 0x3F));
            } else {
                out += static_cast<char>(0xE0 | u >> 12);
                out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (u & 0x3F));
            }
        } else if (code == vorlax::kUtf16Le) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        } else {
            out += static_cast<char>(u >> 8);
            out += static_cast<char>(u & 0xFF);
        }
    }
    return out;
}

// The mixed page (bench/mixed.html: Shift-JIS, mostly ASCII markup) as the
// decoders write it: through UTF-16 and back, so that the encoders above
// give it back byte for byte.
std::string MixedPage() {
    std::string page;
    const std::atomic<bool> no_abort{false};
    vorlax::ConvertToCP932(vorlax::kUtf16Le, ToUnicode(ReadFile(VORLAX_BENCH_DEFAULT_PAGE), vorlax::kUtf16Le),
                           page, no_abort);
    return Cp932Text(page);
}

const std::string& MixedInput(int code) {
    static const std::string sjis = MixedPage();
    static const std::string inputs[] = {
        "", ToJis(sjis), sjis, ToEuc(sjis),
        ToUnicode(sjis, vorlax::kUtf16Le), ToUnicode(sjis, vorlax::kUtf8),
        ToUnicode(sjis, vorlax::kUtf16Be),
    };
    return inputs[code];
}

const std::string& Input(int code) {
    static const std::string sjis = Cp932Page();
    static const std::string inputs[] = {
        "", ToJis(sjis), sjis, ToEuc(sjis),
        ToUnicode(sjis, vorlax::kUtf16Le), ToUnicode(sjis, vorlax::kUtf8),
        ToUnicode(sjis, vorlax::kUtf16Be),
    };
    return inputs[code];
}

// Decodes one of a page's encodings over and over; every decoder must give
// back the page's CP932 text.
void DecodePage(benchmark::State& state, int code, const std::string& input,
                const std::string& expected) {
    const std::atomic<bool> no_abort{false};
    std::string out;
    out.reserve(2 * input.size());
    for (auto _ : state) {
        out.clear();
        vorlax::ConvertToCP932(code, input, out, no_abort);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    if (out != expected) state.SkipWithError("decoded text differs from the page");
}

void Decode(benchmark::State& state, int code) {
    DecodePage(state, code, Input(code), Input(vorlax::kShiftJis));
}

// The same on the mixed page, where ASCII runs are most of the bytes.
void BM_DecodeMixed(benchmark::State& state, int code) {
    DecodePage(state, code, MixedInput(code), MixedInput(vorlax::kShiftJis));
}

void BM_DecodeJis(benchmark::State& s) { Decode(s, vorlax::kJis); }
void BM_DecodeShiftJis(benchmark::State& s) { Decode(s, vorlax::kShiftJis); }
void BM_DecodeEuc(benchmark::State& s) { Decode(s, vorlax::kEuc); }
void BM_DecodeUtf16Le(benchmark::State& s) { Decode(s, vorlax::kUtf16Le); }
void BM_DecodeUtf8(benchmark::State& s) { Decode(s, vorlax::kUtf8); }
void BM_DecodeUtf16Be(benchmark::State& s) { Decode(s, vorlax::kUtf16Be); }

// The same through a DecodingSource, read 64 KiB at a time as the
// streaming conversion does.
void Stream(benchmark::State& state, int code) {
    const std::string& input = Input(code);
    const std::atomic<bool> no_abort{false};
    std::string buf(1 << 16, '\0');
    std::string out;
    out.reserve(input.size());
    for (auto _ : state) {
        out.clear();
        vorlax::StringSource raw(input);
        vorlax::DecodingSource source(code, raw, no_abort);
        while (const std::size_t n = source.Read(buf.data(), buf.size())) out.append(buf, 0, n);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    if (out != Input(vorlax::kShiftJis)) state.SkipWithError("decoded text differs from the page");
}

void BM_StreamJis(benchmark::State& s) { Stream(s, vorlax::kJis); }
void BM_StreamShiftJis(benchmark::State& s) { Stream(s, vorlax::kShiftJis); }
void BM_StreamEuc(benchmark::State& s) { Stream(s, vorlax::kEuc); }
void BM_StreamUtf16Le(benchmark::State& s) { Stream(s, vorlax::kUtf16Le); }
void BM_StreamUtf8(benchmark::State& s) { Stream(s, vorlax::kUtf8); }
void BM_StreamUtf16Be(benchmark::State& s) { Stream(s, vorlax::kUtf16Be); }

void Detect(benchmark::State& state, const std::string& input) {
    for (auto _ : state) benchmark::DoNotOptimize(vorlax::DetectInputCode(input));
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * std::min<std::size_t>(input.size(), 16383)));
}

// A page whose first megabyte is ASCII markup (a long head, English
// navigation), then Japanese in UTF-8: detection reads on, window by window,
// to the first that shows the code. Bytes per second over what it looks at.
void BM_DetectAfterAsciiHead(benchmark::State& state) {
    static const std::string page = [] {
        std::string head;
        for (int i = 0; head.size() < (1u << 20); ++i)
            head += "<p><a href=\"part" + std::to_string(i) + ".html\">Documentation, part " +
                    std::to_string(i) + "</a></p>\n";
        return head + Input(vorlax::kUtf8);
    }();
    const std::size_t looked_at = (1u << 20) + 16383;
    for (auto _ : state) benchmark::DoNotOptimize(vorlax::DetectInputCode(page));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * looked_at));
    if (vorlax::DetectInputCode(page) != vorlax::kUtf8) state.SkipWithError("not detected as UTF-8");
}

BENCHMARK(BM_DecodeJis);
BENCHMARK(BM_DecodeShiftJis);
BENCHMARK(BM_DecodeEuc);
BENCHMARK(BM_DecodeUtf16Le);
BENCHMARK(BM_DecodeUtf16Be);
BENCHMARK(BM_DecodeUtf8);
BENCHMARK_CAPTURE(BM_DecodeMixed, Jis, vorlax::kJis);
BENCHMARK_CAPTURE(BM_DecodeMixed, Euc, vorlax::kEuc);
BENCHMARK_CAPTURE(BM_DecodeMixed, Utf16Le, vorlax::kUtf16Le);
BENCHMARK_CAPTURE(BM_DecodeMixed, Utf8, vorlax::kUtf8);
BENCHMARK(BM_StreamJis);
BENCHMARK(BM_StreamShiftJis);
BENCHMARK(BM_StreamEuc);
BENCHMARK(BM_StreamUtf16Le);
BENCHMARK(BM_StreamUtf16Be);
BENCHMARK(BM_StreamUtf8);
BENCHMARK_CAPTURE(Detect, JapaneseUtf8, Input(vorlax::kUtf8));
BENCHMARK_CAPTURE(Detect, MixedShiftJis, MixedInput(vorlax::kShiftJis));
BENCHMARK_CAPTURE(Detect, MixedEuc, MixedInput(vorlax::kEuc));
BENCHMARK(BM_DetectAfterAsciiHead);

}  // namespace
