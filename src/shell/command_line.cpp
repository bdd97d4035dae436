#include "shell/command_line.h"

#include <filesystem>
#include <system_error>

namespace orvalis {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& executablePath) {
    CommandLine line;
    if (arguments.empty()) return line;
    line.programPath = executablePath;
    if (line.programPath.empty() && !arguments[0].empty()) {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(arguments[0], error);
        if (!error) line.programPath = absolute.lexically_normal().string();
    }
    line.bootStart = arguments.size() >= 2 && arguments[1] == "boot";
    return line;
}

}  // namespace orvalis
