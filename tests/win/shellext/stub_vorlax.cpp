// A stand-in for Vorlax.exe in the shell extension's tests, copied as
// "Vorlax.exe" into the install folders the tests register. It records how
// it was started and what the list file held into "stub-record.txt" beside
// itself, deletes the list file as the real program does, and signals the
// event kStubDoneEvent when a test waits for it. With the environment
// variable VORLAX_STUB_CONVERT=1 it also converts every listed file with
// the engine (default options, output beside the input), so a test sees the
// context-menu command end to end.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/driver.h"
#include "engine/options.h"
#include "tests/win/shellext/stub_record.h"

namespace {

std::string ReadAll(const char* path, bool& found) {
    std::string data;
    std::FILE* f = std::fopen(path, "rb");
    found = f != nullptr;
    if (!f) return data;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) data.append(buf, n);
    std::fclose(f);
    return data;
}

class RecordReport final : public vorlax::ConversionReport {
public:
    explicit RecordReport(std::string& record) : record_(record) {}
    void OpenFailed(const char* path) override { record_ += std::string("open failed: ") + path + "\r\n"; }
    void AccessFailed(const char* path) override { record_ += std::string("access failed: ") + path + "\r\n"; }
    void PathTooLong(const char* path) override { record_ += std::string("too long: ") + path + "\r\n"; }
    void Converted(const char* input, const char* output) override {
        record_ += std::string("converted: ") + input + " -> " + output + "\r\n";
    }
    bool OpenInEditor(const char*) override { return true; }

private:
    std::string& record_;
};

// The list's lines, CR LF ended.
void ConvertListed(const std::string& list, std::string& record) {
    vorlax::Options options;
    std::atomic<bool> abort{false};
    RecordReport report(record);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find("\r\n", start);
        if (end == std::string::npos) end = list.size();
        const std::string path = list.substr(start, end - start);
        if (!path.empty()) vorlax::ConvertFile(path.c_str(), options, abort, report);
        start = end + 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string record = "command line: ";
    record += GetCommandLineA();
    record += "\r\nargc: " + std::to_string(argc) + "\r\n";
    for (int i = 1; i < argc; ++i) record += "argv[" + std::to_string(i) + "]: " + argv[i] + "\r\n";
    std::string list;
    if (argc == 3 && std::strcmp(argv[1], "/r") == 0) {
        bool found = false;
        list = ReadAll(argv[2], found);
        record += found ? "list file:\r\n" + list + "end of list file\r\n" : "no list file\r\n";
        if (found) DeleteFileA(argv[2]);
    }
    const char* convert = std::getenv("VORLAX_STUB_CONVERT");
    if (convert != nullptr && std::strcmp(convert, "1") == 0) ConvertListed(list, record);

    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string out(self, length);
    out.resize(out.find_last_of('\\') + 1);
    out += vorlax::shellext::test::kStubRecordFile;
    if (std::FILE* f = std::fopen(out.c_str(), "wb")) {
        std::fwrite(record.data(), 1, record.size(), f);
        std::fclose(f);
    }
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, vorlax::shellext::test::kStubDoneEvent)) {
        SetEvent(done);
        CloseHandle(done);
    }
    return 0;
}
