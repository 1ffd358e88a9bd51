// The program's installation, started by "Vorlax.exe /install".
#pragma once

#include <windows.h>

namespace vorlax::app {

// Installs the program and returns the program's exit code.
int RunInstallation(HINSTANCE instance);

}  // namespace vorlax::app
