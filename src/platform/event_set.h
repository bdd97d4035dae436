#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orvalis {

/// A fixed group of manual-reset events that one thread can wait on together. A wait returns the
/// lowest position that is set; only an explicit reset clears an event.
class EventSet {
   public:
    /// The most events one set can hold.
    static constexpr int kMaxEvents = 32;

    /// A set of `count` events (1 to kMaxEvents), all clear.
    explicit EventSet(int count);

    /// Sets one event and wakes every waiter.
    void Set(int position);
    /// Clears one event.
    void Reset(int position);
    /// Clears every event.
    void ResetAll();
    /// Clears every event and sets one, as one step.
    void ResetAllAndSet(int position);
    /// Sets exactly the events of `mask` (one bit per position) and clears the rest, as one step.
    void Assign(std::uint32_t mask);
    /// True while the event at `position` is set.
    bool IsSet(int position) const;
    /// Blocks until any event is set; returns the lowest set position.
    int WaitAny() const;
    /// The events now set, one bit per position (bit 0 for position 0).
    std::uint32_t Mask() const;
    /// Blocks, without a time-out, while the events set are exactly `seen`; returns the new mask.
    std::uint32_t WaitForChange(std::uint32_t seen) const;
    /// The lowest position set in `mask`, or -1 when it is empty.
    static int Lowest(std::uint32_t mask);

   private:
    std::uint32_t Bit(int position) const;
    void Update(std::uint32_t keep, std::uint32_t add);

    const int count_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::uint32_t set_ = 0;
};

}  // namespace orvalis
