// The standard descriptors, and text meant for a terminal.
#pragma once

#include <string>
#include <string_view>

namespace vorlax::cli {

// Which standard descriptors were closed when the program started.
struct ClosedAtStart {
    bool input = false;
    bool output = false;
    bool error = false;
};

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file the run opens takes one of their numbers and receives what is
// meant for standard output or standard error. False when that failed.
bool OpenStandardDescriptors(ClosedAtStart& closed);

// A name as a terminal should show it: with `terminal`, control characters
// (C0, DEL, and the C1 controls U+0080..U+009F in UTF-8) are escaped, ESC as
// "\e" and the others byte by byte as "\xHH", so that a name cannot retitle
// or clear the terminal; without, the name unchanged.
std::string ShownName(std::string_view name, bool terminal);

// The system's reason for errno value `error`, as strerror gives it.
std::string SystemReason(int error);

// The driver's message `format` (CP932) as UTF-8 text, with the path (its
// file-system bytes, shown as ShownName gives them) in place of "%s" and,
// when `error` is not 0, the system's reason after the text: "(No such file
// or directory)". When the code conversion is unavailable the UTF-8 text
// compiled in for the message is used.
std::string TerminalMessage(const char* format, std::string_view path, int error, bool terminal);

}  // namespace vorlax::cli
