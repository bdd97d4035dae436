#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kHangGuardMs = 20000;

// Copies of the program share one private runtime folder; each profile is a folder of its own.
class SingleInstance : public testing::Test {
   protected:
    std::vector<std::string> EnvironmentOf(const fs::path& configHome) const {
        return {"XDG_RUNTIME_DIR=" + runtime_.Path().string(),
                "XDG_CONFIG_HOME=" + configHome.string()};
    }

    // Starts a copy that is expected to be the first; it stays up until the test ends.
    std::unique_ptr<test::ChildProcess> StartFirst(const fs::path& configHome) const {
        auto first = std::make_unique<test::ChildProcess>(
            std::vector<std::string>{ORVALIS_INSTANCE_PROBE}, EnvironmentOf(configHome));
        std::string line;
        EXPECT_TRUE(first->ReadLine(line, kHangGuardMs));
        EXPECT_EQ(line, "first");
        return first;
    }

    // Runs a later copy to its end: its one line, and whether it ended with code 0.
    std::string StartAgain(const fs::path& configHome, bool* exitedWithZero = nullptr) const {
        int status = 0;
        std::string output =
            test::RunProgram({ORVALIS_INSTANCE_PROBE}, &status, EnvironmentOf(configHome));
        if (exitedWithZero) *exitedWithZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!output.empty() && output.back() == '\n') output.pop_back();
        return output;
    }

    static std::string NextLine(test::ChildProcess& child) {
        std::string line;
        return child.ReadLine(line, kHangGuardMs) ? line : "(nothing)";
    }

    std::vector<fs::path> LockFiles() const {
        std::vector<fs::path> locks;
        for (const auto& entry : fs::directory_iterator(runtime_.Path())) {
            if (entry.path().extension() == ".lock") locks.push_back(entry.path());
        }
        return locks;
    }

    test::TempDir runtime_;
    test::TempDir profile_;
};

TEST_F(SingleInstance, EachLaterStartShowsTheRunningCopyAndLeaves) {
    auto first = StartFirst(profile_.Path());
    for (int start = 0; start < 3; ++start) {
        bool exitedWithZero = false;
        EXPECT_EQ(StartAgain(profile_.Path(), &exitedWithZero), "other-shown");
        EXPECT_TRUE(exitedWithZero);
        EXPECT_EQ(NextLine(*first), "show");
    }
}

TEST_F(SingleInstance, CopiesStartedTogetherAgreeOnOneFirst) {
    constexpr int kCopies = 4;
    std::vector<std::unique_ptr<test::ChildProcess>> copies;
    for (int i = 0; i < kCopies; ++i) {
        copies.push_back(std::make_unique<test::ChildProcess>(
            std::vector<std::string>{ORVALIS_INSTANCE_PROBE}, EnvironmentOf(profile_.Path())));
    }
    test::ChildProcess* first = nullptr;
    int shown = 0;
    for (auto& copy : copies) {
        const std::string line = NextLine(*copy);
        if (line == "first") {
            EXPECT_EQ(first, nullptr) << "two copies took the lock";
            first = copy.get();
        } else {
            EXPECT_EQ(line, "other-shown");
            shown += line == "other-shown";
        }
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(shown, kCopies - 1);
    for (int i = 0; i < shown; ++i) EXPECT_EQ(NextLine(*first), "show");
}

TEST_F(SingleInstance, ALockLeftByAKilledCopyIsTakenOver) {
    {
        auto crashed = StartFirst(profile_.Path());
        crashed->Kill(SIGKILL);
        crashed->Wait();
    }
    ASSERT_EQ(LockFiles().size(), 1u) << "the killed copy's lock should still be there";

    auto next = StartFirst(profile_.Path());
    // The new copy listens in place of the dead one's socket.
    EXPECT_EQ(StartAgain(profile_.Path()), "other-shown");
    EXPECT_EQ(NextLine(*next), "show");
}

TEST_F(SingleInstance, AnOldLockOfARunningCopyStillHolds) {
    auto first = StartFirst(profile_.Path());
    const auto locks = LockFiles();
    ASSERT_EQ(locks.size(), 1u);
    // As if the copy had run for a day.
    const auto dayAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(locks[0], dayAgo);

    EXPECT_EQ(StartAgain(profile_.Path()), "other-shown");
    EXPECT_EQ(NextLine(*first), "show");
}

TEST_F(SingleInstance, EachProfileFolderHasItsOwnCopy) {
    test::TempDir other;
    auto first = StartFirst(profile_.Path());
    auto otherFirst = StartFirst(other.Path());

    EXPECT_EQ(StartAgain(other.Path()), "other-shown");
    EXPECT_EQ(NextLine(*otherFirst), "show");

    // Another spelling of the same folder is the same profile, even before the folder exists.
    const fs::path link = other.Path() / "link";
    fs::create_directory_symlink(profile_.Path(), link);
    EXPECT_EQ(StartAgain(link / "." / ".." / "link"), "other-shown");
    EXPECT_EQ(NextLine(*first), "show");

    const fs::path missing = profile_.Path() / "not-yet";
    auto firstOfMissing = StartFirst(missing);
    EXPECT_EQ(StartAgain(link / "not-yet"), "other-shown");
    EXPECT_EQ(NextLine(*firstOfMissing), "show");
}

TEST_F(SingleInstance, ACopyThatDoesNotAnswerFailsALaterStartInBoundedTime) {
    auto first = StartFirst(profile_.Path());
    first->Kill(SIGSTOP);

    const auto started = Clock::now();
    bool exitedWithZero = true;
    EXPECT_EQ(StartAgain(profile_.Path(), &exitedWithZero), "failed");
    const auto waited = Clock::now() - started;
    EXPECT_FALSE(exitedWithZero);
    // It gives a copy that is starting up some seconds to answer, but not forever.
    EXPECT_GE(waited, std::chrono::seconds(2));
    EXPECT_LT(waited, std::chrono::seconds(10));
    first->Kill(SIGCONT);
}

}  // namespace
}  // namespace orvalis
