#pragma once

#include <string>
#include <vector>

#include "alerts/desktop_shell.h"

namespace orvalis::test {

/// Records every address or file handed to the desktop and accepts or refuses as told.
class RecordingShell : public DesktopShell {
   public:
    bool Open(const std::string& addressOrPath) override {
        opened.push_back(addressOrPath);
        return accept;
    }

    std::vector<std::string> opened;  ///< every request, in order
    bool accept = true;               ///< the answer to every request
};

}  // namespace orvalis::test
