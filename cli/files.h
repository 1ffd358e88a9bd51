// The command line's conversions: standard input to standard output, and
// files on disk, each into the output the options name.
#pragma once

#include <string>
#include <vector>

#include "engine/options.h"

namespace vorlax_cli {

struct BatchSettings {
    bool verbose = false;  // print "input -> output" for every converted file
    unsigned jobs = 1;     // files converted at the same time
};

// Converts the files; output names are taken in input order, so the result
// does not depend on the number of jobs. A file that fails is reported on
// stderr and the batch goes on with the next one, unless the run is
// interrupted. On a terminal, stderr shows a progress line. Returns 0 when
// every file was converted, 1 otherwise.
int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 const BatchSettings& settings);

// Converts standard input to standard output as a stream. Returns 0, or 1
// after a read or write error (reported on stderr).
int ConvertStandardInput(const vorlax::Options& options);

// The system's message (CP932) with the path (file-system bytes, left as they
// are) in place of "%s", as UTF-8 text for the terminal.
std::string TerminalMessage(const char* format, const char* path);

}  // namespace vorlax_cli
