// What a conversion job does, apart from the platform: which paths it
// converts in which order, the progress line it shows for each, where it
// stops. The Windows program runs these on its worker thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vorlax::app {

// The longest path a job composes or takes, in bytes before the
// terminator: the platform's limit. A longer path, from wherever it comes,
// is refused whole with the open failure; it is never cut, so that no
// other file is opened in its place.
inline constexpr std::size_t kMaxJobPath = 259;

// Progress lines: "変換中[i/n]:name" for the open-dialog and drop jobs,
// "変換中 : name" for the command-line job.
std::string CountedProgress(unsigned long index, unsigned long total, std::string_view name);
std::string PlainProgress(std::string_view name);

// The file-name part of a path (CP932, "\", "/" and ":" separate).
std::string_view FileNamePart(std::string_view path);

// What a job needs from the program.
class JobHost {
public:
    // Shows a progress line.
    virtual void Progress(const std::string& line) = 0;
    // Converts one file; 0 stops the job.
    virtual int Convert(const std::string& path) = 0;
    // Reports a path too long for the platform as a file that cannot be
    // opened (the job then stops).
    virtual void Refuse(const std::string& path) = 0;
    // The name the file system reports for a path (its long name, in the
    // case stored on disk), or "" when there is no such file.
    virtual std::string LongName(const std::string& path) = 0;
    // "/e": open the outputs of the later arguments in the editor.
    virtual void OpenLaterOutputsInEditor() = 0;

protected:
    ~JobHost() = default;
};

// Converts one path of a job: refuses it when it is longer than
// kMaxJobPath. 0 stops the job.
int ConvertPath(const std::string& path, JobHost& host);

// The dropped paths, whole, in order, each with its counted progress line.
// Stops at the first failure.
void RunDroppedPaths(const std::vector<std::string>& paths, JobHost& host);

// The command line's paths, argv[1] onwards: "/e" (any case) turns the
// editor on for the later ones; every other argument is converted under the
// name the file system reports (its folder part kept), or as written when
// there is no such file or it holds a wildcard. Stops at the first failure;
// an argument, or an argument's folder with the reported name, longer than
// kMaxJobPath is refused.
void RunPathArguments(const std::vector<std::string>& args, JobHost& host);

// The most bytes of one list-file line that are kept: a longer line is no
// path of any platform, refused all the same, and named by its beginning.
inline constexpr std::size_t kMaxListLine = 32767;

// Reads a list file opened for reading in text mode: one path per line, the
// line cut at its first CR (and, as a C string, at a NUL byte), converted in
// order. Stops at the first failure; a line longer than kMaxJobPath is
// refused whole.
void RunListFile(std::FILE* list, JobHost& host);

// Whether the command line asks for the list form: "/r" (any case) followed
// by the list file.
bool IsListForm(const std::vector<std::string>& argv);

// The open dialog's selection: one full path, or a folder followed by file
// names, each NUL-terminated, the whole ended by an empty string. `folder`
// says which (the platform looks at the first string). A path, or a folder
// with a name, longer than kMaxJobPath is refused and stops the job.
std::vector<std::string> SelectionStrings(const char* buffer, std::size_t size);
void RunSelection(const std::vector<std::string>& strings, bool folder, JobHost& host);

// Whether a selection whose first string the file system could not look at
// (a drive's root folder) is a folder and names: names follow it.
bool SelectionLooksLikeFolder(const std::vector<std::string>& strings);

// The five-file question of the editor launch, kept per job.
class EditorLaunch {
public:
    enum class Step {
        kNone,     // nothing to do
        kTooLong,  // the editor's command line would be too long: stop the job
        kAsk,      // ask whether to go on opening, then call Answer
        kLaunch,   // start the editor with `command`, then call Launched
    };

    // A new job: the flag up, no output opened.
    void Reset() {
        open_ = true;
        opened_ = 0;
    }
    // What to do for a finished output, with SWedit and Editor as they are now.
    Step Next(int swedit, std::string_view editor, std::string_view output, std::string& command);
    // The answer to the question: true goes on to kLaunch with the same
    // command; false closes the question for this job (and counts the output).
    Step Answer(bool yes);
    // The editor was started (or tried: its result is not looked at).
    void Launched() { ++opened_; }

    bool open() const { return open_; }
    std::uint32_t opened() const { return opened_; }

private:
    bool open_ = true;
    std::uint32_t opened_ = 0;
};

}  // namespace vorlax::app
