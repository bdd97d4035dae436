#pragma once

#include <string_view>

#include "alerts/desktop_shell.h"
#include "alerts/temporary_pages.h"
#include "alerts/user_messages.h"
#include "promo/branding_record.h"

namespace orvalis {

/// The "Get Your Free Gift" command after the window's repaint: opens the reseller's link in the
/// browser through the redirect page at `pages.redirectPagePath` (named in `tempFolder` on first
/// use), reporting a refusal to the user. True when the desktop accepted the page.
bool OpenFreeGift(DesktopShell& shell, UserMessages& messages, TemporaryPages& pages,
                  std::string_view tempFolder, const BrandingRecord& branding);

}  // namespace orvalis
