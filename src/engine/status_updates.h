#pragma once

#include <string>

#include "engine/alert_tray.h"
#include "engine/app_settings.h"
#include "engine/clock.h"
#include "engine/down_lists.h"
#include "engine/main_window_port.h"
#include "engine/site_list.h"

namespace orvalis {

/// Popup headings of the alerts.
inline constexpr const char* kPopupServerDown = "Server is down:";
inline constexpr const char* kPopupPageChanged = "Web page was changed:";
/// How long an alert popup stays, in seconds.
inline constexpr int kAlertPopupSeconds = 30;

/// The checker's verdicts turned into statuses and alerts. Each update rewrites, in one atomic
/// list call, every row whose address equals the page address byte for byte and whose status
/// allows the change; the alerts of the rows it wrote are raised after that call has returned.
class StatusUpdates {
   public:
    /// Every reference must outlive the updates.
    StatusUpdates(SiteList& list, AlertTray& tray, MainWindowPort& window,
                  const SharedSettings& settings, DownLists& downLists, Clock& clock);

    /// The page is fine: "OK %H:%M:%S", or "WAS DOWN" over "SERVER DOWN".
    void MarkOk(const std::string& address);
    /// The page failed: "Page Not Found" when its server answers, else "No Connection".
    void ClassifyFailure(const std::string& address, bool serverAnswers);
    /// A page that was down fails again: "SERVER DOWN" and a popup.
    void MarkDownAgain(const std::string& address);
    /// The page's content changed: "CHANGED", a popup and the changed flashing.
    void MarkChanged(const std::string& address);
    /// The page's server is down: "SERVER DOWN"; popup and flashing while the window is hidden;
    /// the host goes on the down list when the alert mail is set up.
    void MarkServerDown(const std::string& address, const std::string& host);

   private:
    using RowRule = bool (*)(const std::string& status);
    int Rewrite(const std::string& address, RowRule mayChange, const std::string& newStatus);

    SiteList& list_;
    AlertTray& tray_;
    MainWindowPort& window_;
    const SharedSettings& settings_;
    DownLists& downLists_;
    Clock& clock_;
};

}  // namespace orvalis
