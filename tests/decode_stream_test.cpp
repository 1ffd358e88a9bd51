// The decoders read piece by piece, and through a DecodingSource, give exactly
// what they give for the whole input at once, wherever the pieces break.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "codes/byte_stream.h"
#include "codes/decode.h"
#include "decode_cases.h"
#include "test_support.h"

namespace vorlax::test {
namespace {

using namespace std::string_literals;

const std::atomic<bool> kNoAbort{false};

std::string Whole(int code, std::string_view input) {
    std::string out;
    ConvertToCP932(code, input, out, kNoAbort);
    return out;
}

// Feeds the input to a Decoder in pieces of `step` bytes (or of the sizes
// `next_step` picks), passing again whatever it leaves. With `last_with_data`
// the final piece carries `last`; otherwise an extra call with only what was
// left (often nothing) ends the input.
template <class NextStep>
std::string Pieces(int code, std::string_view input, NextStep next_step, bool last_with_data) {
    Decoder decoder(code);
    std::string out;
    std::string waiting;
    auto decode = [&](bool last) {
        std::string room(2 * waiting.size(), '\0');
        std::size_t written = 0;
        const std::size_t used =
            decoder.Decode(reinterpret_cast<const unsigned char*>(waiting.data()), waiting.size(), last,
                           reinterpret_cast<unsigned char*>(room.data()), &written, kNoAbort);
        EXPECT_LE(used, waiting.size());
        EXPECT_LE(written, room.size());
        if (last) {
            EXPECT_EQ(used, waiting.size()) << "the last piece is consumed";
        }
        out.append(room, 0, written);
        waiting.erase(0, used);
    };
    std::size_t at = 0;
    while (at < input.size()) {
        const std::size_t n = std::min(next_step(), input.size() - at);
        waiting.append(input.substr(at, n));
        at += n;
        decode(last_with_data && at == input.size());
        if (last_with_data && at == input.size()) return out;
    }
    decode(true);
    return out;
}

std::string Pieces(int code, std::string_view input, std::size_t step, bool last_with_data) {
    return Pieces(code, input, [step] { return step; }, last_with_data);
}

// Reads a DecodingSource to its end, `capacity` bytes at a time.
std::string Source(int code, std::string_view input, std::size_t raw_step, std::size_t capacity,
                   std::size_t raw_buffer = std::size_t{1} << 16) {
    SlowSource raw(input, raw_step);
    DecodingSource source(code, raw, kNoAbort, raw_buffer);
    std::string out;
    std::vector<char> buf(capacity);
    for (;;) {
        const std::size_t n = source.Read(buf.data(), capacity);
        EXPECT_LE(n, capacity);
        if (n == 0) break;
        out.append(buf.data(), n);
    }
    EXPECT_EQ(source.Read(buf.data(), capacity), 0u) << "the end stays the end";
    return out;
}

std::string Repeat(std::string_view s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// The inputs: every decoder case's input, and some longer ones whose
// characters and runs cross the piece boundaries.
std::vector<std::string> Inputs() {
    std::vector<std::string> inputs;
    for (const Conversion& c : ConversionCases()) inputs.push_back(c.input);
    const std::string more[] = {
        "",
        "\xFF",
        "\xFE",
        "\xEF",
        "\xEF\xBB",
        "\xFF\xFE\xEF\xBB\xBF" "abc",
        "\xFF\xFE\xEF\xBB" "abc",
        "\xFE\xFF\xEF\xBB\xBF",
        "\xEF\xBB\xBF\xEF\xBB\xBF" "a",
        "<html><body>plain ASCII, longer than a word or two</body></html>\r\n",
        "a\0b\0c\0d\0e\0f\0g\0h\0i\0j"s,
        "<p>\xA4\xA2\xA4\xA4\xB4\xC1\xBB\xFA\x8E\xB1</p> and some more ASCII text \x8F\xB0\xA1",
        "<p>Catal\x8F\xAB\xA2 \x8F\xB0\xA9\xA4\xA2\x8F\xA2\xB7 x\x8F\x8F\x8E\xB1\x8F",
        "<p>\x1B$(D+\"0)\x1B$B$\"\x1B$(Z\x1B$(D+P\x1B(B \x1B$(\xFF\x1B$(D\x0E\x31\x0F0!\x1B$(",
        "<p>\x1B$B$\"$$4A;z\x1B(B</p> text \x1B(I12\x1B(J \x0E\x31\x32\x0F end\x1BK$\"\x1BHz",
        "\x1B$B$\"\n\x1B" "(B\x0E\x1B$B\x0F\x1B$\xFF\x1B(\xFF\x1BK\xFF\x1BH\xFF",
        Repeat("\x1B(B", 200) + "x",
        Repeat("\x0E\x0F", 100) + "y" + Repeat("\x1B$B", 50),
        "<p>\xE3\x81\x82\xE3\x81\x84 ASCII run of some length \xF0\x9F\x98\x80\xC3\xA9\xEF\xBD\xB1\x80\xFF</p>",
        "B0A\0\x3D\xD8\x00\xDE\x3D\xD8" "A\0\x00\xDE\xFF\xFE<\0p\0>\0"s,
        "0B\0A\xD8\x3D\xDE\x00\xD8\x3D\0A\xDE\x00\xFE\xFF\0<\0p\0>"s,
        Repeat("abcdefghij\xE3\x81\x82", 40),
    };
    inputs.insert(inputs.end(), std::begin(more), std::end(more));
    return inputs;
}

TEST(Decoder, PiecesGiveTheWhole) {
    const std::vector<std::string> inputs = Inputs();
    for (int code = 0; code <= 7; ++code) {
        for (const std::string& input : inputs) {
            const std::string whole = Whole(code, input);
            for (const std::size_t step : {1, 2, 3, 7}) {
                for (const bool last_with_data : {false, true}) {
                    EXPECT_EQ(Pieces(code, input, step, last_with_data), whole)
                        << "code " << code << ", pieces of " << step << ", input " << testing::PrintToString(input);
                }
            }
        }
    }
}

TEST(Decoder, SignatureWaitsForEnoughBytes) {
    unsigned char out[16];
    std::size_t written = 99;
    Decoder utf8(kUtf8);
    EXPECT_EQ(utf8.Decode(reinterpret_cast<const unsigned char*>("\xFF\xFE\xEF\xBB"), 4, false, out,
                          &written, kNoAbort),
              0u);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(utf8.Decode(reinterpret_cast<const unsigned char*>("\xFF\xFE\xEF\xBB\xBF" "a"), 6, false,
                          out, &written, kNoAbort),
              6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), "a");
    // Once the start is behind it, a signature is a character like any other.
    EXPECT_EQ(utf8.Decode(reinterpret_cast<const unsigned char*>("\xEF\xBB\xBF"), 3, false, out,
                          &written, kNoAbort),
              3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), "??");

