#include "install/install_steps.h"

#include "codes/paths.h"
#include "shellext/registration.h"

namespace vorlax::install {

namespace {

using app::RegRoot;

// The handler key of a file class.
std::string ClassHandlerKey(const char* file_class) {
    static_assert(shellext::kFileClassHandlerKeyFormat[0] == '%' && shellext::kFileClassHandlerKeyFormat[1] == 's');
    return file_class + std::string(shellext::kFileClassHandlerKeyFormat + 2);
}

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
    app::WriteMachineString(registry, shellext::kInstallKey, shellext::kInstallFolderValue,
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
    const std::string uninstaller = JoinFolder(windows, kUninstallerFile);
    if (!WriteWhole(platform, uninstaller, platform.Resource(kUninstallerResource))) {
        platform.Message(kUninstallerNotWritten);
        return 1;
    }
    platform.MakeKey(RegRoot::kLocalMachine, kUninstallListKey);
    app::WriteMachineString(registry, kUninstallKey, "DisplayName", "Vorlax");
    app::WriteMachineString(registry, kUninstallKey, "UninstallString", uninstaller.c_str());
    platform.OpenWithShell(InstallFolder(platform) + kHelpFile);
    return 1;
}

bool ShellExtensionRegistered(app::Registry& registry) {
    char value[256];
    if (!app::ReadClassDefault(registry, shellext::kFolderHandlerKey, value)) return false;
    for (const char* extension : shellext::kHtmlExtensions) {
        char file_class[256];
        if (!app::ReadClassDefault(registry, extension, file_class)) return false;
        if (!app::ReadClassDefault(registry, ClassHandlerKey(file_class), value)) return false;
    }
    return true;
}

void RegisterShellExtension(InstallPlatform& platform, app::Registry& registry) {
    std::string system;
    if (!platform.SystemFolder(&system)) system.clear();
    const std::string dll = JoinFolder(system, shellext::kServerFile);
    // A DLL already there is neither compared nor replaced.
    if (!platform.FileExists(dll) && !WriteWhole(platform, dll, platform.Resource(kShellExtensionResource)))
        platform.Message(kDllNotCopied);

    for (const char* extension : shellext::kHtmlExtensions) {
        app::SetClassDefaultOnce(registry, extension, shellext::kDefaultHtmlClass);
        char file_class[256];
        if (app::ReadClassDefault(registry, extension, file_class))
            app::WriteRegString(registry, RegRoot::kClassesRoot, ClassHandlerKey(file_class), "",
                                shellext::kClassIdString);
    }
    app::WriteRegString(registry, RegRoot::kClassesRoot, shellext::kFolderHandlerKey, "", shellext::kClassIdString);
    WriteInstallFolder(platform, registry);
    app::WriteRegString(registry, RegRoot::kClassesRoot, shellext::kClassKey, "", shellext::kClassName);
    app::WriteRegString(registry, RegRoot::kClassesRoot, shellext::kServerKey, "", shellext::kServerFile);
    app::WriteRegString(registry, RegRoot::kClassesRoot, shellext::kServerKey, shellext::kThreadingModelValue,
                        shellext::kThreadingModel);
}

void UnregisterShellExtension(InstallPlatform& platform, app::Registry& registry) {
    for (const char* extension : shellext::kHtmlExtensions) {
        char file_class[256];
        if (app::ReadClassDefault(registry, extension, file_class))
            platform.DeleteKey(RegRoot::kClassesRoot, ClassHandlerKey(file_class));
    }
    platform.DeleteKey(RegRoot::kClassesRoot, shellext::kFolderHandlerKey);
    platform.DeleteKey(RegRoot::kLocalMachine, shellext::kInstallKey);
    platform.DeleteKey(RegRoot::kClassesRoot, shellext::kServerKey);
    platform.DeleteKey(RegRoot::kClassesRoot, shellext::kClassKey);
}

}  // namespace vorlax::install
