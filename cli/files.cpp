#include "cli/files.h"

#include <iconv.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "engine/driver.h"

namespace vorlax_cli {

namespace {

// The abort request of the running conversion and whether the user asked to
// stop; both are set from the signal handler, hence static.
std::atomic<bool> abort_request{false};
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
    abort_request.store(true);
}

// CP932 text as UTF-8; the bytes unchanged when the conversion is unavailable.
std::string Cp932ToUtf8(std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out(text.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* to = out.data();
    std::size_t to_left = out.size();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        // A byte CP932 does not define: passed on as "?".
        if (to_left == 0) break;
        *to++ = '?';
        --to_left;
        ++in;
        --in_left;
    }
    iconv_close(cd);
    out.resize(out.size() - to_left);
    return out;
}

class CommandLineReport final : public vorlax::ConversionReport {
public:
    explicit CommandLineReport(bool verbose) : verbose_(verbose) {}

    void OpenFailed(const char* path) override { Print(vorlax::kOpenFailureFormat, path); }
    void AccessFailed(const char* path) override { Print(vorlax::kAccessFailureFormat, path); }
    void PathTooLong(const char* input) override { Print(vorlax::kPathTooLongFormat, input); }
    void Converted(const char* input, const char* output) override {
        if (verbose_) std::printf("%s -> %s\n", input, output);
    }
    // The command line starts no editor.
    bool OpenInEditor(const char*) override { return true; }

private:
    static void Print(const char* format, const char* path) {
        std::fflush(stdout);
        const std::string text = TerminalMessage(format, path) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

    bool verbose_;
};

}  // namespace

std::string TerminalMessage(const char* format, const char* path) {
    return vorlax::ComposeMessage(Cp932ToUtf8(format), path);
}

int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 bool verbose) {
    // Interrupting ends the running conversion cleanly (its output is removed);
    // reads and writes resume after the signal and see the abort request.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    CommandLineReport report(verbose);
    int status = 0;
    for (const std::string& file : files) {
        // A read or write error raises the abort request to stop its own
        // conversion; the next file starts afresh unless the user interrupted.
        abort_request.store(interrupted.load());
        if (interrupted.load()) break;
        if (vorlax::ConvertFile(file.c_str(), options, abort_request, report) != 1) status = 1;
    }
    std::fflush(stdout);
    if (interrupted.load()) {
        std::fputs("vorlax: interrupted\n", stderr);
        status = 1;
    }
    return status;
}

}  // namespace vorlax_cli
