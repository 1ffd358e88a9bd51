// The list file that hands the work to Vorlax.exe: one absolute path per
// line, the selection in the shell's order with each selected folder's HTML
// files in its place. Plain logic over a directory-listing interface and a
// line sink; the extension gives it the platform's directory search and a
// text-mode stream.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "shellext/selection.h"

namespace vorlax::shellext {

// The list file: a new, empty, uniquely named file in the temporary folder,
// made from this prefix, opened as a text-mode stream for update, truncated.
inline constexpr char kListFilePrefix[] = "zel";
inline constexpr char kListFileMode[] = "w+";

// A directory search.
class FolderLister {
public:
    // Calls `visit` for every entry that matches `pattern` (a folder, "\" and
    // a wildcard name), in the order the file system returns them, with the
    // entry's name and whether it is a folder. Nothing when the search fails.
    virtual void List(const std::string& pattern,
                      const std::function<void(const char* name, bool is_folder)>& visit) = 0;

protected:
    ~FolderLister() = default;
};

// Where the list's lines go.
class ListSink {
public:
    virtual void WriteLine(const std::string& path) = 0;

protected:
    ~ListSink() = default;
};

// Lines into a stream: the path and a line feed, which a text-mode stream
// on Windows writes as CR LF.
class StreamListSink final : public ListSink {
public:
    explicit StreamListSink(std::FILE* stream) : stream_(stream) {}
    void WriteLine(const std::string& path) override;

private:
    std::FILE* stream_;
};

// Lines into memory, as the file holds them: the path and CR LF.
class TextListSink final : public ListSink {
public:
    void WriteLine(const std::string& path) override;
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The lines of one selected folder: with `include_subfolders`, first every
// subfolder's lines (its own subfolders first), then the folder's own
// "*.htm" files, each as folder + "\" + name. A joined path (or search
// pattern) longer than kMaxPath - 1 bytes is left out, never written cut.
void WriteFolderEntries(const std::string& folder, bool include_subfolders, FolderLister& lister,
                        ListSink& sink);

// The whole list: each selected file as its path, each selected folder
// expanded in place by WriteFolderEntries.
void WriteSelection(const Selection& selection, bool include_subfolders, FolderLister& lister,
                    ListSink& sink);

}  // namespace vorlax::shellext
