#include "alerts/help_pages.h"

#include "alerts/browser_launch.h"
#include "alerts/page_text.h"
#include "alerts/whole_file.h"

namespace orvalis {
namespace {

bool ShowPage(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
              std::string_view tempFolder, const std::string& page) {
    pages.FillHelpPaths(tempFolder);
    const bool shown = WriteWholeFile(messages, pages.helpPagePath, page) &&
                       OpenDocument(shell, messages, pages.helpPagePath, false);
    if (!shown) messages.Show(std::string(kHelpFailed), MessageIcon::Error, MessageButtons::Ok);
    return shown;
}

}  // namespace

bool ShowHelpPage(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                  std::string_view tempFolder, std::string_view displayName,
                  std::string_view resellerAddress, std::string_view resellerName) {
    return ShowPage(shell, messages, pages, tempFolder,
                    HelpPage(displayName, resellerAddress, resellerName));
}

bool ShowDistributionPage(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                          std::string_view tempFolder, std::string_view displayName) {
    return ShowPage(shell, messages, pages, tempFolder, DistributionPage(displayName));
}

}  // namespace orvalis
