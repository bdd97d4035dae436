#pragma once

#include <ctime>

#include "platform/stop_signal.h"

namespace orvalis {

/// Time as the engine sees it: waits that a stop request cuts short, and "now". Tests swap in a
/// fake so long waits cost nothing.
class Clock {
   public:
    virtual ~Clock() = default;

    /// Waits `milliseconds`; returns false when `stop` ended the wait early (or was already set).
    virtual bool Sleep(int milliseconds, const StopSignal& stop) = 0;
    /// The current calendar time.
    virtual std::time_t Now() = 0;
};

/// The real clock.
class SystemClock : public Clock {
   public:
    bool Sleep(int milliseconds, const StopSignal& stop) override {
        return !stop.WaitFor(std::chrono::milliseconds(milliseconds));
    }
    std::time_t Now() override { return std::time(nullptr); }

    /// The process-wide instance.
    static SystemClock& Instance() {
        static SystemClock clock;
        return clock;
    }
};

}  // namespace orvalis
