#pragma once

#include <string>

namespace orvalis {

/// The pages written to the temporary folder for the browser; deleted when the program closes.
struct TemporaryPages {
    std::string redirectPagePath;  ///< the free gift's redirect page, once written
    std::string helpPagePath;      ///< the help or distribution page, once written
    std::string helpPicturePath;   ///< the picture beside the help page, once written

    /// Deletes every file named here (a missing one is no error) and forgets the paths.
    void DeleteAll();
};

}  // namespace orvalis
