// The file conversion driver: one HTML file on disk into one text file.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "codes/paths.h"
#include "engine/options.h"

namespace vorlax {

// The driver's messages, formatted with the path in place of "%s"; the
// Windows program shows them with its caption and the hand (stop) icon.
inline constexpr char kOpenFailureFormat[] = "%s\nこのファイルのオープンに失敗しました";
inline constexpr char kAccessFailureFormat[] = "%s\nこのファイルのアクセスに失敗しました";
inline constexpr char kPathTooLongFormat[] = "%s\nパスが長すぎるため変換できませんでした";

// The format with its "%s" replaced by the path.
std::string ComposeMessage(std::string_view format, std::string_view path);

// The stages of one conversion, in the order they run.
enum class Stage { kRead, kDetect, kDecode, kScan, kAlign, kWrite };

// How a conversion tells its front end what happened: message boxes in the
// Windows program, lines on stderr in the command line. Called once per
// event, never per byte, on the thread that runs the conversion.
class ConversionReport {
public:
    // A file could not be opened or created: kOpenFailureFormat.
    virtual void OpenFailed(const char* path) = 0;
    // Reading or writing a file failed: kAccessFailureFormat.
    virtual void AccessFailed(const char* path) = 0;
    // The output path would exceed its length limit: kPathTooLongFormat,
    // with the input path.
    virtual void PathTooLong(const char* input) = 0;
    // The output is complete on disk.
    virtual void Converted(const char* input, const char* output) {
        (void)input;
        (void)output;
    }
    // Hands a finished output to the editor when the options ask for it.
    // False only when the editor's command line would be too long.
    virtual bool OpenInEditor(const char* output) = 0;
    // A stage is about to run.
    virtual void StageStarting(Stage stage) { (void)stage; }
    // A block of input is about to be read: the front end's chance to pause
    // the conversion between two blocks (it returns when the conversion may
    // go on; the abort request is tested right after).
    virtual void BeforeBlock() {}

protected:
    ~ConversionReport() = default;
};

// The files of one conversion between its two steps: the input open, the
// output created under its final name. Whatever is still open is closed when
// it goes, and an output that was not completed is deleted: a truncated file
// with the name of a result must not stay behind.
struct ConversionFiles {
    std::string input_path;
    std::FILE* input = nullptr;
    std::FILE* output = nullptr;
    std::string output_path;
    bool output_created = false;
    bool output_complete = false;
    // The two streams' buffers, given when the conversion runs (not while
    // a file waits prepared, so that files held open ahead cost no memory).
    std::unique_ptr<char[]> input_buffer;
    std::unique_ptr<char[]> output_buffer;

    ConversionFiles() = default;
    ConversionFiles(const ConversionFiles&) = delete;
    ConversionFiles& operator=(const ConversionFiles&) = delete;
    ~ConversionFiles();
};

// One file's conversion. The options, the abort request and the report must
// outlive it; the abort request is polled by every stage and set here on a
// read or write error, never cleared.
class FileConversion {
public:
    FileConversion(const Options& options, std::atomic<bool>& abort, ConversionReport& report,
                   const PathSyntax& syntax = kNativePaths);

    // Converts the file at `path` (NUL-terminated) into the output
    // MakeOutputPath names. Returns 1 when the job may go on, 0 when it must
    // stop: a file that cannot be opened or created, a read or write error,
    // the abort request, a path or editor command line that would be too long.
    // No existing file is overwritten, and a failed or aborted conversion
    // leaves no output behind. Prepare followed by Run.
    int ConvertFile(const char* path);

    // The first step: opens the input and takes the output's name by creating
    // it. Null when that failed (reported; the job must stop).
    std::unique_ptr<ConversionFiles> Prepare(const char* path);
    // The second step: the conversion itself, streamed from the input to the
    // output in constant memory, then the editor. Returns as ConvertFile.
    int Run(ConversionFiles& files);

    // When the stream's error indicator is set: reports an access failure
    // with the path and sets the abort request. Returns whether it was set.
    bool CheckStreamError(std::FILE* stream, const char* path);
    // Reports that the file at `path` could not be opened; the abort request
    // stays as it is.
    void ReportOpenFailure(const char* path);

private:
    bool Aborted() const { return abort_.load(std::memory_order_relaxed); }
    bool Starting(Stage stage);
    bool CloseOutput(ConversionFiles& files);

    const Options& options_;
    std::atomic<bool>& abort_;
    ConversionReport& report_;
    const PathSyntax& syntax_;
};

// One conversion of one file: FileConversion(...).ConvertFile(path).
int ConvertFile(const char* path, const Options& options, std::atomic<bool>& abort,
                ConversionReport& report);

}  // namespace vorlax
