#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <thread>

#include "engine/app_settings.h"
#include "engine/checker_network.h"
#include "engine/clock.h"
#include "engine/down_lists.h"
#include "engine/main_window_port.h"
#include "engine/reference_sites.h"
#include "engine/site_list.h"
#include "engine/status_updates.h"
#include "platform/stop_signal.h"

namespace orvalis {

/// Waits of the checking thread, in milliseconds, and the save period in seconds.
inline constexpr int kAutorunDelayMs = 120000;
inline constexpr int kConfirmationDelayMs = 1000;
inline constexpr std::time_t kSavePeriodSeconds = 600;

/// The message the window shows when the checking thread cannot be started.
inline constexpr const char* kCheckerStartFailed = "Failed to start Internet checker";

/// Everything the checking thread works with; each reference must outlive the checker.
struct CheckerPorts {
    SiteList& list;                   ///< the monitored pages
    const SharedSettings& settings;   ///< read afresh whenever a setting is needed
    StatusUpdates& updates;           ///< turns verdicts into statuses and alerts
    DownLists& downLists;             ///< handed over to the mail list after every pass
    MainWindowPort& window;           ///< receives the alert-mail timer message
    Clock& clock;                     ///< every wait and "now"
    std::function<void()> saveSites;  ///< saves the sites (periodically, on this thread)
    std::atomic<bool>& savingSites;   ///< true while someone saves the sites
    CheckerNetwork network;           ///< the probe's operations
    ReferenceSites referenceSites;    ///< asked when a server seems down
};

/// The checking thread: a pass over all rows, the down-list hand-off, a save every ten minutes
/// and the wait between passes, again and again until stopped. A stop request ends every wait,
/// fetch and reachability test at once, and a row being checked is then left as it was.
class SiteChecker {
   public:
    explicit SiteChecker(CheckerPorts ports);
    /// Stops the thread and waits for it.
    ~SiteChecker();

    SiteChecker(const SiteChecker&) = delete;
    SiteChecker& operator=(const SiteChecker&) = delete;

    /// Starts the thread; false when it could not be created (it then counts as finished).
    bool StartChecker();
    /// Asks the thread to stop as soon as it can.
    void RequestStop() { checkerStop_.Request(); }
    /// True once a stop was requested.
    bool StopRequested() const { return checkerStop_.IsSet(); }
    /// True while the thread is not running.
    bool CheckerFinished() const { return checkerFinished_; }
    /// Waits for the thread to end.
    void Join();

    /// One pass over the rows, as the thread runs it every cycle.
    void RunPass();

   private:
    void Run();
    bool CheckRow(int row);
    void DownCheck(const std::string& address, const std::string& host);
    bool Reachable(const std::string& text);
    ProbeResult Probe(const std::string& address, FingerprintWords& words);
    void HandOff();
    void SaveIfDue(std::time_t& saveBase);
    void WaitForNextPass();

    CheckerPorts ports_;
    StopSignal checkerStop_;
    std::atomic<bool> checkerFinished_{true};
    std::thread thread_;
};

}  // namespace orvalis
