#pragma once

#include <string>
#include <string_view>

#include "alerts/desktop_shell.h"
#include "alerts/temporary_pages.h"
#include "alerts/user_messages.h"

namespace orvalis {

/// The message shown when the help or distribution page could not be written or opened.
inline constexpr std::string_view kHelpFailed = "Unable to show help through your Internet browser";

/// Writes the help page to `pages.helpPagePath` (named in `tempFolder` on first use) and opens it
/// in the browser; true when the desktop accepted it, otherwise shows kHelpFailed (after the write
/// error's own message when the write failed).
bool ShowHelpPage(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                  std::string_view tempFolder, std::string_view displayName,
                  std::string_view resellerAddress, std::string_view resellerName);

/// As ShowHelpPage, for the distribution page.
bool ShowDistributionPage(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                          std::string_view tempFolder, std::string_view displayName);

}  // namespace orvalis
