// "/install": nothing is installed yet; the run ends with exit code 1.
#include "install/install.h"

namespace vorlax::app {

int RunInstallation(HINSTANCE) { return 1; }

}  // namespace vorlax::app
