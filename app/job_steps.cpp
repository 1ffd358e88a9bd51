#include "app/job_steps.h"

#include <cstring>

#include "codes/ascii.h"
#include "codes/paths.h"

namespace vorlax::app {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

}  // namespace

std::string CountedProgress(unsigned long index, unsigned long total, std::string_view name) {
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, "[%lu/%lu]:", index, total);
    std::string line = "変換中";
    line += numbers;
    line += name;
    return line;
}

std::string PlainProgress(std::string_view name) {
    std::string line = "変換中 : ";
    line += name;
    return line;
}

std::string_view FileNamePart(std::string_view path) {
    return path.substr(FindFileNamePart(path, kWindowsPaths));
}

void RunPathArguments(const std::vector<std::string>& args, JobHost& host) {
    for (const std::string& arg : args) {
        if (EqualsNoCase(arg, "/e")) {
            host.OpenLaterOutputsInEditor();
            continue;
        }
        std::string path = arg;
        // A wildcard left in an argument (it was quoted, or matched
        // nothing) names a file literally; it is not looked up as a pattern.
        const bool wildcard = arg.find_first_of("*?") != std::string::npos;
        const std::string name = wildcard ? std::string() : host.LongName(arg);
        if (!name.empty()) {
            path = arg;
            CutToFolder(path, kWindowsPaths);
            path += name;
            if (path.size() > kMaxJobPath) return;
        }
        host.Progress(PlainProgress(FileNamePart(path)));
        if (host.Convert(path) == 0) return;
    }
}

void RunListFile(std::FILE* list, JobHost& host) {
    char line[kMaxJobPath + 1];
    // The last piece filled the buffer: its line may end in the next one.
    bool full = false;
    while (std::fgets(line, sizeof line, list)) {
        const bool only_line_end = line[0] == '\r' || line[0] == '\n';
        const bool was_full = full;
        full = std::strlen(line) == kMaxJobPath && line[kMaxJobPath - 1] != '\n';
        // The end of a line of exactly 259 bytes is no empty path of its own.
        if (was_full && only_line_end) continue;
        line[std::strcspn(line, "\r")] = '\0';
        line[std::strcspn(line, "\n")] = '\0';
        const std::string path = line;
        host.Progress(PlainProgress(FileNamePart(path)));
        if (host.Convert(path) == 0) return;
    }
}

bool IsListForm(const std::vector<std::string>& argv) {
    return argv.size() > 2 && EqualsNoCase(argv[1], "/r");
}

std::vector<std::string> SelectionStrings(const char* buffer, std::size_t size) {
    std::vector<std::string> strings;
    std::size_t i = 0;
    while (i < size && buffer[i] != '\0') {
        const std::size_t start = i;
        while (i < size && buffer[i] != '\0') ++i;
        strings.emplace_back(buffer + start, i - start);
        ++i;
    }
    return strings;
}

bool SelectionLooksLikeFolder(const std::vector<std::string>& strings) { return strings.size() > 1; }

void RunSelection(const std::vector<std::string>& strings, bool folder, JobHost& host) {
    if (strings.empty()) return;
    if (!folder) {
        host.Progress(CountedProgress(1, 1, FileNamePart(strings[0])));
        host.Convert(strings[0]);
        return;
    }
    std::string base = strings[0];
    // A root folder ("C:\") already ends with its separator.
    if (!EndsWithCharacter(base, '\\', kWindowsPaths) && !EndsWithCharacter(base, '/', kWindowsPaths))
        base += '\\';
    const unsigned long total = static_cast<unsigned long>(strings.size() - 1);
    for (std::size_t i = 1; i < strings.size(); ++i) {
        const std::string path = base + strings[i];
        if (path.size() > kMaxJobPath) return;
        host.Progress(CountedProgress(static_cast<unsigned long>(i), total, strings[i]));
        if (host.Convert(path) == 0) return;
    }
}

EditorLaunch::Step EditorLaunch::Next(int swedit, std::string_view editor, std::string_view output,
                                      std::string& command) {
    if (swedit != 1 || !open_) return Step::kNone;
    if (editor.size() > 259) editor = editor.substr(0, 259);
    if (editor.size() + output.size() + 3 > 260) return Step::kTooLong;
    command.assign(editor);
    command += " \"";
    command += output;
    command += '"';
    return opened_ == 5 ? Step::kAsk : Step::kLaunch;
}

EditorLaunch::Step EditorLaunch::Answer(bool yes) {
    if (yes) return Step::kLaunch;
    open_ = false;
    ++opened_;
    return Step::kNone;
}

}  // namespace vorlax::app
