#pragma once

#include <cstdint>
#include <string>

namespace orvalis {

/// The checker's wait between passes goes in slices of this many milliseconds.
inline constexpr int kWaitSliceMs = 3000;

/// Milliseconds per unit of the update interval: "seconds", "minutes" or "hours", compared
/// exactly; any other text counts as minutes.
std::int64_t UnitFactorMs(const std::string& metric);

/// The wait between passes in milliseconds: `interval` units of `metric`. The product is taken in
/// 64 bits, so no interval can wrap round to a short wait; a negative interval counts as 0 (the
/// wait is then the single shortest slice).
std::int64_t WaitTargetMs(std::int32_t interval, const std::string& metric);

}  // namespace orvalis
