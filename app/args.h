// The program's command line: split into arguments the way the C runtime
// does, then wildcards expanded against the file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlax::app {

struct Argument {
    std::string text;
    // The argument began with a double quote on the command line: it is
    // never expanded, "*.htm" names a file called *.htm.
    bool quoted = false;
};

// Splits a whole command line (the program's own name first) the way the C
// runtime builds argv: blanks and tabs separate, double quotes group, 2n
// backslashes before a quote give n backslashes and a grouping quote, 2n+1
// give n and a literal quote, other backslashes stand as they are; "" inside
// quotes is a literal quote. The program name ends at its closing quote or
// first blank and knows no escapes. A CP932 lead byte takes its trail byte
// along, so the trail byte 0x5C of a character such as "表" is not a
// backslash.
std::vector<Argument> SplitCommandLine(std::string_view line);

// Lists the names of the directory entries that match a wildcard pattern
// (only the names, without their folder).
class DirectoryLister {
public:
    virtual std::vector<std::string> Matches(const std::string& pattern) = 0;

protected:
    ~DirectoryLister() = default;
};

// Orders two names without regard to the case of ASCII letters, a
// double-byte character comparing as one unit. Negative, 0 or positive.
int CompareNoCase(std::string_view a, std::string_view b);

// The argument vector the program works with: argument 0 (the program) as it
// is, and every other argument that was not quoted and holds "*" or "?"
// replaced by its matches, "." and ".." left out, each with the argument's
// folder part in front, sorted by CompareNoCase. An argument that matches
// nothing stays as written.
std::vector<std::string> ExpandArguments(const std::vector<Argument>& args, DirectoryLister& lister);

}  // namespace vorlax::app
