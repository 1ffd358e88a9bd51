// The installation as plain logic: "/install" (the install folder recorded,
// the uninstaller written and registered, the help file opened) and the
// shell-extension page (its initial state, registration and
// unregistration). Registry values go through the program's registry
// routines; files, resources, boxes and key deletion through
// `InstallPlatform`.
#pragma once

#include <cstddef>
#include <string>

#include "app/registry.h"
#include "common/names.h"

namespace vorlax::install {

inline constexpr char kUninstallerNotWritten[] = "アンインストール情報を登録できませんでした";
inline constexpr char kDllNotCopied[] = "必要なdllをコピーできませんでした";

// What a new file's writing came to.
enum class WriteResult { kWhole, kNotCreated, kShort };

class InstallPlatform {
public:
    // The running Vorlax.exe's full path.
    virtual std::string ModulePath() = 0;
    virtual bool WindowsFolder(std::string* folder) = 0;
    virtual bool SystemFolder(std::string* folder) = 0;
    // The bytes of resource "BIN_DATA" `id` of the running program.
    virtual std::string Resource(int id) = 0;
    // Creates (or replaces) the file, read and write access, no sharing,
    // and writes the bytes in one write.
    virtual WriteResult WriteNewFile(const std::string& path, const std::string& bytes) = 0;
    virtual void RemoveFile(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;  // FindFirstFileA
    // A box with the program's name as caption and an OK button (owned by
    // the page on the page, without owner for "/install").
    virtual void Message(const char* text) = 0;
    // Opens a file with the shell's default verb, shown normally.
    virtual void OpenWithShell(const std::string& path) = 0;
    // Creates the key when it is missing.
    virtual void MakeKey(common::RegRoot root, const std::string& key) = 0;
    virtual void DeleteKey(common::RegRoot root, const std::string& key) = 0;

protected:
    ~InstallPlatform() = default;
};

// The running program's folder, with its trailing "\".
std::string InstallFolder(InstallPlatform& platform);

// "/install": the program's exit code (always 1).
int RunInstall(InstallPlatform& platform, app::Registry& registry);

// The shell-extension page starts checked only when the folder handler
// and both file classes' handlers are there.
bool ShellExtensionRegistered(app::Registry& registry);
// Applying the page, checked: the DLL copied when absent, then the keys.
void RegisterShellExtension(InstallPlatform& platform, app::Registry& registry);
// Applying the page, cleared: the keys removed; the DLL and the class
// defaults stay.
void UnregisterShellExtension(InstallPlatform& platform, app::Registry& registry);

}  // namespace vorlax::install
