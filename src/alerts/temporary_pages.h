#pragma once

#include <string>
#include <string_view>

namespace orvalis {

/// File name of the help and distribution page, and of a redirect page by default.
inline constexpr std::string_view kHelpPageFile = "temp_webtool_help.html";

/// File name of the picture that belongs beside the help page.
inline constexpr std::string_view kHelpPictureFile = "temp_webtool_box.gif";

/// `fileName` in `tempFolder` (with or without its final '/'); in /tmp when the folder is unknown.
std::string TemporaryPagePath(std::string_view tempFolder, std::string_view fileName);

/// The pages written to the temporary folder for the browser; deleted when the program closes.
struct TemporaryPages {
    std::string redirectPagePath;  ///< the free gift's redirect page, once written
    std::string helpPagePath;      ///< the help or distribution page, once written
    std::string helpPicturePath;   ///< the picture beside the help page, once written

    /// Names the help page and its picture in `tempFolder`, both anew when either is unnamed.
    void FillHelpPaths(std::string_view tempFolder);

    /// Deletes every file named here (a missing one is no error) and forgets the paths.
    void DeleteAll();
};

}  // namespace orvalis
