#include "promo/free_gift.h"

#include "alerts/browser_launch.h"

namespace orvalis {

bool OpenFreeGift(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                  std::string_view tempFolder, const BrandingRecord& branding) {
    return OpenInBrowser(shell, messages, branding.resellerAddress, true, pages.redirectPagePath,
                         tempFolder);
}

}  // namespace orvalis
