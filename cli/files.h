// vorlax FILE...: converts files on disk, each into the output the options name.
#pragma once

#include <string>
#include <vector>

#include "engine/options.h"

namespace vorlax_cli {

// Converts the files in order; a file that fails is reported on stderr and
// the batch goes on with the next one, unless the run is interrupted.
// With `verbose`, prints "input -> output" for every converted file.
// Returns 0 when every file was converted, 1 otherwise.
int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 bool verbose);

// The system's message (CP932) with the path (file-system bytes, left as they
// are) in place of "%s", as UTF-8 text for the terminal.
std::string TerminalMessage(const char* format, const char* path);

}  // namespace vorlax_cli
