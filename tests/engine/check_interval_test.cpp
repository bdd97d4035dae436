#include "engine/check_interval.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orvalis {
namespace {

TEST(CheckInterval, UnitsAndIntervalsGiveTheWaitTarget) {
    struct Case {
        std::int32_t interval;
        const char* metric;
        std::int64_t target;
    };
    const Case cases[] = {
        {10, "seconds", 10000},
        {10, "minutes", 600000},
        {2, "hours", 7200000},
        {3, "Minutes", 180000},  // units compare exactly; anything else counts as minutes
        {3, "", 180000},
        {0, "hours", 0},
        {-1, "seconds", 0},  // negative: no wait beyond the one slice
        {INT32_MIN, "hours", 0},
        // 1194 hours no longer fit in 32 bits of milliseconds; they must not wrap to 57 minutes.
        {1194, "hours", 4298400000},
        {INT32_MAX, "hours", std::int64_t{INT32_MAX} * 3600000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WaitTargetMs(c.interval, c.metric), c.target) << c.interval << " " << c.metric;
    }
}

}  // namespace
}  // namespace orvalis
