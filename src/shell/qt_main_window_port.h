#pragma once

#include <QObject>
#include <atomic>

#include "engine/main_window_port.h"

namespace orvalis {

/// The main window as the engine sees it: a visibility flag the window keeps current and a timer
/// message queued onto the window's thread. Answers at once from any thread.
class QtMainWindowPort : public QObject, public MainWindowPort {
    Q_OBJECT

   public:
    bool IsMainWindowVisible() override { return visible_; }
    void PostTimer(int timerId) override;

    /// Called by the window whenever it is shown or hidden.
    void SetVisible(bool visible) { visible_ = visible; }

   signals:
    /// A timer message arrived; emitted on the window's thread.
    void TimerPosted(int timerId);

   private:
    std::atomic<bool> visible_{false};
};

}  // namespace orvalis
