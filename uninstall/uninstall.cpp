#include "uninstall/uninstall.h"

#include <cstdio>

#include "codes/paths.h"

namespace vorlax::uninstall {

namespace {

// Fills every "%s" of a format with the arguments in turn.
std::string Fill(const char* format, std::initializer_list<std::string> arguments) {
    std::string text;
    auto next = arguments.begin();
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != arguments.end()) {
            text += *next++;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

// The shell extension file: gone, scheduled, or (Windows NT, not even
// schedulable) the reason to stop.
enum class DllResult { kGone, kLeftForRestart, kStop };

DllResult RemoveShellExtension(UninstallPlatform& platform) {
    std::string system;
    if (!platform.SystemFolder(&system)) system.clear();
    const std::string dll = JoinFolder(system, common::kShellExtensionFile);
    if (!platform.FileExists(dll)) return DllResult::kGone;
    if (platform.RemoveFile(dll)) return DllResult::kGone;
    if (platform.IsWindowsNT()) {
        // The deletion at restart happens outside this program, where a
        // 32-bit program's system folder on 64-bit Windows has its real
        // name (SysWOW64): that is the name to hand over.
        std::string wow64;
        const std::string real = platform.Wow64SystemFolder(&wow64) ? JoinFolder(wow64, common::kShellExtensionFile) : dll;
        if (platform.DeleteAtRestart(real)) return DllResult::kLeftForRestart;
        platform.Message(kDllNotDeletable, kMbOk);
        return DllResult::kStop;
    }
    std::string windows;
    if (platform.WindowsFolder(&windows)) {
        const std::string ini = JoinFolder(windows, kWininitFile);
        platform.MakeFileExist(ini);
        platform.WriteIniString(ini, kWininitSection, kWininitDelete, platform.ShortPath(dll));
    }
    return DllResult::kLeftForRestart;
}

// The program files and the install folder; whether the folder stayed, and
// the folder itself for the remark.
bool RemoveProgramFiles(UninstallPlatform& platform, std::string* folder) {
    if (!platform.ReadString(RegRoot::kLocalMachine, common::kInstallKey, common::kInstallFolderValue,
                             folder)) {
        folder->clear();
        return false;
    }
    for (const char* name : kProgramFiles) platform.RemoveFile(*folder + name);
    return !platform.RemoveFolder(*folder);
}

// Writes and starts the batch that deletes the uninstaller once it has
// exited; false when the batch file can't be written.
bool ArrangeSelfDeletion(UninstallPlatform& platform) {
    const std::string own = platform.ModulePath();
    std::string name;
    if (!platform.TemporaryName(&name)) {
        platform.ShowLastError();
        return false;
    }
    const std::string pif = name + ".PIF", batch = name + ".bat";
    if (!platform.WriteNewFile(batch, BatchFileText(own, pif, batch))) {
        platform.ShowLastError();
        return false;
    }
    platform.StartBatch(batch);
    return true;
}

void RemoveRegistryEntries(UninstallPlatform& platform) {
    for (const char* extension : common::kHtmlExtensions) {
        std::string file_class;
        if (platform.ReadString(RegRoot::kClassesRoot, extension, nullptr, &file_class))
            platform.DeleteKey(RegRoot::kClassesRoot, common::FileClassHandlerKey(file_class));
    }
    platform.DeleteKey(RegRoot::kClassesRoot, common::kFolderHandlerKey);
    platform.DeleteKey(RegRoot::kLocalMachine, common::kInstallKey);
    platform.DeleteKey(RegRoot::kClassesRoot, common::kServerKey);
    platform.DeleteKey(RegRoot::kClassesRoot, common::kClassKey);
    platform.DeleteKey(RegRoot::kLocalMachine, common::kUninstallKey);
    platform.DeleteKeyIfEmpty(RegRoot::kLocalMachine, common::kVendorKey);
}

void RemoveStartMenu(UninstallPlatform& platform) {
    std::string programs;
    if (!platform.ProgramsFolder(&programs)) return;
    const std::string folder = programs + kStartMenuFolder;
    for (const char* shortcut : kShortcuts) platform.RemoveFile(folder + shortcut);
    platform.RemoveFolder(folder);
}

}  // namespace

std::string BatchFileText(const std::string& own_path, const std::string& pif_name,
                          const std::string& batch_name) {
    return Fill(":Repeat\r\ndel \"%s\"\r\nif exist \"%s\" goto Repeat\r\ndel \"%s\"\r\ndel \"%s\"\r\n",
                {own_path, own_path, pif_name, batch_name});
}

std::string ClosingMessage(bool dll_gone, bool folder_left, const std::string& install_folder) {
    const std::string remark =
        folder_left ? Fill("\n※インストールフォルダを完全に削除することができませんでした。\n　　→%s", {install_folder})
                    : std::string();
    return Fill(dll_gone ? "アンインストール完了\n%s" : "アンインストールを完了するにはWindowsを再起動する必要があります\n%s",
                {remark});
}

int RunUninstall(UninstallPlatform& platform) {
    if (platform.MainProgramRunning()) {
        platform.Message(kRefusedWhileRunning, kMbOk);
        return 0;
    }
    if (platform.Message(Fill(kConfirmationFormat, {common::kProgramName}), kMbYesNo | kMbIconQuestion) != kIdYes) return 1;

    const DllResult dll = RemoveShellExtension(platform);
    if (dll == DllResult::kStop) return 0;
    std::string folder;
    const bool folder_left = RemoveProgramFiles(platform, &folder);
    if (!ArrangeSelfDeletion(platform)) return 0;
    RemoveRegistryEntries(platform);
    RemoveStartMenu(platform);
    platform.DeleteKey(RegRoot::kCurrentUser, common::kOptionKey);
    platform.DeleteKey(RegRoot::kCurrentUser, common::kSettingsKey);
    platform.DeleteKeyIfEmpty(RegRoot::kCurrentUser, common::kVendorKey);

    platform.Message(ClosingMessage(dll == DllResult::kGone, folder_left, folder), kMbOk);
    return 1;
}

}  // namespace vorlax::uninstall
