// The command line's conversions: standard input to standard output, and
// files on disk, each into the output the options name.
#pragma once

#include <string>
#include <vector>

#include "engine/options.h"

namespace vorlax::cli {

struct BatchSettings {
    bool verbose = false;  // print "input -> output" for every converted file
    unsigned jobs = 1;     // files converted at the same time
};

// Converts the files; output names are taken in input order, so the result
// does not depend on the number of jobs. An input that is the output of an
// earlier file of the batch is read once that output is complete. A file that
// fails is reported on stderr and the batch goes on with the next one. On a
// terminal, stderr shows a progress line. Returns 0 when every file was
// converted, 1 otherwise. A stop signal ends the run within a fraction of a
// second (outputs under way removed) and then the process, by that signal;
// a -v line that cannot be written stops the run the same way, with status 1.
int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 const BatchSettings& settings);

// Converts standard input to standard output as a stream. Returns 0, or 1
// after a read or write error (reported on stderr); a stop signal ends the
// process by that signal.
int ConvertStandardInput(const vorlax::Options& options);

}  // namespace vorlax::cli