    // A first byte that begins no signature settles the start at once.
    Decoder euc(kEuc);
    EXPECT_EQ(euc.Decode(reinterpret_cast<const unsigned char*>("a"), 1, false, out, &written, kNoAbort), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), "a");
}

TEST(Decoder, AbortWritesNothing) {
    const std::atomic<bool> abort{true};
    for (int code = 1; code <= 6; ++code) {
        Decoder decoder(code);
        unsigned char out[16];
        std::size_t written = 99;
        decoder.Decode(reinterpret_cast<const unsigned char*>("a\xE3\x81\x82"), 4, true, out, &written, abort);
        EXPECT_EQ(written, 0u) << code;
    }
}

TEST(DecodingSource, GivesTheWhole) {
    const std::vector<std::string> inputs = Inputs();
    for (int code = 0; code <= 7; ++code) {
        for (const std::string& input : inputs) {
            const std::string whole = Whole(code, input);
            for (const std::size_t raw_step : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 16}) {
                for (const std::size_t capacity : {1, 2, 5, 4096}) {
                    EXPECT_EQ(Source(code, input, raw_step, capacity), whole)
                        << "code " << code << ", raw pieces of " << raw_step << ", reads of " << capacity
                        << ", input " << testing::PrintToString(input);
                }
            }
            EXPECT_EQ(Source(code, input, 1 << 16, 4096, DecodingSource::kMinRawBuffer), whole)
                << "code " << code << ", smallest raw buffer, input " << testing::PrintToString(input);
        }
    }
}

