#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "engine/alert_tray.h"
#include "engine/clock.h"
#include "engine/site_list.h"
#include "engine/tray_view.h"
#include "platform/event_set.h"
#include "platform/stop_signal.h"

namespace orvalis {

/// The tray icon's logic: whether the icon is in the tray, the five events, the animation thread
/// that flashes the icon, and the alert state taken from the site list. `TrayView` shows it.
class TrayIcon : public AlertTray {
   public:
    /// `clock` paces the animation; all three must outlive the tray.
    TrayIcon(TrayView& view, SiteList& list, Clock& clock);
    /// Stops and joins the animation thread if it runs.
    ~TrayIcon() override;

    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    /// Puts the icon into the tray.
    void Add();
    /// Takes the icon out of the tray.
    void Remove();
    /// True while the icon is in the tray.
    bool InTray() const { return inTray_; }
    /// Shows the picture `iconResource` while the icon is in the tray; a repeat is not sent again.
    void SetImage(int iconResource);

    /// Shows the balloon with the normal picture; nothing while the icon is not in the tray.
    bool ShowAlertPopup(const std::string& headline, const std::string& text, int timeoutSeconds,
                        bool error) override;
    /// Clears every event, then sets `event`; a flash event only while the icon is in the tray.
    void SignalEvent(TrayEvent event) override;
    /// Clears all five events (a requested stop stays in force).
    void ResetEvents();
    /// Sets one event without clearing the others.
    void SetEvent(TrayEvent event);
    /// True while `event` is set.
    bool IsEventSet(TrayEvent event) const;

    /// Starts the flashing the statuses in the list call for: the first alarm row decides.
    void RefreshAlertState();
    /// Going into the tray: adds the icon and starts the flashing the list calls for.
    void EnterTray();
    /// Leaving the tray (window shown again): removes the icon and shows the normal picture.
    void LeaveTray();

    /// Starts the animation thread; false when it could not be started.
    bool StartAnimation();
    /// True while no animation thread runs (never started, or ended).
    bool AnimationFinished() const { return animationFinished_; }
    /// Waits for the animation thread to end (after a Stop).
    void JoinAnimation();

   private:
    void AnimationThread();
    void SetPictureLocked(int iconResource);
    void ApplyEvents(bool resetAll, int setPosition);

    TrayView& view_;
    SiteList& list_;
    Clock& clock_;

    std::mutex viewMutex_;  // orders the view calls and guards lastPicture_
    int lastPicture_ = 0;
    std::atomic<bool> inTray_{false};

    std::mutex eventMutex_;  // makes clear-then-set one step and keeps a requested stop set
    EventSet events_{kTrayEventCount};
    StopSignal stopping_;  // latched by the Stop event; cuts the 500 ms steps short

    std::thread animation_;
    std::atomic<bool> animationFinished_{true};
};

}  // namespace orvalis
