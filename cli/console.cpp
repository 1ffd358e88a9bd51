#include "cli/console.h"

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/driver.h"

namespace vorlax::cli {

namespace {

// The driver's messages in UTF-8, for when the CP932 ones cannot be converted.
struct CompiledText {
    const char* cp932;
    const char8_t* utf8;
};
const CompiledText kCompiledTexts[] = {
    {vorlax::kOpenFailureFormat, u8"%s\nこのファイルのオープンに失敗しました"},
    {vorlax::kAccessFailureFormat, u8"%s\nこのファイルのアクセスに失敗しました"},
    {vorlax::kPathTooLongFormat, u8"%s\nパスが長すぎるため変換できませんでした"},
};

// CP932 text as UTF-8, a byte CP932 does not define as "?"; false when the
// conversion is unavailable (no converter, or no descriptor left to load it).
bool Cp932ToUtf8(std::string_view text, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(text.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* to = out.data();
    std::size_t to_left = out.size();
    bool converted = true;
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || to_left == 0) {
            converted = false;
            break;
        }
        *to++ = '?';
        --to_left;
        ++in;
        --in_left;
    }
    iconv_close(cd);
    out.resize(out.size() - to_left);
    return converted;
}

// The text of strerror_r, of the GNU kind or the POSIX one.
[[maybe_unused]] const char* ReasonText(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* ReasonText(const char* result, const char*) { return result; }

}  // namespace

bool OpenStandardDescriptors(ClosedAtStart& closed) {
    bool* const flags[] = {&closed.input, &closed.output, &closed.error};
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        *flags[fd] = true;
        // The lowest free number is this one, those below it being open.
        const int opened = open("/dev/null", O_RDWR);
        if (opened != fd) {
            if (opened >= 0) close(opened);
            return false;
        }
    }
    return true;
}

std::string ShownName(std::string_view name, bool terminal) {
    if (!terminal) return std::string(name);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(name.size());
    const auto escape = [&shown](unsigned char b) {
        shown += "\\x";
        shown += kHex[b >> 4];
        shown += kHex[b & 15];
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (b == 0x1B) {
            shown += "\\e";
        } else if (b < 0x20 || b == 0x7F) {
            escape(b);
        } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(b);
            escape(next);
            ++i;
        } else {
            shown += static_cast<char>(b);
        }
    }
    return shown;
}

std::string SystemReason(int error) {
    char buffer[256] = "";
    const char* reason = ReasonText(strerror_r(error, buffer, sizeof buffer), buffer);
    return reason ? std::string(reason) : "error " + std::to_string(error);
}

std::string TerminalMessage(const char* format, std::string_view path, int error, bool terminal) {
    std::string text;
    if (!Cp932ToUtf8(format, text)) {
        text.clear();
        for (const CompiledText& compiled : kCompiledTexts)
            if (std::strcmp(compiled.cp932, format) == 0)
                text = reinterpret_cast<const char*>(compiled.utf8);
        if (text.empty())
            for (char c : std::string_view(format)) text += (c & 0x80) ? '?' : c;
    }
    std::string message = vorlax::ComposeMessage(text, ShownName(path, terminal));
    if (error != 0) message += " (" + SystemReason(error) + ")";
    return message;
}

}  // namespace vorlax::cli
