#pragma once

#include <string>

namespace orvalis {

/// Hands addresses and files to the user's desktop: the default web browser or viewer.
class DesktopShell {
   public:
    virtual ~DesktopShell() = default;

    /// Opens a web address or a local file; true when the desktop accepted the request.
    virtual bool Open(const std::string& addressOrPath) = 0;
};

}  // namespace orvalis
