#include "alerts/browser_launch.h"

#include "alerts/error_message.h"
#include "alerts/page_text.h"
#include "alerts/temporary_pages.h"
#include "alerts/whole_file.h"

namespace orvalis {

bool OpenDocument(DesktopShell& shell, UserMessages& messages, const std::string& path,
                  bool reportFailure) {
    if (shell.Open(path)) return true;
    if (reportFailure) ShowErrorMessage(messages, kBrowserFailed, path);
    return false;
}

bool OpenInBrowser(DesktopShell& shell, UserMessages& messages, const std::string& address,
                   bool reportFailure, std::string& pagePath, std::string_view tempFolder) {
    // A redirect page without an address would refresh to itself without end.
    if (address.empty()) return false;
    if (pagePath.empty()) pagePath = TemporaryPagePath(tempFolder, kHelpPageFile);
    if (!WriteWholeFile(messages, pagePath, RedirectPage(address))) return false;
    if (shell.Open(pagePath)) return true;
    if (reportFailure) ShowErrorMessage(messages, kBrowserFailed, address);
    return false;
}

}  // namespace orvalis