TEST(DecodingSource, LongInputThroughSmallBuffers) {
    // Far more input than the raw buffer holds, in every code's own form.
    const std::string inputs[] = {
        Repeat("<p>\x1B$B$\"$$4A;z\x1B(B text \x0E\x31\x0F</p>\r\n", 2000),
        Repeat("<p>\x82\xA0\x82\xA2\x8A\xBF\x8E\x9A text</p>\r\n", 2000),
        Repeat("<p>\xA4\xA2\xA4\xA4\xB4\xC1\xBB\xFA\x8E\xB1 text</p>\r\n", 2000),
        Repeat("<\0p\0>\0B0D0\x3D\xD8\x00\xDE\r\0\n\0"s, 2000),
        Repeat("<p>\xE3\x81\x82\xE3\x81\x84\xF0\x9F\x98\x80 text</p>\r\n", 2000),
        Repeat("\0<\0p\0>0B0D\xD8\x3D\xDE\x00\0\r\0\n"s, 2000),
    };
    for (int code = 1; code <= 6; ++code) {
        const std::string& input = inputs[code - 1];
        const std::string whole = Whole(code, input);
        EXPECT_EQ(Source(code, input, 1 << 16, 4096, 1000), whole) << code;
        EXPECT_EQ(Source(code, input, 4096, 777, 1 << 16), whole) << code;
    }
}

TEST(DecodingSource, AbortEndsTheStream) {
    const std::atomic<bool> abort{true};
    for (int code = 1; code <= 6; ++code) {
        SlowSource raw("abc", 3);
        DecodingSource source(code, raw, abort);
        char buf[16];
        EXPECT_EQ(source.Read(buf, sizeof buf), 0u) << code;
    }
}

TEST(DecodingSource, AbortAfterTheStartEndsTheStream) {
    for (int code = 1; code <= 6; ++code) {
        std::atomic<bool> abort{false};
        StringSource raw(Repeat("abcdefgh", 100));
        DecodingSource source(code, raw, abort, 16);
        char buf[16];
        EXPECT_GT(source.Read(buf, sizeof buf), 0u) << code;
        EXPECT_GT(source.Read(buf, sizeof buf), 0u) << code;
        abort = true;
        EXPECT_EQ(source.Read(buf, sizeof buf), 0u) << code;
    }
}

// Random byte strings, heavy in the bytes that begin escapes, runs, pairs,
// signatures and multi-byte characters, split at random.
TEST(Decoder, RandomPiecesGiveTheWhole) {
    static constexpr unsigned char kTricky[] = {
        0x1B, 0x0E, 0x0F, 0x8E, 0x8F, 0xD8, 0xD9, 0xDB, 0xDC, 0xDE, 0xDF, 0xEF, 0xF0, 0xFF,
        0xFE, 0xBB, 0xBF, 0x00, '$',  '(',  'B',  'I',  'K',  'H',  '@',  'a',  0xE3, 0xA4,
        'D',
    };
    std::mt19937 random(20241208);
    for (int round = 0; round < 3000; ++round) {
        std::string input(random() % 65, '\0');
        for (char& c : input) {
            const std::uint32_t r = random();
            c = static_cast<char>(r % 3 != 0 ? kTricky[(r >> 8) % sizeof kTricky] : (r >> 8) & 0xFF);
        }
        for (int code = 1; code <= 6; ++code) {
            const std::string whole = Whole(code, input);
            auto next_step = [&random] { return static_cast<std::size_t>(random() % 6); };
            ASSERT_EQ(Pieces(code, input, next_step, round % 2 == 0), whole)
                << "code " << code << ", input " << testing::PrintToString(input);
            ASSERT_EQ(Pieces(code, input, std::size_t{1}, false), whole)
                << "code " << code << ", input " << testing::PrintToString(input);
        }
        if (round % 10 == 0) {
            for (int code = 1; code <= 6; ++code) {
                const std::string whole = Whole(code, input);
                ASSERT_EQ(Source(code, input, 1 + random() % 4, 1 + random() % 9), whole)
                    << "code " << code << ", input " << testing::PrintToString(input);
            }
        }
    }
}

}  // namespace
}  // namespace vorlax::test
