#include "engine/tray_icon.h"

#include <cstdint>
#include <optional>

#include "engine/site_status.h"
#include "platform/thread_start.h"

namespace orvalis {

namespace {

constexpr int kAnimationStepMs = 500;

int Position(TrayEvent event) { return static_cast<int>(event); }

bool IsFlash(TrayEvent event) {
    return event == TrayEvent::DownFlash || event == TrayEvent::ChangedFlash;
}

}  // namespace

TrayIcon::TrayIcon(TrayView& view, SiteList& list, Clock& clock)
    : view_(view), list_(list), clock_(clock) {}

TrayIcon::~TrayIcon() {
    if (animation_.joinable()) {
        SignalEvent(TrayEvent::Stop);
        animation_.join();
    }
}

void TrayIcon::Add() {
    std::lock_guard lock(viewMutex_);
    inTray_ = true;
    view_.AddIcon();
    lastPicture_ = kTrayPictureNormal;
}

void TrayIcon::Remove() {
    std::lock_guard lock(viewMutex_);
    inTray_ = false;
    view_.RemoveIcon();
    lastPicture_ = 0;
}

void TrayIcon::SetImage(int iconResource) {
    std::lock_guard lock(viewMutex_);
    SetPictureLocked(iconResource);
}

void TrayIcon::SetPictureLocked(int iconResource) {
    if (!inTray_ || iconResource == lastPicture_) return;
    view_.SetPicture(iconResource);
    lastPicture_ = iconResource;
}

bool TrayIcon::ShowAlertPopup(const std::string& headline, const std::string& text,
                              int timeoutSeconds, bool error) {
    std::lock_guard lock(viewMutex_);
    if (!inTray_) return false;
    SetPictureLocked(kTrayPictureNormal);
    view_.ShowBalloon(headline, text, timeoutSeconds, error);
    return true;
}

// Once Stop has been signalled it stays set whatever is cleared or set afterwards: a status
// update racing with the close sequence must not clear it and keep the animation thread alive.
// The change is made in one step, so the animation thread never wakes to a half-made state.
void TrayIcon::ApplyEvents(bool resetAll, int setPosition) {
    std::lock_guard lock(eventMutex_);
    std::uint32_t next = resetAll ? 0 : events_.Mask();
    if (setPosition >= 0) next |= std::uint32_t{1} << setPosition;
    if (stopping_.IsSet()) next |= std::uint32_t{1} << Position(TrayEvent::Stop);
    events_.Assign(next);
}

void TrayIcon::SignalEvent(TrayEvent event) {
    if (event == TrayEvent::Stop) stopping_.Request();
    const bool refused = IsFlash(event) && !inTray_;
    ApplyEvents(true, refused ? -1 : Position(event));
}

void TrayIcon::ResetEvents() { ApplyEvents(true, -1); }

void TrayIcon::SetEvent(TrayEvent event) {
    if (event == TrayEvent::Stop) stopping_.Request();
    ApplyEvents(false, Position(event));
}

bool TrayIcon::IsEventSet(TrayEvent event) const { return events_.IsSet(Position(event)); }

void TrayIcon::RefreshAlertState() {
    std::optional<TrayEvent> alert;
    list_.UpdateRows([&alert](SiteEntry& row) {
        if (alert) return false;
        if (row.status == kStatusChanged) {
            alert = TrayEvent::ChangedFlash;
        } else if (row.status == kStatusServerDown || row.status == kStatusWasDown) {
            alert = TrayEvent::DownFlash;
        }
        return false;
    });
    if (alert) SignalEvent(*alert);
}

void TrayIcon::EnterTray() {
    Add();
    RefreshAlertState();
}

void TrayIcon::LeaveTray() {
    Remove();
    ApplyEvents(true, Position(TrayEvent::Steady));
}

bool TrayIcon::StartAnimation() {
    return StartThread(animation_, animationFinished_, [this] { AnimationThread(); });
}

void TrayIcon::JoinAnimation() {
    if (animation_.joinable()) animation_.join();
}

// Only a flash needs the clock: every other state shows the normal picture once and then sleeps
// until the events change, so an idle tray costs no wake-ups at all. A repeated picture is not
// sent again, and a stop sets the Stop event, which ends any wait here at once.
void TrayIcon::AnimationThread() {
    int frame = 0;  // shared by both flash kinds and kept from one flash to the next
    std::uint32_t seen = events_.WaitForChange(0);
    for (;;) {
        const int lowest = EventSet::Lowest(seen);
        if (lowest == Position(TrayEvent::Stop) || stopping_.IsSet()) break;
        if (lowest >= 0 && IsFlash(static_cast<TrayEvent>(lowest))) {
            frame = (frame + 1) % 2;
            SetImage(frame == 1 ? kTrayPictureBlank : kTrayPictureNormal);
            clock_.Sleep(kAnimationStepMs, stopping_);
            seen = events_.Mask();
            continue;
        }
        SetImage(kTrayPictureNormal);  // also ends a flash that was cleared on a blank frame
        seen = events_.WaitForChange(seen);
    }
}

}  // namespace orvalis
