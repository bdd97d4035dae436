#include "shell/qt_main_window_port.h"

namespace orvalis {

void QtMainWindowPort::PostTimer(int timerId) {
    QMetaObject::invokeMethod(
        this, [this, timerId] { emit TimerPosted(timerId); }, Qt::QueuedConnection);
}

}  // namespace orvalis
