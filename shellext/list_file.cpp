#include "shellext/list_file.h"

#include <cstring>

namespace vorlax::shellext {

namespace {

// folder + "\" + name into `out`; false when that would not fit in a path buffer.
bool Join(const std::string& folder, const char* name, std::string& out) {
    const std::size_t length = folder.size() + 1 + std::strlen(name);
    if (length >= kMaxPath) return false;
    out.assign(folder).append(1, '\\').append(name);
    return true;
}

}  // namespace

void StreamListSink::WriteLine(const std::string& path) {
    std::fputs(path.c_str(), stream_);
    std::fputc('\n', stream_);
}

void TextListSink::WriteLine(const std::string& path) {
    text_ += path;
    text_ += "\r\n";
}

void WriteFolderEntries(const std::string& folder, bool include_subfolders, FolderLister& lister,
                        ListSink& sink) {
    std::string pattern;
    if (include_subfolders && Join(folder, "*.*", pattern)) {
        lister.List(pattern, [&](const char* name, bool is_folder) {
            if (!is_folder || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return;
            std::string subfolder;
            if (Join(folder, name, subfolder))
                WriteFolderEntries(subfolder, include_subfolders, lister, sink);
        });
    }
    if (Join(folder, "*.htm", pattern)) {
        lister.List(pattern, [&](const char* name, bool is_folder) {
            std::string file;
            if (!is_folder && Join(folder, name, file)) sink.WriteLine(file);
        });
    }
}

void WriteSelection(const Selection& selection, bool include_subfolders, FolderLister& lister,
                    ListSink& sink) {
    for (const SelectionEntry& entry : selection) {
        if (entry.is_folder)
            WriteFolderEntries(entry.path, include_subfolders, lister, sink);
        else
            sink.WriteLine(entry.path);
    }
}

}  // namespace vorlax::shellext
