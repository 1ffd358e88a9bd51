#include "engine/converter.h"

namespace vorlax {

// Character references other than the scanner's shortcuts. Until the entity
// table and the Unicode table are in place every name is declined, so such
// references are written as they stand.
bool Converter::DecodeReference(const char* name) {
    (void)name;
    return false;
}

}  // namespace vorlax
