#include "engine/check_interval.h"

namespace orvalis {

std::int64_t UnitFactorMs(const std::string& metric) {
    if (metric == "seconds") return 1000;
    if (metric == "hours") return 3600000;
    return 60000;
}

std::int64_t WaitTargetMs(std::int32_t interval, const std::string& metric) {
    if (interval < 0) return 0;
    return static_cast<std::int64_t>(interval) * UnitFactorMs(metric);
}

}  // namespace orvalis
