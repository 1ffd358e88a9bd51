// libFuzzer target: one whole conversion, raw bytes in, CP932 text out.
//
// Input layout (little-endian, the rest of the input is the document):
//   byte 0-1  Column, the full 16-bit value (negative and zero included)
//   byte 2    bit 0 SWqk, 1 SWspcut, 2 SWspcut2, 3 SWendcr,
//             4 SWlink, 5 SWlink_n, 6 SWlink_e, 7 SWimage
//   byte 3    bit 0 SWtableLeft, 1 SWtitle, 2 SWeofcut, 3 SWmcode_s,
//             bits 4-5 SWimageStr (0-3), bits 6-7 SWdiv (0-3, 3 is "none")
//   byte 4    bits 0-2 SWmcode (0-7; 6 and 7 are out of range on purpose:
//             a hand-edited registry can hold them); bits 3-7, when not 0,
//             also stream the document through windows and raw reads of
//             that many bytes, which must give the very same text
// The defaults are 4F 00 4E 1E 00.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/options.h"
#include "engine/pipeline.h"

namespace {

constexpr std::size_t kHeaderSize = 5;

std::int16_t Bit(std::uint8_t byte, int bit) { return static_cast<std::int16_t>((byte >> bit) & 1); }

vorlax::Options OptionsFromHeader(const std::uint8_t* h) {
    vorlax::Options o;
    o.Column = static_cast<std::int16_t>(static_cast<std::uint16_t>(h[0] | (h[1] << 8)));
    o.SWqk = Bit(h[2], 0);
    o.SWspcut = Bit(h[2], 1);
    o.SWspcut2 = Bit(h[2], 2);
    o.SWendcr = Bit(h[2], 3);
    o.SWlink = Bit(h[2], 4);
    o.SWlink_n = Bit(h[2], 5);
    o.SWlink_e = Bit(h[2], 6);
    o.SWimage = Bit(h[2], 7);
    o.SWtableLeft = Bit(h[3], 0);
    o.SWtitle = Bit(h[3], 1);
    o.SWeofcut = Bit(h[3], 2);
    o.SWmcode_s = Bit(h[3], 3);
    o.SWimageStr = static_cast<std::int16_t>((h[3] >> 4) & 3);
    o.SWdiv = static_cast<std::int16_t>((h[3] >> 6) & 3);
    o.SWmcode = static_cast<std::int16_t>(h[4] & 7);
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) return 0;
    const vorlax::Options options = OptionsFromHeader(data);
    const std::string_view document(reinterpret_cast<const char*>(data + kHeaderSize),
                                    size - kHeaderSize);
    const std::string text = vorlax::ConvertHtml(options, document);
    if (const std::size_t step = data[4] >> 3) {
        // Hands out the document a few bytes at a time.
        struct Trickle final : vorlax::ByteSource {
            std::string_view rest;
            std::size_t step;
            std::size_t Read(char* buf, std::size_t capacity) override {
                const std::size_t n = rest.copy(buf, std::min(step, capacity));
                rest.remove_prefix(n);
                return n;
            }
        } raw;
        raw.rest = document;
        raw.step = step;
        vorlax::StringSink out;
        vorlax::StreamConversion conversion(options, raw, out, vorlax::Converter::kNeverAbort, step);
        conversion.Convert();
        if (out.text != text) __builtin_trap();
    }
    // Keep the result alive so the conversion cannot be optimised away.
    volatile std::size_t sink = text.size();
    (void)sink;
    return 0;
}
