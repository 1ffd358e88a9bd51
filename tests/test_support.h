// Helpers shared by the engine tests.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "codes/byte_stream.h"
#include "engine/converter.h"
#include "engine/options.h"
#include "engine/text_form.h"

namespace vorlax::test {

using Settings = std::initializer_list<std::pair<std::string_view, int>>;

inline Options With(Settings settings) {
    Options o;
    for (const auto& [name, value] : settings) *FindOption(o, name).number = static_cast<std::int16_t>(value);
    return o;
}

// The internal text form the scanner writes for a CP932 document.
inline std::string Scan(const Options& o, std::string_view html) {
    WorkInput in(html);
    WorkOutput out;
    Converter(o).ScanDocument(in, out);
    return std::string(out.Bytes());
}

// Expands {L}, {C} and {R} into the three line markers, so expectations stay readable.
inline std::string Markers(std::string_view s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '{' && i + 2 < s.size() && s[i + 2] == '}') {
            const char k = s[i + 1];
            if (k == 'L' || k == 'C' || k == 'R') {
                r += k == 'L' ? kLeftMarker : k == 'C' ? kCenterMarker : kRightMarker;
                i += 2;
                continue;
            }
        }
        r += s[i];
    }
    return r;
}

// Shows control bytes, so a failing byte-exact comparison is readable.
inline std::string Visible(std::string_view s) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        if (c == '\n') r += "\\n";
        else if (c == '\r') r += "\\r";
        else if (c == '\t') r += "\\t";
        else if (c < 0x20 || c >= 0x7F) { r += "\\x"; r += kHex[c >> 4]; r += kHex[c & 15]; }
        else r += static_cast<char>(c);
    }
    return r;
}

}  // namespace vorlax::test

namespace vorlax::test {
// The bytes of a file of tests/data, built into the test program.
std::string_view EmbeddedFile(std::string_view name);
}  // namespace vorlax::test

namespace vorlax::test {
// Hands out its text at most `step` bytes at a time.
class SlowSource final : public ByteSource {
public:
    SlowSource(std::string_view text, std::size_t step) : text_(text), step_(step) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        const std::size_t n = std::min({step_, capacity, text_.size()});
        text_.copy(buf, n);
        text_.remove_prefix(n);
        return n;
    }

private:
    std::string_view text_;
    std::size_t step_;
};
}  // namespace vorlax::test
