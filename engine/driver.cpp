// The file conversion driver: opens, names, converts and closes, reporting every failure.
#include "engine/driver.h"

#include <cstddef>
#include <memory>
#include <string_view>

#include "engine/output_path.h"
#include "engine/pipeline.h"

namespace vorlax {

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

ConversionFiles::~ConversionFiles() {
    if (input) std::fclose(input);
    if (output) std::fclose(output);
    if (output_created && !output_complete) std::remove(output_path.c_str());
}

namespace {

// The input file, read in blocks; the abort request ends it early. A file
// on disk can be read again from its start (detection may read far ahead);
// a pipe or a terminal opened by name cannot.
class FileSource final : public ByteSource {
public:
    FileSource(std::FILE* file, const std::atomic<bool>& abort, ConversionReport& report)
        : file_(file),
          abort_(abort),
          report_(report),
          seekable_(std::fseek(file, 0, SEEK_CUR) == 0) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        report_.BeforeBlock();
        if (failed_ || abort_.load(std::memory_order_relaxed)) return 0;
        return std::fread(buf, 1, capacity, file_);
    }
    bool CanRewind() const override { return seekable_; }
    bool Rewind() override {
        if (!seekable_ || std::fseek(file_, 0, SEEK_SET) != 0) failed_ = true;
        return !failed_;
    }
    // Starting over failed: the input ends there, and the file counts as unreadable.
    bool Failed() const { return failed_; }

private:
    std::FILE* file_;
    const std::atomic<bool>& abort_;
    ConversionReport& report_;
    const bool seekable_;
    bool failed_ = false;
};

// The output file; a failed write raises the abort request, so the
// conversion stops early, and leaves the stream's error indicator set.
class FileSink final : public ByteSink {
public:
    FileSink(std::FILE* file, std::atomic<bool>& abort) : file_(file), abort_(abort) {}
    void Write(std::string_view bytes) override {
        if (bytes.empty() || std::ferror(file_)) return;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) abort_.store(true);
    }

private:
    std::FILE* file_;
    std::atomic<bool>& abort_;
};

// The size of each stream's buffer. The C library's default (4 KB in some)
// makes a system call for every few KB of a large file, and a system call
// costs much more under an emulation layer than on the system itself.
constexpr std::size_t kStreamBuffer = std::size_t{1} << 16;

// Gives both streams their buffers; before the first read or write.
void GiveBuffers(ConversionFiles& files) {
    files.input_buffer.reset(new char[kStreamBuffer]);
    files.output_buffer.reset(new char[kStreamBuffer]);
    std::setvbuf(files.input, files.input_buffer.get(), _IOFBF, kStreamBuffer);
    std::setvbuf(files.output, files.output_buffer.get(), _IOFBF, kStreamBuffer);
}

}  // namespace

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

// Tells the report a stage starts; false when the abort request stops the job.
bool FileConversion::Starting(Stage stage) {
    report_.StageStarting(stage);
    return !Aborted();
}

std::unique_ptr<ConversionFiles> FileConversion::Prepare(const char* path) {
    auto files = std::make_unique<ConversionFiles>();
    files->input_path = path;
    files->input = std::fopen(path, "rb");
    if (!files->input) {
        ReportOpenFailure(path);
        return nullptr;
    }
    // The output name is claimed by creating the file; nothing is overwritten.
    NewFileTaker taker;
    switch (MakeOutputPath(options_, path, files->output_path, taker, syntax_)) {
        case OutputPath::kTaken:
            break;
        case OutputPath::kTooLong:
            report_.PathTooLong(path);
            return nullptr;
        case OutputPath::kCreateFailed:
            ReportOpenFailure(files->output_path.c_str());
            return nullptr;
    }
    files->output = taker.Release();
    files->output_created = true;
    return files;
}

// Flushes and closes the output; false (reported) when a write failed.
bool FileConversion::CloseOutput(ConversionFiles& files) {
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
    return true;
}

int FileConversion::Run(ConversionFiles& files) {
    GiveBuffers(files);
    FileSource input(files.input, abort_, report_);
    FileSink output(files.output, abort_);
    StreamConversion conversion(options_, input, output, abort_);

    if (!Starting(Stage::kRead)) return 0;
    conversion.ReadSample();
    if (!Starting(Stage::kDetect)) return 0;
    const int code = conversion.ChooseCode();
    // The remaining stages run together, the document streaming through them.
    for (Stage stage : {Stage::kDecode, Stage::kScan, Stage::kAlign, Stage::kWrite})
        if (!Starting(stage)) return 0;
    conversion.Run(code);

    if (CheckStreamError(files.input, files.input_path.c_str())) return 0;
    if (input.Failed()) {
        report_.AccessFailed(files.input_path.c_str());
        abort_.store(true);
        return 0;
    }
    std::fclose(files.input);
    files.input = nullptr;
    if (!CloseOutput(files) || Aborted()) return 0;
    files.output_complete = true;

    report_.Converted(files.input_path.c_str(), files.output_path.c_str());
    if (Aborted()) return 0;
    return report_.OpenInEditor(files.output_path.c_str()) ? 1 : 0;
}

int FileConversion::ConvertFile(const char* path) {
    std::unique_ptr<ConversionFiles> files = Prepare(path);
    return files ? Run(*files) : 0;
}

int ConvertFile(const char* path, const Options& options, std::atomic<bool>& abort,
                ConversionReport& report) {
    return FileConversion(options, abort, report).ConvertFile(path);
}

}  // namespace vorlax
