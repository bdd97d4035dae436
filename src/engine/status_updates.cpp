#include "engine/status_updates.h"

#include "engine/site_status.h"

namespace orvalis {

StatusUpdates::StatusUpdates(SiteList& list, AlertTray& tray, MainWindowPort& window,
                             const SharedSettings& settings, DownLists& downLists, Clock& clock)
    : list_(list),
      tray_(tray),
      window_(window),
      settings_(settings),
      downLists_(downLists),
      clock_(clock) {}

// Sets `newStatus` on every matching row whose status passes `mayChange`; returns how many rows
// were written, so the caller can raise one alert per row.
int StatusUpdates::Rewrite(const std::string& address, RowRule mayChange,
                           const std::string& newStatus) {
    int written = 0;
    list_.UpdateRowsWithAddress(address, [&](int, SiteEntry& row) {
        if (!mayChange(row.status)) return false;
        row.status = newStatus;
        ++written;
        return true;
    });
    return written;
}

void StatusUpdates::MarkOk(const std::string& address) {
    list_.UpdateRowsWithAddress(address, [&](int, SiteEntry& row) {
        if (row.status == kStatusChanged || row.status == kStatusWasDown) return false;
        row.status = row.status == kStatusServerDown ? std::string(kStatusWasDown)
                                                     : FormatOkStatus(clock_.Now());
        return true;
    });
}

void StatusUpdates::ClassifyFailure(const std::string& address, bool serverAnswers) {
    Rewrite(
        address, [](const std::string& status) { return IsOpenStatus(status); },
        std::string(serverAnswers ? kStatusPageNotFound : kStatusNoConnection));
}

void StatusUpdates::MarkDownAgain(const std::string& address) {
    const int written = Rewrite(
        address, [](const std::string&) { return true; }, std::string(kStatusServerDown));
    for (int i = 0; i < written; ++i) {
        tray_.ShowAlertPopup(kPopupServerDown, address, kAlertPopupSeconds, true);
    }
}

void StatusUpdates::MarkChanged(const std::string& address) {
    const int written = Rewrite(
        address, [](const std::string& status) { return IsOpenStatus(status); },
        std::string(kStatusChanged));
    for (int i = 0; i < written; ++i) {
        tray_.ShowAlertPopup(kPopupPageChanged, address, kAlertPopupSeconds, true);
        tray_.SignalEvent(TrayEvent::ChangedFlash);
    }
}

void StatusUpdates::MarkServerDown(const std::string& address, const std::string& host) {
    const int written = Rewrite(
        address, [](const std::string& status) { return status != kStatusServerDown; },
        std::string(kStatusServerDown));
    if (written == 0) return;
    const bool hidden = !window_.IsMainWindowVisible();
    const bool mail = settings_.Get().MailComplete();
    for (int i = 0; i < written; ++i) {
        if (hidden) {
            tray_.ShowAlertPopup(kPopupServerDown, host, kAlertPopupSeconds, true);
            tray_.SignalEvent(TrayEvent::DownFlash);
        }
        if (mail) downLists_.AppendHost(host);
    }
}

}  // namespace orvalis
