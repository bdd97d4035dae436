#include "platform/event_set.h"

#include <bit>
#include <stdexcept>

namespace orvalis {

EventSet::EventSet(int count) : count_(count) {
    if (count < 1 || count > kMaxEvents) throw std::invalid_argument("EventSet: bad event count");
}

std::uint32_t EventSet::Bit(int position) const {
    if (position < 0 || position >= count_) throw std::out_of_range("EventSet: bad position");
    return std::uint32_t{1} << position;
}

// Waiters are woken only when the set actually changes: a repeated set or reset costs a sleeping
// thread nothing.
void EventSet::Update(std::uint32_t keep, std::uint32_t add) {
    {
        std::lock_guard lock(mutex_);
        const std::uint32_t next = (set_ & keep) | add;
        if (next == set_) return;
        set_ = next;
    }
    changed_.notify_all();
}

void EventSet::Set(int position) { Update(~std::uint32_t{0}, Bit(position)); }

void EventSet::Reset(int position) { Update(~Bit(position), 0); }

void EventSet::ResetAll() { Update(0, 0); }

void EventSet::ResetAllAndSet(int position) { Update(0, Bit(position)); }

void EventSet::Assign(std::uint32_t mask) {
    if (count_ < kMaxEvents && (mask >> count_) != 0) {
        throw std::out_of_range("EventSet: bad mask");
    }
    Update(0, mask);
}

bool EventSet::IsSet(int position) const {
    const std::uint32_t bit = Bit(position);
    std::lock_guard lock(mutex_);
    return (set_ & bit) != 0;
}

int EventSet::WaitAny() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_ != 0; });
    return std::countr_zero(set_);
}

std::uint32_t EventSet::Mask() const {
    std::lock_guard lock(mutex_);
    return set_;
}

std::uint32_t EventSet::WaitForChange(std::uint32_t seen) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this, seen] { return set_ != seen; });
    return set_;
}

int EventSet::Lowest(std::uint32_t mask) { return mask == 0 ? -1 : std::countr_zero(mask); }

}  // namespace orvalis
