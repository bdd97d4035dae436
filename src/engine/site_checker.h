#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/app_settings.h"
#include "engine/check_pool.h"
#include "engine/checker_network.h"
#include "engine/clock.h"
#include "engine/down_lists.h"
#include "engine/main_window_port.h"
#include "engine/reference_sites.h"
#include "engine/shared_reachability.h"
#include "engine/site_list.h"
#include "engine/status_updates.h"
#include "platform/stop_signal.h"

namespace orvalis {

/// Waits of the checking thread, in milliseconds, and the save period in seconds.
inline constexpr int kAutorunDelayMs = 120000;
inline constexpr int kConfirmationDelayMs = 1000;
inline constexpr std::time_t kSavePeriodSeconds = 600;

/// Pages checked at the same time, and at most how many of them on one host.
inline constexpr int kFetchesAtOnce = 8;
inline constexpr int kFetchesPerHost = 2;

/// The message the window shows when the checking thread cannot be started.
inline constexpr const char* kCheckerStartFailed = "Failed to start Internet checker";

/// Everything the checking thread works with; each reference must outlive the checker.
struct CheckerPorts {
    SiteList& list;                      ///< the monitored pages
    const SharedSettings& settings;      ///< read afresh whenever a setting is needed
    StatusUpdates& updates;              ///< turns verdicts into statuses and alerts
    DownLists& downLists;                ///< handed over to the mail list after every pass
    MainWindowPort& window;              ///< receives the alert-mail timer message
    Clock& clock;                        ///< every wait and "now"
    std::function<void()> saveSites;     ///< saves the sites (periodically, on this thread)
    std::atomic<bool>& savingSites;      ///< true while someone saves the sites
    CheckerNetwork network;              ///< the probe's operations
    ReferenceSites referenceSites;       ///< asked when a server seems down
    int fetchesAtOnce = kFetchesAtOnce;  ///< rows checked side by side; 1 checks them in turn
};

/// The checking thread: a pass over all rows, the down-list hand-off, a save every ten minutes
/// and the wait between passes, again and again until stopped. A pass checks several rows side
/// by side (each exactly as it would be checked alone) and ends when all of them are done. A stop
/// request ends every wait, fetch and reachability test at once, and a row being checked is then
/// left as it was.
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
    // What a check reads of its row before it starts.
    struct RowSnapshot {
        std::string status;
        std::string address;
        std::string host;
        std::shared_ptr<PageFingerprint> record;
    };

    void Run();
    void RunPassInTurn();
    void RunPassSideBySide(CheckPool& pool);
    CheckPool* Pool();
    RowSnapshot ReadRow(int row);
    bool CheckRow(const RowSnapshot& row);
    void DownCheck(const std::string& address, const std::string& host);
    bool Reachable(const std::string& text);
    bool ReferenceAnswers(const std::string& site);
    ProbeResult Probe(const std::string& address, FingerprintWords& words);
    void HandOff();
    void SaveIfDue(std::time_t& saveBase);
    void WaitForNextPass();

    CheckerPorts ports_;
    StopSignal checkerStop_;
    SharedReachability references_;
    std::unique_ptr<CheckPool> pool_;
    bool poolRefused_ = false;
    std::atomic<bool> checkerFinished_{true};
    std::thread thread_;
};

}  // namespace orvalis
