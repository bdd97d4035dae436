#include "support/engine_fakes.h"

#include <chrono>

namespace orvalis::test {

namespace {
// How long a test waits for another thread to reach a point before it gives up and fails; only a
// broken build ever gets near it.
constexpr auto kDeadlockGuard = std::chrono::seconds(30);
}  // namespace

void Journal::Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> Journal::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> Journal::With(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> found;
    for (const std::string& entry : entries_) {
        if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    }
    return found;
}

void Journal::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

void RecordingTrayView::AddIcon() { journal_.Add("add"); }
void RecordingTrayView::RemoveIcon() { journal_.Add("remove"); }
void RecordingTrayView::SetPicture(int iconResource) {
    journal_.Add("picture " + std::to_string(iconResource));
}
void RecordingTrayView::ShowBalloon(const std::string& heading, const std::string& detail,
                                    int timeoutSeconds, bool error) {
    journal_.Add("balloon " + heading + "|" + detail + "|" + std::to_string(timeoutSeconds) +
                 (error ? "|error" : "|info"));
}

std::string EventName(TrayEvent event) {
    switch (event) {
        case TrayEvent::Spare:
            return "Spare";
        case TrayEvent::DownFlash:
            return "DownFlash";
        case TrayEvent::Stop:
            return "Stop";
        case TrayEvent::ChangedFlash:
            return "ChangedFlash";
        case TrayEvent::Steady:
            return "Steady";
    }
    return "?";
}

bool RecordingAlertTray::ShowAlertPopup(const std::string& headline, const std::string& text,
                                        int timeoutSeconds, bool error) {
    if (onCall) onCall();
    journal_.Add("popup " + headline + "|" + text + "|" + std::to_string(timeoutSeconds) +
                 (error ? "|error" : "|info"));
    return true;
}

void RecordingAlertTray::SignalEvent(TrayEvent event) {
    if (onCall) onCall();
    journal_.Add("event " + EventName(event));
}

void FakeWindow::PostTimer(int timerId) { journal_.Add("timer " + std::to_string(timerId)); }

bool FakeClock::Sleep(int milliseconds, const StopSignal& stop) {
    std::function<void(int)> hook;
    bool gated = false;
    {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(milliseconds);
        elapsedMs_ += milliseconds;
        hook = hook_;
        if (gated_.count(milliseconds)) {
            gated = true;
            ++gatedEntered_;
        }
    }
    if (journal_) journal_->Add("sleep " + std::to_string(milliseconds));
    if (gated) {
        changed_.notify_all();
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (permits_ > 0) {
                    --permits_;
                    break;
                }
            }
            if (stop.WaitFor(std::chrono::milliseconds(5))) break;
        }
    }
    if (hook) hook(milliseconds);
    return !stop.IsSet();
}

std::time_t FakeClock::Now() {
    std::lock_guard lock(mutex_);
    return start_ + static_cast<std::time_t>(elapsedMs_ / 1000);
}

void FakeClock::Gate(int milliseconds) {
    std::lock_guard lock(mutex_);
    gated_.insert(milliseconds);
}

void FakeClock::Release(int count) {
    std::lock_guard lock(mutex_);
    permits_ += count;
}

bool FakeClock::WaitForGatedSleeps(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadlockGuard, [&] { return gatedEntered_ >= count; });
}

void FakeClock::OnSleep(std::function<void(int)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

void FakeClock::Reset() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
    elapsedMs_ = 0;
    gated_.clear();
    permits_ = 0;
    gatedEntered_ = 0;
    hook_ = nullptr;
}

std::vector<int> FakeClock::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

long long FakeClock::Elapsed() const {
    std::lock_guard lock(mutex_);
    return elapsedMs_;
}

void ScriptedNetwork::Probe(const std::string& address, std::vector<Answer> answers) {
    std::lock_guard lock(mutex_);
    probes_[address] = std::move(answers);
    probeCalls_[address] = 0;
}

void ScriptedNetwork::Reach(const std::string& text, std::vector<bool> answers) {
    std::lock_guard lock(mutex_);
    reaches_[text] = std::move(answers);
    reachCalls_[text] = 0;
}

void ScriptedNetwork::Reset() {
    std::lock_guard lock(mutex_);
    hanging_ = false;
    probes_.clear();
    probeCalls_.clear();
    reaches_.clear();
    reachCalls_.clear();
    hangs_.clear();
    reachHangs_.clear();
    connected_ = true;
}

void ScriptedNetwork::Hang(const std::string& address) {
    std::lock_guard lock(mutex_);
    hangs_.insert(address);
}

void ScriptedNetwork::HangReach(const std::string& text) {
    std::lock_guard lock(mutex_);
    reachHangs_.insert(text);
}

bool ScriptedNetwork::WaitForHang() {
    std::unique_lock lock(mutex_);
    return hung_.wait_for(lock, kDeadlockGuard, [this] { return hanging_; });
}

void ScriptedNetwork::HangUntilStopped(const ProbeContext& context) {
    {
        std::lock_guard lock(mutex_);
        hanging_ = true;
    }
    hung_.notify_all();
    while (!context.stop->WaitFor(std::chrono::milliseconds(5))) {
    }
}

ProbeResult ScriptedNetwork::DoProbe(const std::string& address, FingerprintWords& words,
                                     const ProbeContext& context) {
    if (journal_) journal_->Add("probe " + address);
    Answer answer{ProbeFailed};
    bool hang = false;
    {
        std::lock_guard lock(mutex_);
        hang = hangs_.count(address) != 0;
        auto found = probes_.find(address);
        if (!hang && found != probes_.end() && !found->second.empty()) {
            std::size_t& calls = probeCalls_[address];
            answer = found->second[std::min(calls, found->second.size() - 1)];
            ++calls;
        }
    }
    if (hang) {
        HangUntilStopped(context);
        return ProbeFailed;
    }
    if (answer.result != ProbeFailed) words = answer.words;
    return answer.result;
}

bool ScriptedNetwork::DoReach(const std::string& text, const ProbeContext& context) {
    if (journal_) journal_->Add("reach " + text);
    bool hang = false;
    bool answer = false;
    {
        std::lock_guard lock(mutex_);
        hang = reachHangs_.count(text) != 0;
        auto found = reaches_.find(text);
        if (!hang && found != reaches_.end() && !found->second.empty()) {
            std::size_t& calls = reachCalls_[text];
            answer = found->second[std::min(calls, found->second.size() - 1)];
            ++calls;
        }
    }
    if (hang) {
        HangUntilStopped(context);
        return false;
    }
    return answer;
}

CheckerNetwork ScriptedNetwork::Network() {
    return CheckerNetwork{
        .probePage = [this](
                         const std::string& address, FingerprintWords& words,
                         const ProbeContext& context) { return DoProbe(address, words, context); },
        .isReachable = [this](const std::string& text,
                              const ProbeContext& context) { return DoReach(text, context); },
        .isConnected = [this] { return connected_.load(); },
    };
}

}  // namespace orvalis::test
