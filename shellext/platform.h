// What the extension's parts share on the platform side: the class id and
// the system code page's stepping.
#pragma once

#include <windows.h>

#include "shellext/selection.h"

namespace vorlax::shellext {

extern const CLSID kExtensionClassId;

// CharNextA and IsDBCSLeadByte.
const CharacterSteps& SystemSteps();

}  // namespace vorlax::shellext
