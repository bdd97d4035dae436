#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orvalis::test {

/// Debian's chromium, run headless on one page per call with its own fresh profile. Every host
/// name but 127.0.0.1 fails to resolve and every other request goes to a closed proxy, so a page
/// can reach nothing beyond this machine. Each run is cut off after a minute.
class HeadlessBrowser {
   public:
    /// True when chromium is installed.
    static bool Available();

    /// The document shown once `url` has loaded and any refresh has been followed; empty when the
    /// browser failed.
    std::string DumpDom(const std::string& url);

    /// Saves what a window of `width` × `height` pixels shows of `url` as a PNG at `pngPath`; true
    /// when the file was written.
    bool Screenshot(const std::string& url, const std::string& pngPath, int width, int height);

   private:
    std::string Run(const std::vector<std::string>& actions, const std::string& url, int* status);

    TempDir profile_;
};

}  // namespace orvalis::test
