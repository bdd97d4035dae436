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

void EventSet::Set(int position) {
    const std::uint32_t bit = Bit(position);
    {
        std::lock_guard lock(mutex_);
        set_ |= bit;
    }
    changed_.notify_all();
}

void EventSet::Reset(int position) {
    const std::uint32_t bit = Bit(position);
    std::lock_guard lock(mutex_);
    set_ &= ~bit;
}

void EventSet::ResetAll() {
    std::lock_guard lock(mutex_);
    set_ = 0;
}

void EventSet::ResetAllAndSet(int position) {
    const std::uint32_t bit = Bit(position);
    {
        std::lock_guard lock(mutex_);
        set_ = bit;
    }
    changed_.notify_all();
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

}  // namespace orvalis
