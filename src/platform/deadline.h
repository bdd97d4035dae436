#pragma once

#include <algorithm>
#include <chrono>

namespace orvalis {

/// The clock every step deadline is taken from.
using DeadlineClock = std::chrono::steady_clock;

/// How long is left until `deadline`; zero once it has passed.
inline std::chrono::milliseconds Remaining(DeadlineClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - DeadlineClock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace orvalis
