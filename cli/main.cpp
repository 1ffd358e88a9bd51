// vorlax: the command-line converter.
//   vorlax [--set NAME=VALUE]... -                  standard input to standard output
//   vorlax [--set NAME=VALUE]... [-o DIR] FILE...   each file to its text file
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/files.h"
#include "codes/decode.h"
#include "common/version.h"
#include "engine/pipeline.h"
#include "engine/options.h"

namespace {

constexpr const char* kUsage =
    "usage: vorlax [--set NAME=VALUE]... -\n"
    "       vorlax [--set NAME=VALUE]... [-o DIR] [-v] [-j N] FILE...\n"
    "\n"
    "Converts HTML into CP932 text with CR LF line ends: from standard input\n"
    "('-') to standard output, or each FILE in turn into a new text file beside\n"
    "it (NAME.txt, or NAME.vorlN.txt when that exists; no file is overwritten;\n"
    "NAME.TXT when FILE's extension has no small letters or FILE has none).\n"
    "On a terminal, a progress line shows files done, MB/s and the current file.\n"
    "A file that fails is reported and the next one converted; the exit status\n"
    "is 0 when all were converted, 1 when any failed, 2 for usage errors, and\n"
    "128 + the signal number after an interrupt (130 for SIGINT).\n"
    "\n"
    "  --set NAME=VALUE  set an option by its value name, e.g. --set Column=72,\n"
    "                    --set SWqk=1, --set AltString=[%s]; numbers are decimal,\n"
    "                    from -32768 to 32767 (one outside what the option means\n"
    "                    is used as given, with a warning); texts are given in\n"
    "                    UTF-8\n"
    "  -o DIR            write the text files into DIR (short for\n"
    "                    --set SWfolda=0 --set SaveFolda=DIR)\n"
    "  -v                print \"input -> output\" for every converted file\n"
    "  -j N              convert N files at the same time (default: one per\n"
    "                    core); the results are the same for every N\n"
    "  --                the arguments that follow are files\n"
    "  --help            show this help\n"
    "  --version         show the version\n";

struct UsageError {
    std::string message;
};

enum class Number { kValid, kNotANumber, kOutOfRange };

// A decimal number that a 16-bit option holds, from -32768 to 32767.
Number ParseNumber(std::string_view text, std::int16_t& value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
    if (i == text.size()) return Number::kNotANumber;
    std::int32_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return Number::kNotANumber;
        // Held just above the range, so that any number of digits fits.
        magnitude = std::min<std::int32_t>(magnitude * 10 + (text[i] - '0'), 32769);
    }
    const std::int32_t number = negative ? -magnitude : magnitude;
    if (number < INT16_MIN || number > INT16_MAX) return Number::kOutOfRange;
    value = static_cast<std::int16_t>(number);
    return Number::kValid;
}

// Sets the option; its name goes into `given`.
void SetOption(vorlax::Options& options, std::string_view assignment,
               std::vector<std::string>& given) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos)
        throw UsageError{"--set needs NAME=VALUE, got '" + std::string(assignment) + "'"};
    const std::string_view name = assignment.substr(0, eq);
    const std::string_view value = assignment.substr(eq + 1);
    const vorlax::OptionField field = vorlax::FindOption(options, name);
    if (field.number || field.text) given.emplace_back(name);
    if (field.number) {
        switch (ParseNumber(value, *field.number)) {
            case Number::kValid:
                return;
            case Number::kNotANumber:
                throw UsageError{"option " + std::string(name) + " needs a decimal number, got '" +
                                 std::string(value) + "'"};
            case Number::kOutOfRange:
                throw UsageError{"option " + std::string(name) +
                                 " needs a number from -32768 to 32767, got '" + std::string(value) +
                                 "'"};
        }
    }
    if (!field.text) throw UsageError{"unknown option '" + std::string(name) + "'"};
    // Texts are given in UTF-8 and kept in CP932.
    std::string text;
    if (!vorlax::Utf8TextToCP932(value, text))
        throw UsageError{"option " + std::string(name) +
                         ": the text is not UTF-8 or holds a character CP932 cannot hold"};
    if (text.size() >= field.capacity)
        throw UsageError{"option " + std::string(name) + " is too long (at most " +
                         std::to_string(field.capacity - 1) + " bytes)"};
    std::memcpy(field.text, text.data(), text.size());
    field.text[text.size()] = '\0';
}

