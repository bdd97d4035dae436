#include "engine/site_checker.h"

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
    for (int row = 0; !StopRequested() && row < ports_.list.CountRows(); ++row) {
        if (!CheckRow(row)) return;
    }
}

ProbeResult SiteChecker::Probe(const std::string& address, FingerprintWords& words) {
    return ports_.network.probePage(address, words, ProbeContext{&checkerStop_, &ports_.clock});
}

bool SiteChecker::Reachable(const std::string& text) {
    return ports_.network.isReachable(text, ProbeContext{&checkerStop_, &ports_.clock});
}

// Checks one row; false when a stop request ended the check (the row is then left unchanged).
bool SiteChecker::CheckRow(int row) {
    const std::string status = ports_.list.GetRowText(row, kColumnStatus);
    const std::string address = ports_.list.GetRowText(row, kColumnAddress);
    const std::shared_ptr<PageFingerprint> record = ports_.list.GetFingerprint(row);
    if (!record) return true;
    const std::string host = HostOfAddress(address);

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
    if (!Reachable(ports_.referenceSites.first) || StopRequested()) return;
    if (!Reachable(ports_.referenceSites.second) || StopRequested()) return;
    if (Reachable(host) || StopRequested()) return;
    ports_.updates.MarkServerDown(address, host);
}

}  // namespace orvalis
