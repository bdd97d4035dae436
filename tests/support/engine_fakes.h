#pragma once

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/alert_tray.h"
#include "engine/checker_network.h"
#include "engine/clock.h"
#include "engine/main_window_port.h"
#include "engine/tray_view.h"

namespace orvalis::test {

/// A thread-safe record of what the fakes were asked to do, in order.
class Journal {
   public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;
    /// Entries that start with `prefix`.
    std::vector<std::string> With(const std::string& prefix) const;
    void Clear();

   private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

/// A tray view that records every request ("add", "remove", "picture 183", "balloon h|d|30|error").
class RecordingTrayView : public TrayView {
   public:
    explicit RecordingTrayView(Journal& journal) : journal_(journal) {}
    void AddIcon() override;
    void RemoveIcon() override;
    void SetPicture(int iconResource) override;
    void ShowBalloon(const std::string& heading, const std::string& detail, int timeoutSeconds,
                     bool error) override;

   private:
    Journal& journal_;
};

/// An alert tray that records popups ("popup heading|text|30|error") and events ("event
/// DownFlash").
class RecordingAlertTray : public AlertTray {
   public:
    explicit RecordingAlertTray(Journal& journal) : journal_(journal) {}
    bool ShowAlertPopup(const std::string& headline, const std::string& text, int timeoutSeconds,
                        bool error) override;
    void SignalEvent(TrayEvent event) override;

    /// Called at the start of every request; lets a test check where it is called from.
    std::function<void()> onCall;

   private:
    Journal& journal_;
};

/// The name of a tray event, as journals show it.
std::string EventName(TrayEvent event);

/// A main window whose visibility a test sets; timer requests are recorded ("timer 1000039").
class FakeWindow : public MainWindowPort {
   public:
    explicit FakeWindow(Journal& journal) : journal_(journal) {}
    bool IsMainWindowVisible() override { return visible; }
    void PostTimer(int timerId) override;

    std::atomic<bool> visible{false};

   private:
    Journal& journal_;
};

/// A clock whose time moves only by its own sleeps, which return at once unless gated. A gated
/// sleep length blocks until the test releases it or the stop signal wakes it.
class FakeClock : public Clock {
   public:
    /// `journal` receives "sleep <ms>" for every sleep when given.
    explicit FakeClock(Journal* journal = nullptr, std::time_t start = 1'800'000'000)
        : journal_(journal), start_(start) {}

    bool Sleep(int milliseconds, const StopSignal& stop) override;
    std::time_t Now() override;

    /// Makes every sleep of `milliseconds` wait for a release or a stop.
    void Gate(int milliseconds);
    /// Lets `count` gated sleeps go on.
    void Release(int count = 1);
    /// Waits until `count` gated sleeps have begun in all; false if that took implausibly long.
    bool WaitForGatedSleeps(int count);
    /// Runs on the sleeping thread after every sleep has been recorded, before it returns.
    void OnSleep(std::function<void(int milliseconds)> hook);
    /// Back to the start: no sleeps, no gates, no hook, the start time again.
    void Reset();
    /// Every sleep so far, in milliseconds.
    std::vector<int> Sleeps() const;
    /// Milliseconds slept so far.
    long long Elapsed() const;

   private:
    Journal* journal_;
    const std::time_t start_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> sleeps_;
    long long elapsedMs_ = 0;
    std::set<int> gated_;
    int permits_ = 0;
    int gatedEntered_ = 0;
    std::function<void(int)> hook_;
};

/// A scripted network for the checker. Each address answers from its own queue of results (the
/// last answer repeats); a reachability test answers from the queue of its text, false when none.
class ScriptedNetwork {
   public:
    struct Answer {
        ProbeResult result;
        FingerprintWords words{};  ///< given back for ProbeUnchanged and ProbeChanged
    };

    explicit ScriptedNetwork(Journal* journal = nullptr) : journal_(journal) {}

    void Probe(const std::string& address, std::vector<Answer> answers);
    void Reach(const std::string& text, std::vector<bool> answers);
    /// Makes fetches of `address` hang until the probe's stop signal is set; they then fail.
    void Hang(const std::string& address);
    /// Makes reachability tests of `text` hang until the stop signal is set; they then fail.
    void HangReach(const std::string& text);
    /// Forgets every script, hang and call count.
    void Reset();
    /// Whether the computer counts as online.
    void Connected(bool online) { connected_ = online; }
    /// Waits until a hanging call has begun; false if that took implausibly long.
    bool WaitForHang();

    /// The checker's view of this network; it must outlive the returned operations.
    CheckerNetwork Network();

   private:
    ProbeResult DoProbe(const std::string& address, FingerprintWords& words,
                        const ProbeContext& context);
    bool DoReach(const std::string& text, const ProbeContext& context);
    void HangUntilStopped(const ProbeContext& context);

    Journal* journal_;
    std::mutex mutex_;
    std::condition_variable hung_;
    bool hanging_ = false;
    std::map<std::string, std::vector<Answer>> probes_;
    std::map<std::string, std::size_t> probeCalls_;
    std::map<std::string, std::vector<bool>> reaches_;
    std::map<std::string, std::size_t> reachCalls_;
    std::set<std::string> hangs_;
    std::set<std::string> reachHangs_;
    std::atomic<bool> connected_{true};
};

}  // namespace orvalis::test
