#pragma once

#include <chrono>
#include <ctime>

#include "engine/clock.h"
#include "platform/stop_signal.h"

namespace orvalis {

/// The real clock.
class SystemClock : public Clock {
public:
    /// Waits on the stop signal itself, so a stop request ends the wait at once.
    bool Sleep(int milliseconds, const StopSignal& stop) override {
        return !stop.WaitFor(std::chrono::milliseconds(milliseconds));
    }
    /// The system's calendar time.
    std::time_t Now() override { return std::time(nullptr); }

    /// The process-wide instance.
    static SystemClock& Instance() {
        static SystemClock clock;
        return clock;
    }
};

}  // namespace orvalis
