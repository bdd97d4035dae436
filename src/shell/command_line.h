#pragma once

#include <string>
#include <vector>

namespace orvalis {

/// What the command line says about this start.
struct CommandLine {
    std::string programPath;  ///< the absolute path of the running program, or empty
    bool bootStart = false;   ///< started by the autorun entry ("boot" as the first argument)
};

/// Reads `arguments` (argv, the program first). "boot", exactly and case-sensitively, as the first
/// argument after the program marks an autorun start; later arguments are ignored. The program
/// path is `executablePath` when known (the autorun entry needs an absolute path), else the first
/// argument made absolute.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& executablePath);

}  // namespace orvalis