// Warns about each numeric option given whose final value lies outside what
// the option means.
void WarnOfUnmeantValues(vorlax::Options& options, const std::vector<std::string>& given) {
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (std::find(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(i), given[i]) !=
            given.begin() + static_cast<std::ptrdiff_t>(i))
            continue;  // warned about already
        const vorlax::OptionEntry* entry = vorlax::FindOptionEntry(given[i]);
        if (!entry || !entry->number) continue;
        const std::int16_t number = options.*entry->number;
        if (number >= entry->low && number <= entry->high) continue;
        std::fprintf(stderr, "vorlax: warning: %s is %d, outside its range %d..%d; used as given\n",
                     given[i].c_str(), number, entry->low, entry->high);
    }
}

// -o DIR: the save folder, kept as the file system spells it.
void SetSaveFolder(vorlax::Options& options, std::string_view folder) {
    if (folder.empty()) throw UsageError{"-o needs a folder"};
    if (folder.size() >= sizeof options.SaveFolda)
        throw UsageError{"-o: the folder name is too long (at most " +
                         std::to_string(sizeof options.SaveFolda - 1) + " bytes)"};
    options.SWfolda = 0;
    std::memcpy(options.SaveFolda, folder.data(), folder.size());
    options.SaveFolda[folder.size()] = '\0';
}

// -j N: a number of jobs from 1 to 1024.
unsigned ParseJobs(std::string_view text) {
    unsigned n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > 1024) throw UsageError{"-j needs a number of jobs, got '" + std::string(text) + "'"};
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (text.empty() || n < 1 || n > 1024)
        throw UsageError{"-j needs a number of jobs from 1 to 1024, got '" + std::string(text) + "'"};
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else is opened.
    vorlax::cli::ClosedAtStart closed;
    if (!vorlax::cli::OpenStandardDescriptors(closed)) {
        std::fputs("vorlax: cannot open /dev/null for a closed standard descriptor\n", stderr);
        return 1;
    }
    vorlax::Options options;
    std::vector<std::string> given;  // the options set by name
    bool from_stdin = false;
    vorlax::cli::BatchSettings batch;
    batch.jobs = std::max(1u, std::thread::hardware_concurrency());
    bool only_files = false;
    std::vector<std::string> files;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (only_files || (!arg.starts_with("-") && !arg.empty())) {
                files.emplace_back(arg);
                continue;
            }
            if (arg == "--") {
                only_files = true;
                continue;
            }
            if (arg == "-o") {
                if (i + 1 >= argc) throw UsageError{"-o needs a folder"};
                SetSaveFolder(options, argv[++i]);
                continue;
            }
            if (arg == "-v") {
                batch.verbose = true;
                continue;
            }
            if (arg == "-j" || arg == "--jobs") {
                if (i + 1 >= argc) throw UsageError{"-j needs a number of jobs"};
                batch.jobs = ParseJobs(argv[++i]);
                continue;
            }
            if (arg.starts_with("-j")) {
                batch.jobs = ParseJobs(arg.substr(2));
                continue;
            }
            if (arg == "--help" || arg == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            }
            if (arg == "--version") {
                std::puts("vorlax " VORLAX_VERSION);
                return 0;
            }
            if (arg == "--set") {
                if (i + 1 >= argc) throw UsageError{"--set needs NAME=VALUE"};
                SetOption(options, argv[++i], given);
            } else if (arg.starts_with("--set=")) {
                SetOption(options, arg.substr(6), given);
            } else if (arg == "-") {
                if (from_stdin) throw UsageError{"'-' given twice"};
                from_stdin = true;
            } else {
                throw UsageError{"unknown argument '" + std::string(arg) + "'"};
            }
        }
        if (from_stdin && !files.empty())
            throw UsageError{"'-' cannot be combined with files"};
        if (!from_stdin && files.empty())
            throw UsageError{"nothing to convert (give files, or '-' to read standard input)"};
    } catch (const UsageError& e) {
        // The message may quote a file name.
        std::fprintf(stderr, "vorlax: %s\n",
                     vorlax::cli::ShownName(e.message, isatty(STDERR_FILENO) != 0).c_str());
        return 2;
    }
    WarnOfUnmeantValues(options, given);
    if (!files.empty()) return vorlax::cli::ConvertFiles(options, files, batch);
    // The filter's data streams: one that was closed cannot be read or written.
    if (closed.input) {
        std::fprintf(stderr, "vorlax: reading standard input: %s\n",
                     vorlax::cli::SystemReason(EBADF).c_str());
        return 1;
    }
    if (closed.output) {
        std::fprintf(stderr, "vorlax: writing standard output: %s\n",
                     vorlax::cli::SystemReason(EBADF).c_str());
        return 1;
    }
    return vorlax::cli::ConvertStandardInput(options);
}
