#include "engine/site_checker.h"

#include <system_error>

#include "engine/check_interval.h"
#include "engine/site_status.h"
#include "engine/url_host.h"
#include "platform/thread_start.h"

namespace orvalis {

SiteChecker::SiteChecker(CheckerPorts ports) : ports_(std::move(ports)) {}

SiteChecker::~SiteChecker() {
    RequestStop();
    Join();
}

bool SiteChecker::StartChecker() {
    // Refused before the reset, so a running thread's stop request stays in force.
    if (thread_.joinable()) return false;
    checkerStop_.Reset();
    return StartThread(thread_, checkerFinished_, [this] { Run(); });
}

void SiteChecker::Join() {
    if (thread_.joinable()) thread_.join();
}

void SiteChecker::Run() {
    std::time_t saveBase = ports_.clock.Now();
    if (ports_.settings.Get().BootStart) ports_.clock.Sleep(kAutorunDelayMs, checkerStop_);
    while (!StopRequested()) {
        if (ports_.network.isConnected()) RunPass();
        if (StopRequested()) break;
        HandOff();
        if (StopRequested()) break;
        SaveIfDue(saveBase);
        WaitForNextPass();
    }
}

void SiteChecker::HandOff() {
    if (ports_.downLists.HandOff() && ports_.settings.Get().MailComplete()) {
        ports_.window.PostTimer(kAlertMailTimerId);
    }
}

void SiteChecker::SaveIfDue(std::time_t& saveBase) {
    const std::time_t now = ports_.clock.Now();
    if (now - saveBase <= kSavePeriodSeconds) return;
    // Claim the flag rather than just set it, so that this save and the close sequence's own
    // save never run at the same time; if the close is saving, try again next cycle.
    bool idle = false;
    if (!ports_.savingSites.compare_exchange_strong(idle, true)) return;
    if (ports_.saveSites) ports_.saveSites();
    saveBase = now;
    ports_.savingSites = false;
}

void SiteChecker::WaitForNextPass() {
    std::int64_t target = kWaitSliceMs;
    std::int64_t waited = 0;
    while (waited < target) {
        if (!ports_.clock.Sleep(kWaitSliceMs, checkerStop_) || StopRequested()) return;
        const AppSettings settings = ports_.settings.Get();
        target = WaitTargetMs(settings.UpdateInterval, settings.UpdateMetric);
        waited += kWaitSliceMs;
    }
}

void SiteChecker::RunPass() {
    references_.Clear();
    if (CheckPool* pool = Pool()) {
        RunPassSideBySide(*pool);
    } else {
        RunPassInTurn();
    }
}

// The pool is made at the first pass and kept; without one (a pool of one, or no threads to be
// had) the rows are checked in turn on the calling thread.
CheckPool* SiteChecker::Pool() {
    if (pool_) return pool_.get();
    if (ports_.fetchesAtOnce <= 1 || poolRefused_) return nullptr;
    try {
        pool_ = std::make_unique<CheckPool>(ports_.fetchesAtOnce, kFetchesPerHost);
    } catch (const std::system_error&) {
        poolRefused_ = true;
    }
    return pool_.get();
}

void SiteChecker::RunPassInTurn() {
    for (int row = 0; !StopRequested() && row < ports_.list.CountRows(); ++row) {
        const RowSnapshot snapshot = ReadRow(row);
        if (snapshot.record && !CheckRow(snapshot)) return;
    }
}

// Each row is read only once a worker is free for it, with the row count read afresh, so the
// pass follows the list's changes as a pass in turn does. The pass ends when every check it
// started is over, however it ended.
void SiteChecker::RunPassSideBySide(CheckPool& pool) {
    for (int row = 0;; ++row) {
        pool.WaitForRoom();
        if (StopRequested() || row >= ports_.list.CountRows()) break;
        RowSnapshot snapshot = ReadRow(row);
        if (!snapshot.record) continue;
        const std::string host = snapshot.host;
        pool.Submit(host, [this, snapshot = std::move(snapshot)] {
            if (!StopRequested()) CheckRow(snapshot);
        });
    }
    pool.WaitUntilIdle();
}

SiteChecker::RowSnapshot SiteChecker::ReadRow(int row) {
    RowSnapshot snapshot;
    snapshot.status = ports_.list.GetRowText(row, kColumnStatus);
    snapshot.address = ports_.list.GetRowText(row, kColumnAddress);
    snapshot.record = ports_.list.GetFingerprint(row);
    if (snapshot.record) snapshot.host = HostOfAddress(snapshot.address);
    return snapshot;
}

ProbeResult SiteChecker::Probe(const std::string& address, FingerprintWords& words) {
    return ports_.network.probePage(address, words, ProbeContext{&checkerStop_, &ports_.clock});
}

bool SiteChecker::Reachable(const std::string& text) {
    return ports_.network.isReachable(text, ProbeContext{&checkerStop_, &ports_.clock});
}

bool SiteChecker::ReferenceAnswers(const std::string& site) {
    return references_.Answer(site, ports_.clock.Now(), [&] { return Reachable(site); });
}

// Checks one row; false when a stop request ended the check (the row is then left unchanged).
bool SiteChecker::CheckRow(const RowSnapshot& row) {
    const std::string& status = row.status;
    const std::string& address = row.address;
    const std::shared_ptr<PageFingerprint>& record = row.record;
    const std::string& host = row.host;

    // The words go back only if nobody changed them meanwhile: an address edited during the check
    // empties the record, and the old page's words must not refill it.
    const FingerprintWords stored = record->Read();
    FingerprintWords first = stored;
    FingerprintWords second = stored;
    ProbeResult result = Probe(address, first);
    if (StopRequested()) return false;
    if (status == kStatusChanged) return true;
    if (result == ProbeChanged && !ports_.settings.Get().CheckForChanges) result = ProbeUnchanged;

    if (result == ProbeUnchanged) {
        record->WriteIf(stored, first);
    } else {
        // A change or failure counts only when a second fetch a moment later gives the same
        // result with the same fingerprint.
        if (!ports_.clock.Sleep(kConfirmationDelayMs, checkerStop_)) return false;
        const ProbeResult again = Probe(address, second);
        if (StopRequested()) return false;
        if (again == result && first == second) {
            record->WriteIf(stored, first);
        } else {
            result = ProbeUnchanged;
        }
    }

    switch (result) {
        case ProbeUnchanged:
            ports_.updates.MarkOk(address);
            break;
        case ProbeChanged:
            ports_.updates.MarkChanged(address);
            break;
        case ProbeFailed:
            if (status == kStatusServerDown) break;
            if (status == kStatusWasDown) {
                ports_.updates.MarkDownAgain(address);
            } else {
                DownCheck(address, host);
            }
            break;
    }
    return !StopRequested();
}

// Tells a silent server from a silent connection. A reachability test cut short by a stop
// request answers false, so no answer is acted on once a stop was requested.
void SiteChecker::DownCheck(const std::string& address, const std::string& host) {
    const bool serverAnswers = Reachable(host);
    if (StopRequested()) return;
    ports_.updates.ClassifyFailure(address, serverAnswers);
    if (serverAnswers) return;
    if (!ReferenceAnswers(ports_.referenceSites.first) || StopRequested()) return;
    if (!ReferenceAnswers(ports_.referenceSites.second) || StopRequested()) return;
    if (Reachable(host) || StopRequested()) return;
    ports_.updates.MarkServerDown(address, host);
}

}  // namespace orvalis
