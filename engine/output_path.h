// Output naming: where the text file of one input goes and what it is called.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "codes/paths.h"
#include "engine/options.h"

namespace vorlax {

// The longest path the system composes, in bytes, not counting the NUL: the
// platform's limit, which counts the NUL (MAX_PATH, 260, on Windows; PATH_MAX
// elsewhere), less one.
#ifdef _WIN32
inline constexpr std::size_t kMaxPath = 260 - 1;
#else
inline constexpr std::size_t kMaxPath = PATH_MAX - 1;
#endif

// Claims an output name on disk. The name must be claimed atomically, so that
// no existing file is ever overwritten: a name that exists is never taken.
class NameTaker {
public:
    enum Result { kTaken, kExists, kFailed };
    virtual Result Take(const std::string& path) = 0;

protected:
    ~NameTaker() = default;
};

// Takes a name by creating the file exclusively (failing when the name
// exists) and keeps the new, empty file open for binary writing.
class NewFileTaker final : public NameTaker {
public:
    NewFileTaker() = default;
    NewFileTaker(const NewFileTaker&) = delete;
    NewFileTaker& operator=(const NewFileTaker&) = delete;
    ~NewFileTaker();

    Result Take(const std::string& path) override;
    // The created file; the caller takes it over (and closes it).
    std::FILE* Release();

private:
    std::FILE* file_ = nullptr;
};

// Creates `path` for binary writing only when no file of that name exists.
// Returns null with errno set otherwise (EEXIST when the name is taken).
std::FILE* CreateNewFile(const char* path);

enum class OutputPath {
    kTaken,         // `output` names the file the taker took
    kTooLong,       // a candidate would exceed kMaxPath; `output` is empty
    kCreateFailed,  // the taker failed on `output` for another reason than its existence
};

// Names the output of `input` and takes the name with `taker`: the folder
// (the input's own, or SaveFolda when SWfolda is 0), the input's name without
// its extension, ".txt", or ".vorl" n ".txt" for n = 0, 1, ... while a name is
// taken, and the letter case SWsfn asks for.
OutputPath MakeOutputPath(const Options& options, std::string_view input, std::string& output,
                          NameTaker& taker, const PathSyntax& syntax = kNativePaths);

}  // namespace vorlax
