#pragma once

#include <string>

namespace orvalis {

/// The tray's five manual-reset events, in priority order: when several are set, the animation
/// thread acts on the one with the lowest position.
enum class TrayEvent : int {
    Spare = 0,         ///< set by nothing
    DownFlash = 1,     ///< flash: a server is down
    Stop = 2,          ///< the animation thread ends
    ChangedFlash = 3,  ///< flash: a page changed
    Steady = 4,        ///< show the normal picture
};

/// How many tray events there are.
inline constexpr int kTrayEventCount = 5;

/// Icon resource numbers of the tray's two pictures.
inline constexpr int kTrayPictureNormal = 157;
inline constexpr int kTrayPictureBlank = 183;

/// What the status updates need of the tray: a popup and an alert event. Callable from any thread.
class AlertTray {
   public:
    virtual ~AlertTray() = default;

    /// Shows a balloon popup at the tray icon; false when there is no icon to show it at.
    virtual bool ShowAlertPopup(const std::string& headline, const std::string& text,
                                int timeoutSeconds, bool error) = 0;
    /// Clears every event, then sets `event` (flash events only while the icon is in the tray).
    virtual void SignalEvent(TrayEvent event) = 0;
};

}  // namespace orvalis
