#pragma once

namespace orvalis {

/// Identifier of the timer message that asks the main window to send the down-alert mail.
inline constexpr int kAlertMailTimerId = 1000039;

/// What the engine needs of the main window. Called on the checking thread; the window layer
/// answers without waiting for its own thread.
class MainWindowPort {
   public:
    virtual ~MainWindowPort() = default;

    /// True while the main window is shown (not hidden in the tray).
    virtual bool IsMainWindowVisible() = 0;
    /// Queues the timer message `timerId` onto the window's thread and returns at once.
    virtual void PostTimer(int timerId) = 0;
};

}  // namespace orvalis
