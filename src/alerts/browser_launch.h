#pragma once

#include <string>
#include <string_view>

#include "alerts/desktop_shell.h"
#include "alerts/user_messages.h"

namespace orvalis {

/// The message shown when the desktop would not open a page; "%s" is the address to type in.
inline constexpr std::string_view kBrowserFailed =
    "Unable to activate your Internet browser\n\n"
    "Please activate your browser and enter the address:\n\n%s";

/// Opens the file at `path` with the desktop's default application; true when the desktop
/// accepted it. A refusal is shown as kBrowserFailed with the path when `reportFailure` is set.
bool OpenDocument(DesktopShell& shell, UserMessages& messages, const std::string& path,
                  bool reportFailure);

/// Opens `address` in the user's browser through a redirect page written at `pagePath`, which is
/// first named in `tempFolder` when empty (the help page's file; whichever page is written last
/// wins). True when the desktop accepted the page. A failed write shows its own message; a refusal
/// is shown as kBrowserFailed with the address when `reportFailure` is set. An empty address has
/// nowhere to lead: nothing is written or opened, and the result is false.
bool OpenInBrowser(DesktopShell& shell, UserMessages& messages, const std::string& address,
                   bool reportFailure, std::string& pagePath, std::string_view tempFolder);

}  // namespace orvalis
