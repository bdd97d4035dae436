#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace orvalis::test {

/// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace orvalis::test
