// "/install": the install folder recorded, the uninstaller written into the
// Windows folder and registered, the help file opened; no window.
#include "install/install.h"

#include "app/win/win_registry.h"
#include "install/win_platform.h"

namespace vorlax::app {

int RunInstallation(HINSTANCE instance) {
    install::WinInstallPlatform platform(instance, nullptr);
    return install::RunInstall(platform, ProgramRegistry());
}

}  // namespace vorlax::app
