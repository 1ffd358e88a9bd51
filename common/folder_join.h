// A folder the system names and a file name in it, with one "\" between
// them: the folder's last character decides (a double-byte character
// counts as one, so "表", whose second byte is that of "\", gets its "\").
// Shared by the installer and the uninstaller.
#pragma once

#include <string>

#include "codes/paths.h"

namespace vorlax::common {

inline std::string JoinFolder(const std::string& folder, const char* name) {
    std::string path = folder;
    if (!EndsWithCharacter(path, '\\', kWindowsPaths)) path += '\\';
    return path + name;
}

}  // namespace vorlax::common
