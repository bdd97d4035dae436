#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvalis {

/// A stop request that long waits notice at once: a flag plus a wake-up for every sleeper.
class StopSignal {
   public:
    /// Sets the flag and wakes every waiter.
    void Request() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_all();
    }

    /// Clears the flag for a new run.
    void Reset() {
        std::lock_guard lock(mutex_);
        stopped_ = false;
    }

    /// True once a stop was requested.
    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

    /// Waits up to `duration`; returns true when the wait ended because of a stop request.
    bool WaitFor(std::chrono::milliseconds duration) const {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, duration, [this] { return stopped_; });
    }

   private:
    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
    bool stopped_ = false;
};

}  // namespace orvalis
