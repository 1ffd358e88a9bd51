#include "engine/driver.h"

#include <cstddef>
#include <memory>

#include "codes/decode.h"
#include "engine/converter.h"
#include "engine/output_path.h"
#include "engine/pipeline.h"
#include "engine/streams.h"

namespace vorlax {

namespace {

// Reads and writes go in blocks of this size, with an abort check between them.
constexpr std::size_t kBlock = 1 << 16;

}  // namespace

std::string ComposeMessage(std::string_view format, std::string_view path) {
    std::string text;
    const std::size_t at = format.find("%s");
    if (at == std::string_view::npos) return std::string(format);
    text.reserve(format.size() + path.size());
    text.append(format.substr(0, at));
    text.append(path);
    text.append(format.substr(at + 2));
    return text;
}

// The files of one conversion. Whatever is still open is closed on every way
// out, and an output that was not completed is deleted: a truncated file with
// the name of a result must not stay behind.
struct FileConversion::Files {
    std::FILE* input = nullptr;
    std::FILE* output = nullptr;
    std::string output_path;
    bool output_created = false;
    bool output_complete = false;

    Files() = default;
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;
    ~Files() {
        if (input) std::fclose(input);
        if (output) std::fclose(output);
        if (output_created && !output_complete) std::remove(output_path.c_str());
    }
};

FileConversion::FileConversion(const Options& options, std::atomic<bool>& abort,
                               ConversionReport& report, const PathSyntax& syntax)
    : options_(options), abort_(abort), report_(report), syntax_(syntax) {}

void FileConversion::ReportOpenFailure(const char* path) { report_.OpenFailed(path); }

bool FileConversion::CheckStreamError(std::FILE* stream, const char* path) {
    if (!std::ferror(stream)) return false;
    report_.AccessFailed(path);
    abort_.store(true);
    return true;
}

// The whole input, read in blocks; false when the job must stop.
bool FileConversion::ReadInput(Files& files, std::string& data) {
    char block[kBlock];
    std::size_t n;
    while (!Aborted() && (n = std::fread(block, 1, sizeof block, files.input)) > 0)
        data.append(block, n);
    return !Aborted();
}

// Writes the text into the output and closes it; false when the job must stop.
bool FileConversion::WriteOutput(Files& files, std::string_view text) {
    for (std::size_t at = 0; at < text.size() && !Aborted(); at += kBlock) {
        const std::size_t n = text.size() - at < kBlock ? text.size() - at : kBlock;
        if (std::fwrite(text.data() + at, 1, n, files.output) != n) break;
    }
    std::fflush(files.output);
    const bool failed = CheckStreamError(files.output, files.output_path.c_str());
    const int closed = std::fclose(files.output);
    files.output = nullptr;
    if (failed) return false;
    if (closed != 0) {
        // The last block can fail only when the file is closed.
        report_.AccessFailed(files.output_path.c_str());
        abort_.store(true);
        return false;
    }
    if (Aborted()) return false;
    files.output_complete = true;
    return true;
}

int FileConversion::ConvertFile(const char* path) {
    Files files;

    files.input = std::fopen(path, "rb");
    if (!files.input) {
        ReportOpenFailure(path);
        return 0;
    }

    // The output name is claimed by creating the file; nothing is overwritten.
    NewFileTaker taker;
    switch (MakeOutputPath(options_, path, files.output_path, taker, syntax_)) {
        case OutputPath::kTaken:
            break;
        case OutputPath::kTooLong:
            report_.PathTooLong(path);
            return 0;
        case OutputPath::kCreateFailed:
            ReportOpenFailure(files.output_path.c_str());
            return 0;
    }
    files.output = taker.Release();
    files.output_created = true;

    report_.StageStarting(Stage::kRead);
    std::string input;
    const bool read = ReadInput(files, input);
    if (CheckStreamError(files.input, path) || !read) return 0;
    std::fclose(files.input);
    files.input = nullptr;

    report_.StageStarting(Stage::kDetect);
    const int code = ChooseInputCode(options_, input);
    if (Aborted()) return 0;

    report_.StageStarting(Stage::kDecode);
    std::string cp932;
    ConvertToCP932(code, input, cp932, abort_);
    input = std::string();
    if (Aborted()) return 0;

    report_.StageStarting(Stage::kScan);
    WorkOutput scanned;
    {
        WorkInput work_input(cp932);
        auto converter = std::make_unique<Converter>(options_, abort_);
        converter->ScanDocument(work_input, scanned);
    }
    cp932 = std::string();
    if (Aborted()) return 0;

    report_.StageStarting(Stage::kAlign);
    std::string text;
    {
        WorkInput work_output(scanned.Bytes());
        AlignLines(options_, work_output, text, abort_);
    }
    if (Aborted()) return 0;

    report_.StageStarting(Stage::kWrite);
    if (!WriteOutput(files, text)) return 0;

    report_.Converted(path, files.output_path.c_str());
    if (Aborted()) return 0;
    return report_.OpenInEditor(files.output_path.c_str()) ? 1 : 0;
}

int ConvertFile(const char* path, const Options& options, std::atomic<bool>& abort,
                ConversionReport& report) {
    return FileConversion(options, abort, report).ConvertFile(path);
}

}  // namespace vorlax
