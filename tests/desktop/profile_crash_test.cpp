#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

constexpr int kHangGuardMs = 120000;

struct Generations {
    int settings = 0;
    int sites = 0;
};

// Follows the saver's report lines: the last settings and sites save that returned.
void Note(const std::string& line, Generations& done) {
    int g = 0;
    if (std::sscanf(line.c_str(), "settings %d", &g) == 1) done.settings = g;
    if (std::sscanf(line.c_str(), "sites %d", &g) == 1) done.sites = g;
}

TEST(ProfileCrash, AKillInTheMiddleOfSavingLeavesTheOldOrTheNewProfile) {
    test::TempDir home;
    const std::vector<std::string> environment = {"HOME=" + home.Path().string(),
                                                  "XDG_CONFIG_HOME=" + home.Path().string()};
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 150000);

    Generations before;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Generations done = before;
        {
            test::ChildProcess saver({ORVALIS_PROFILE_SAVER, "save-forever"}, environment);
            ASSERT_TRUE(saver.Started());
            // Let one whole profile land, then kill the saver at a random moment after it.
            std::string line;
            while (done.sites <= before.sites) {
                ASSERT_TRUE(saver.ReadLine(line, kHangGuardMs)) << "the saver stopped reporting";
                Note(line, done);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            saver.Kill(SIGKILL);
            saver.Wait();
            while (saver.ReadLine(line, kHangGuardMs)) Note(line, done);
        }

        int status = 0;
        const std::string checked =
            test::RunProgram({ORVALIS_PROFILE_SAVER, "check"}, &status, environment);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << checked;
        Generations stored;
        ASSERT_EQ(
            std::sscanf(checked.c_str(), "settings=%d sites=%d", &stored.settings, &stored.sites),
            2)
            << checked;
        // Each save is whole: the file holds the last save that returned or the one after it.
        EXPECT_GE(stored.settings, done.settings);
        EXPECT_LE(stored.settings, done.settings + 1);
        EXPECT_GE(stored.sites, done.sites);
        EXPECT_LE(stored.sites, done.sites + 1);
        before = stored;
    }
}

}  // namespace
}  // namespace orvalis
