#include "engine/shared_reachability.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace orvalis {
namespace {

// Eight checks fail at the same second while the first test of the site is still under way: the
// site is asked once and every check gets its answer. A later second, or a new pass, asks again.
TEST(SharedReachability, TestsWithinOneSecondShareOneAnswer) {
    SharedReachability shared;
    std::atomic<int> asked{0};
    auto slowYes = [&] {
        ++asked;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return true;
    };
    std::vector<std::thread> checks;
    std::atomic<int> yes{0};
    for (int i = 0; i < 8; ++i) {
        checks.emplace_back([&] { yes += shared.Answer("ref.test", 100, slowYes) ? 1 : 0; });
    }
    for (std::thread& check : checks) check.join();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(yes, 8);

    EXPECT_FALSE(shared.Answer("ref.test", 101, [] { return false; })) << "a new second";
    EXPECT_FALSE(shared.Answer("ref.test", 101, slowYes)) << "that second's answer";
    EXPECT_TRUE(shared.Answer("other.test", 101, slowYes)) << "another site";
    shared.Clear();
    EXPECT_TRUE(shared.Answer("ref.test", 101, slowYes)) << "a new pass";
    EXPECT_EQ(asked, 3);
}

}  // namespace
}  // namespace orvalis
