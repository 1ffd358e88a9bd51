#include "install/install_steps.h"

#include "codes/paths.h"
#include "common/folder_join.h"
#include "common/names.h"
#include "resources/resource.h"

namespace vorlax::install {

namespace {

using common::FileClassHandlerKey;
using common::JoinFolder;
using common::RegRoot;

// Writes the file; a short write leaves no partial file behind.
bool WriteWhole(InstallPlatform& platform, const std::string& path, const std::string& bytes) {
    switch (platform.WriteNewFile(path, bytes)) {
        case WriteResult::kWhole: return true;
        case WriteResult::kShort: platform.RemoveFile(path); return false;
        case WriteResult::kNotCreated: return false;
    }
    return false;
}

void WriteInstallFolder(InstallPlatform& platform, app::Registry& registry) {
    app::WriteMachineString(registry, common::kInstallKey, common::kInstallFolderValue,
                            InstallFolder(platform).c_str());
}

}  // namespace

std::string InstallFolder(InstallPlatform& platform) {
    std::string folder = platform.ModulePath();
    CutToFolder(folder, kWindowsPaths);
    return folder;
}

int RunInstall(InstallPlatform& platform, app::Registry& registry) {
    WriteInstallFolder(platform, registry);
    std::string windows;
    if (!platform.WindowsFolder(&windows)) windows.clear();
    const std::string uninstaller = JoinFolder(windows, common::kUninstallerFile);
    if (!WriteWhole(platform, uninstaller, platform.Resource(IDR_UNINSTALLER))) {
        platform.Message(kUninstallerNotWritten);
        return 1;
    }
    platform.MakeKey(RegRoot::kLocalMachine, common::kUninstallListKey);
    app::WriteMachineString(registry, common::kUninstallKey, "DisplayName", common::kProgramName);
    app::WriteMachineString(registry, common::kUninstallKey, "UninstallString", uninstaller.c_str());
    platform.OpenWithShell(InstallFolder(platform) + common::kHelpFile);
    return 1;
}

bool ShellExtensionRegistered(app::Registry& registry) {
    char value[256];
    if (!app::ReadClassDefault(registry, common::kFolderHandlerKey, value)) return false;
    for (const char* extension : common::kHtmlExtensions) {
        char file_class[256];
        if (!app::ReadClassDefault(registry, extension, file_class)) return false;
        if (!app::ReadClassDefault(registry, FileClassHandlerKey(file_class), value)) return false;
    }
    return true;
}

void RegisterShellExtension(InstallPlatform& platform, app::Registry& registry) {
    std::string system;
    if (!platform.SystemFolder(&system)) system.clear();
    const std::string dll = JoinFolder(system, common::kShellExtensionFile);
    // A DLL already there is neither compared nor replaced.
    if (!platform.FileExists(dll) && !WriteWhole(platform, dll, platform.Resource(IDR_SHELL_EXTENSION)))
        platform.Message(kDllNotCopied);

    for (const char* extension : common::kHtmlExtensions) {
        app::SetClassDefaultOnce(registry, extension, common::kDefaultHtmlClass);
        char file_class[256];
        if (app::ReadClassDefault(registry, extension, file_class))
            app::WriteRegString(registry, RegRoot::kClassesRoot, FileClassHandlerKey(file_class), "",
                                common::kClassIdString);
    }
    app::WriteRegString(registry, RegRoot::kClassesRoot, common::kFolderHandlerKey, "", common::kClassIdString);
    WriteInstallFolder(platform, registry);
    app::WriteRegString(registry, RegRoot::kClassesRoot, common::kClassKey, "", common::kClassName);
    app::WriteRegString(registry, RegRoot::kClassesRoot, common::kServerKey, "", common::kShellExtensionFile);
    app::WriteRegString(registry, RegRoot::kClassesRoot, common::kServerKey, common::kThreadingModelValue,
                        common::kThreadingModel);
}

void UnregisterShellExtension(InstallPlatform& platform, app::Registry& registry) {
    for (const char* extension : common::kHtmlExtensions) {
        char file_class[256];
        if (app::ReadClassDefault(registry, extension, file_class))
            platform.DeleteKey(RegRoot::kClassesRoot, FileClassHandlerKey(file_class));
    }
    platform.DeleteKey(RegRoot::kClassesRoot, common::kFolderHandlerKey);
    platform.DeleteKey(RegRoot::kLocalMachine, common::kInstallKey);
    platform.DeleteKey(RegRoot::kClassesRoot, common::kServerKey);
    platform.DeleteKey(RegRoot::kClassesRoot, common::kClassKey);
}

}  // namespace vorlax::install
