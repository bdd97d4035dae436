#include "engine/page_fingerprint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace orvalis {
namespace {

TEST(PageFingerprint, WordsAreNeverSeenTorn) {
    PageFingerprint record;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (std::uint32_t i = 1; i <= 200000; ++i) record.Write({i, i, i, i});
        done = true;
    });
    int torn = 0;
    while (!done) {
        FingerprintWords w = record.Read();
        if (w[0] != w[1] || w[1] != w[2] || w[2] != w[3]) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(record.IsEmpty());
    EXPECT_TRUE(PageFingerprint().IsEmpty());
}

}  // namespace
}  // namespace orvalis
