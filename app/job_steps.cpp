#include "app/job_steps.h"

#include <algorithm>

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

int ConvertPath(const std::string& path, JobHost& host) {
    if (path.size() > kMaxJobPath) {
        host.Refuse(path);
        return 0;
    }
    return host.Convert(path);
}

void RunDroppedPaths(const std::vector<std::string>& paths, JobHost& host) {
    const unsigned long total = static_cast<unsigned long>(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        host.Progress(CountedProgress(static_cast<unsigned long>(i + 1), total, FileNamePart(paths[i])));
        if (ConvertPath(paths[i], host) == 0) return;
    }
}

void RunPathArguments(const std::vector<std::string>& args, JobHost& host) {
    for (const std::string& arg : args) {
        if (EqualsNoCase(arg, "/e")) {
            host.OpenLaterOutputsInEditor();
            continue;
        }
        std::string path = arg;
        // A wildcard left in an argument (it was quoted, or matched
        // nothing) names a file literally; it is not looked up as a pattern,
        // and a path too long is not looked up at all.
        const bool wildcard = arg.find_first_of("*?") != std::string::npos;
        const std::string name = wildcard || arg.size() > kMaxJobPath ? std::string() : host.LongName(arg);
        if (!name.empty()) {
            CutToFolder(path, kWindowsPaths);
            path += name;
        }
        host.Progress(PlainProgress(FileNamePart(path)));
        if (ConvertPath(path, host) == 0) return;
    }
}

namespace {

// One line of a list file without its LF (kept up to kMaxListLine bytes);
// false at the end of the file.
bool ReadListLine(std::FILE* list, std::string& line) {
    line.clear();
    int c = std::getc(list);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(list))
        if (line.size() < kMaxListLine) line += static_cast<char>(c);
    return true;
}

}  // namespace

void RunListFile(std::FILE* list, JobHost& host) {
    std::string line;
    while (ReadListLine(list, line)) {
        const std::string path = line.substr(0, std::min(line.find('\r'), line.find('\0')));
        host.Progress(PlainProgress(FileNamePart(path)));
        if (ConvertPath(path, host) == 0) return;
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
        ConvertPath(strings[0], host);
        return;
    }
    std::string base = strings[0];
    // A root folder ("C:\") already ends with its separator.
    if (!EndsWithCharacter(base, '\\', kWindowsPaths) && !EndsWithCharacter(base, '/', kWindowsPaths))
        base += '\\';
    const unsigned long total = static_cast<unsigned long>(strings.size() - 1);
    for (std::size_t i = 1; i < strings.size(); ++i) {
        const std::string path = base + strings[i];
        host.Progress(CountedProgress(static_cast<unsigned long>(i), total, strings[i]));
        if (ConvertPath(path, host) == 0) return;
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
