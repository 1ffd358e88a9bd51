// Output naming: folder, base name, ".txt" or ".vorl" n ".txt", claimed atomically.
#include "engine/output_path.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace vorlax {

std::FILE* CreateNewFile(const char* path) {
#ifdef _WIN32
    // The Windows runtime ignores the exclusive mode letter of fopen; ask the
    // low-level open for it instead.
    const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        _close(fd);
        std::remove(path);
        errno = error;
    }
    return file;
#else
    return std::fopen(path, "wbx");
#endif
}

NewFileTaker::~NewFileTaker() {
    if (file_) std::fclose(file_);
}

NameTaker::Result NewFileTaker::Take(const std::string& path) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    errno = 0;
    file_ = CreateNewFile(path.c_str());
    if (file_) return kTaken;
    return errno == EEXIST ? kExists : kFailed;
}

std::FILE* NewFileTaker::Release() {
    std::FILE* file = file_;
    file_ = nullptr;
    return file;
}

namespace {

// Upper-cases the ASCII letters from `from` on; double-byte characters stay.
void UpperCase(std::string& path, std::size_t from, const PathSyntax& syntax) {
    for (std::size_t i = from; i < path.size(); i = NextCharacter(path, i, syntax))
        if (path[i] >= 'a' && path[i] <= 'z') path[i] = static_cast<char>(path[i] - 'a' + 'A');
}

bool HasLowerCaseLetter(std::string_view text) {
    for (char c : text)
        if (c >= 'a' && c <= 'z') return true;
    return false;
}

}  // namespace

OutputPath MakeOutputPath(const Options& options, std::string_view input, std::string& output,
                          NameTaker& taker, const PathSyntax& syntax) {
    output.clear();
    const std::string_view input_name = input.substr(FindFileNamePart(input, syntax));

    // The folder, then the input's name without its extension.
    std::string base;
    if (options.SWfolda == 1) {
        base = input;
    } else {
        const void* end = std::memchr(options.SaveFolda, '\0', sizeof options.SaveFolda);
        const std::string_view folder(
            options.SaveFolda, end ? static_cast<std::size_t>(static_cast<const char*>(end) -
                                                              options.SaveFolda)
                                   : sizeof options.SaveFolda);
        base = folder;
        if (!folder.empty() && !EndsWithCharacter(folder, syntax.folder_separator, syntax))
            base += syntax.folder_separator;
        base += input_name;
    }
    StripExtension(base, syntax);

    // The letter case, decided from the input's name. With SWsfn a short
    // (8.3) name is written in capitals; otherwise an extension without small
    // letters gives a capital ".TXT".
    bool upper_name = false;
    bool upper_extension = false;
    if (options.SWsfn != 0) {
        std::string stem(input_name);
        StripExtension(stem, syntax);
        upper_name = stem.size() <= 8 && !HasMultibyteCharacter(stem, syntax);
    } else {
        upper_extension = !HasLowerCaseLetter(input_name.substr(FindExtension(input_name, syntax)));
    }

    // The first candidate no file holds yet. The name taken is the final one,
    // in its final letter case.
    for (unsigned long long n = 0;; ++n) {
        std::string candidate = base;
        if (n > 0) candidate += ".vorl" + std::to_string(n - 1);
        candidate += ".txt";
        if (candidate.size() > kMaxPath) return OutputPath::kTooLong;
        if (upper_name)
            UpperCase(candidate, FindFileNamePart(candidate, syntax), syntax);
        else if (upper_extension)
            UpperCase(candidate, FindExtension(candidate, syntax), syntax);
        switch (taker.Take(candidate)) {
            case NameTaker::kTaken:
                output = std::move(candidate);
                return OutputPath::kTaken;
            case NameTaker::kExists:
                break;
            case NameTaker::kFailed:
                output = std::move(candidate);
                return OutputPath::kCreateFailed;
        }
    }
}

}  // namespace vorlax
