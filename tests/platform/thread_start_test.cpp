#include "platform/thread_start.h"

#include <gtest/gtest.h>

#include <future>

namespace orvalis {
namespace {

// The flag must read "finished" exactly while no body runs: a close waits on it.
TEST(StartThread, FinishedTurnsTrueOnlyAfterTheBodyAndARefusedStartLeavesItAlone) {
    std::thread thread;
    std::atomic<bool> finished{true};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<bool> seenInside;

    ASSERT_TRUE(StartThread(thread, finished, [&] {
        seenInside.set_value(finished.load());
        released.wait();
    }));
    EXPECT_FALSE(seenInside.get_future().get()) << "the body ran with the flag still true";
    EXPECT_FALSE(finished);
    EXPECT_FALSE(StartThread(thread, finished, [] {})) << "a second thread while one is held";
    EXPECT_FALSE(finished);

    release.set_value();
    while (!finished) std::this_thread::yield();
    EXPECT_FALSE(StartThread(thread, finished, [] {})) << "the ended thread is not joined yet";
    EXPECT_TRUE(finished);

    thread.join();
    EXPECT_TRUE(StartThread(thread, finished, [] {}));
    thread.join();
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace orvalis
