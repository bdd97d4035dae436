#pragma once

#include "alerts/desktop_shell.h"

namespace orvalis {

/// Opens addresses and files through the desktop's handler (xdg-open on Linux).
class QtDesktopShell : public DesktopShell {
   public:
    bool Open(const std::string& addressOrPath) override;
};

}  // namespace orvalis
