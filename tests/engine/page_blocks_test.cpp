#include "engine/page_blocks.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

namespace orvalis {
namespace {

// Every kernel this processor runs agrees with the plain one: the same lane sums (zero bytes as
// spaces) and the same verdict on the runs, wherever a run or a zero byte sits in a block and
// however few bytes lie beyond the last block.
TEST(PageBlocks, KernelsAgree) {
    std::mt19937 random(11);
    const char* runs[] = {"e>4", "E>4", "-eq", "-EQ", "-eQ"};
    for (PageBlockKernel kernel : {PageBlockKernel::Sse2, PageBlockKernel::Avx2}) {
        if (!CanRun(kernel)) continue;
        for (int round = 0; round < 3000; ++round) {
            const std::size_t blocks = 1 + random() % 6;
            const std::size_t readable = 32 * blocks + random() % 3;
            std::string bytes(readable, 'a');
            for (char& c : bytes) c = "eE>4-qQ\x05\0 "[random() % 10];
            if (round % 2 == 0) {
                const std::size_t at = random() % (readable - 2);
                bytes.replace(at, 3, runs[random() % 5]);
            }
            const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
            std::array<std::uint32_t, 8> plainLanes{1, 2, 3, 4, 5, 6, 7, 8};
            std::array<std::uint32_t, 8> kernelLanes = plainLanes;
            const bool plain = AddPageBlocksWith(PageBlockKernel::Plain, data, blocks, readable,
                                                 plainLanes.data());
            const bool fast = AddPageBlocksWith(kernel, data, blocks, readable, kernelLanes.data());
            ASSERT_EQ(fast, plain) << static_cast<int>(kernel) << " round " << round;
            ASSERT_EQ(kernelLanes, plainLanes) << static_cast<int>(kernel) << " round " << round;
        }
    }
}

TEST(PageBlocks, PlainKernelFindsRunsWithinReach) {
    std::string bytes(34, 'a');
    bytes.replace(31, 3, "E>4");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::array<std::uint32_t, 8> lanes{};
    EXPECT_TRUE(AddPageBlocksWith(PageBlockKernel::Plain, data, 1, 34, lanes.data()));
    EXPECT_FALSE(AddPageBlocksWith(PageBlockKernel::Plain, data, 1, 33, lanes.data()))
        << "the run does not end within reach";
    EXPECT_EQ(lanes[0], 2u * 0x61616161u);
}

}  // namespace
}  // namespace orvalis
