// The uninstaller's steps as plain logic: what it removes, in which order,
// the clean-up batch file's text and the closing message. Every file,
// registry, shell and process operation goes through `UninstallPlatform`;
// UnInst_Vorlax.exe gives it the real Windows calls.
#pragma once

#include <string>

#include "common/folder_join.h"
#include "common/names.h"

namespace vorlax::uninstall {

using common::JoinFolder;
using common::RegRoot;

// Message box flags and answers, as the platform numbers them.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr int kIdYes = 6;

inline constexpr char kRefusedWhileRunning[] = "アンインストールする前に、Vorlaxを終了させて下さい。";
inline constexpr char kConfirmationFormat[] = "%s をアンインストールします。\nよろしいですか？";
inline constexpr char kDllNotDeletable[] = "dllを削除できませんでした。\nAdministrator権限が必要です";

// The files in the install folder: the program, its help file, and those
// an older version's help left there.
inline constexpr const char* kProgramFiles[] = {common::kProgramFile, "Vorlax.hlp", common::kHelpFile, "Vorlax.gid"};
inline constexpr char kStartMenuFolder[] = "\\HTML→TEXT変換 Vorlax";
inline constexpr const char* kShortcuts[] = {"\\Vorlax.lnk", "\\Vorlaxについて.lnk", "\\Vorlaxのヘルプ.lnk"};
inline constexpr char kBatchPrefix[] = "zel";
// What Windows 95, 98 and Me delete at their next start: the "rename"
// section of WININIT.INI, each line "destination=source", the destination
// NUL for a deletion. It is read before long names are available, so the
// source is a short (8.3) path.
inline constexpr char kWininitFile[] = "WININIT.INI";
inline constexpr char kWininitSection[] = "rename";
inline constexpr char kWininitDelete[] = "NUL";

// What the uninstaller asks of the system.
class UninstallPlatform {
public:
    // A top-level window of the main program's class and title exists.
    virtual bool MainProgramRunning() = 0;
    // A message box without owner, the program's name its caption; the
    // button pressed.
    virtual int Message(const std::string& text, unsigned flags) = 0;
    // The "Win32 API Error" box with the system's text for the last error.
    virtual void ShowLastError() = 0;

    virtual bool FileExists(const std::string& path) = 0;  // FindFirstFileA
    virtual bool RemoveFile(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    // The platform is Windows NT (platform id 2).
    virtual bool IsWindowsNT() = 0;
    // MoveFileExA with no new name, delayed until the next start; false
    // also where the system has no such call.
    virtual bool DeleteAtRestart(const std::string& path) = 0;
    // The system and the Windows folders; false when they can't be had.
    virtual bool SystemFolder(std::string* folder) = 0;
    virtual bool WindowsFolder(std::string* folder) = 0;
    // Where the system really keeps this program's system folder when the
    // program runs as a 32-bit one on 64-bit Windows (SysWOW64, which the
    // program sees under the name of the native system folder); false
    // everywhere else.
    virtual bool Wow64SystemFolder(std::string* folder) = 0;
    // The short (8.3) form of an existing file's path, or the path itself
    // when the system gives none.
    virtual std::string ShortPath(const std::string& path) = 0;
    // Opens the file with OPEN_ALWAYS and closes it, so that it exists.
    virtual void MakeFileExist(const std::string& path) = 0;
    virtual void WriteIniString(const std::string& file, const char* section, const char* key,
                                    const std::string& value) = 0;

    // A string value (null name: the default value) read into a 255-byte
    // buffer, the key opened for reading and writing; false when key or
    // value is missing.
    virtual bool ReadString(RegRoot root, const std::string& key, const char* name, std::string* value) = 0;
    virtual void DeleteKey(RegRoot root, const std::string& key) = 0;
    // Deletes the key only when it holds neither subkeys nor values.
    virtual void DeleteKeyIfEmpty(RegRoot root, const std::string& key) = 0;

    // The uninstaller's own full path.
    virtual std::string ModulePath() = 0;
    // A unique name the system made in the temporary folder (the file
    // itself deleted again); false when none could be made.
    virtual bool TemporaryName(std::string* name) = 0;
    // Creates the file anew and writes the bytes (no terminator); false,
    // with the last error kept, when it can't be created.
    virtual bool WriteNewFile(const std::string& path, const std::string& bytes) = 0;
    // Starts the batch file hidden, suspended and idle, sets the
    // priorities (the batch idle, the uninstaller high and time-critical)
    // and resumes it; false when it doesn't start.
    virtual bool StartBatch(const std::string& path) = 0;
    // The user's Programs folder; false when it can't be had.
    virtual bool ProgramsFolder(std::string* folder) = 0;

protected:
    ~UninstallPlatform() = default;
};

// The clean-up batch: deletes the uninstaller until it is gone, then the
// ".PIF" name and itself.
std::string BatchFileText(const std::string& own_path, const std::string& pif_name,
                          const std::string& batch_name);

// The closing message: completion or the restart request, with the remark
// on an install folder that could not be removed.
std::string ClosingMessage(bool dll_gone, bool folder_left, const std::string& install_folder);

// The whole uninstallation; the program's exit code (1 completed or
// declined, 0 stopped early).
int RunUninstall(UninstallPlatform& platform);

}  // namespace vorlax::uninstall
