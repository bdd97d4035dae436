#include "shell/qt_profile_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "engine/memory_site_list.h"
#include "shell/profile.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;

class ProfileFile : public testing::Test {
   protected:
    void SetUp() override {
        configHome_ = getenv("XDG_CONFIG_HOME");
        fs::remove_all(configHome_ / "Quennet");
    }

    fs::path FilePath() const { return configHome_ / "Quennet" / "Orvalis Pro.conf"; }

    std::string FileText() const {
        std::ifstream in(FilePath());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void WriteFileText(const std::string& text) const {
        fs::create_directories(FilePath().parent_path());
        std::ofstream(FilePath()) << text;
    }

    fs::path configHome_;
};

TEST_F(ProfileFile, LivesUnderXdgConfigHomeWithIntegersAsNumbersAndSectionsAsGroups) {
    SharedSettings settings;
    settings.Update([](AppSettings& s) {
        s.UpdateInterval = 15;
        s.UpdateMetric = "seconds";
        s.CheckForChanges = 1;
        s.SmtpServer = "mail.example.test";
    });
    MemorySiteList sites;
    sites.InsertRow(0, "http://a.test/path?x=1&y=2");
    sites.SetRowText(0, kColumnStatus, "CHANGED");
    sites.SetFingerprint(0, std::make_shared<PageFingerprint>(FingerprintWords{17, 0, 5, 9}));
    sites.InsertRow(1, "http://b.test/");
    {
        QtProfileStore store;
        EXPECT_EQ(store.Location(), FilePath().string());
        SaveSettings(store, settings);
        SaveSites(store, sites);
    }
    const std::string text = FileText();
    for (const char* line :
         {"[Settings]\n", "\nUpdateInterval=15\n", "\nUpdateMetric=seconds\n",
          "\nCheckForChanges=1\n", "\nSmtpServer=mail.example.test\n", "\nNumSites=2\n",
          "\nReadTerms=0\n", "\nSenderEmail=\n", "[Site0]\n", "\nC1=17\n", "\nC4=9\n",
          "\nStatus=CHANGED\n", "[Site1]\n", "\nStatus=\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << "no line " << line << "in\n" << text;
    }
    EXPECT_EQ(text.find("@Variant"), std::string::npos);
    EXPECT_EQ(text.find("C1", text.find("[Site1]")), std::string::npos);  // no record, no words

    QtProfileStore reopened;
    SharedSettings loaded;
    MemorySiteList loadedSites;
    LoadProfile(reopened, loaded, loadedSites);
    EXPECT_EQ(loaded.Get().UpdateInterval, 15);
    EXPECT_EQ(loaded.Get().UpdateMetric, "seconds");
    EXPECT_EQ(loaded.Get().SmtpServer, "mail.example.test");
    ASSERT_EQ(loadedSites.CountRows(), 2);
    EXPECT_EQ(loadedSites.GetRowText(0, kColumnAddress), "http://a.test/path?x=1&y=2");
    EXPECT_EQ(loadedSites.GetRowText(0, kColumnStatus), "CHANGED");
    EXPECT_EQ(loadedSites.GetFingerprint(0)->Read(), (FingerprintWords{17, 0, 5, 9}));
    EXPECT_EQ(loadedSites.GetFingerprint(1)->Read(), FingerprintWords{});
}

TEST_F(ProfileFile, AHandWrittenFileLoadsWithWrongKindsAsDefaults) {
    WriteFileText(
        "[Settings]\n"
        "NumSites=4\n"
        "UpdateInterval=ten\n"
        "UpdateMetric=hours, minutes\n"
        "CheckForChanges=1\n"
        "DialupMode=99999999999\n"
        "SmtpServer=\"mail.example.test\"\n"
        "\n"
        "[Site0]\n"
        "URL=http://a.test/\n"
        "Status=CHANGED\n"
        "C1=4294967295\n"
        "C2=-1\n"
        "C3=4294967296\n"
        "C4=12abc\n"
        "\n"
        "[Site1]\n"
        "URL=\n"
        "\n"
        "[Site3]\n"
        "URL=http://d.test/\n"
        "Status=OK 10:00:00\n"
        "C1=7\n");
    QtProfileStore store;
    SharedSettings settings;
    MemorySiteList sites;
    LoadProfile(store, settings, sites);

    const AppSettings s = settings.Get();
    EXPECT_EQ(s.UpdateInterval, 10);
    EXPECT_EQ(s.UpdateMetric, "minutes");
    EXPECT_EQ(s.CheckForChanges, 1);
    EXPECT_EQ(s.DialupMode, 0);
    EXPECT_EQ(s.SmtpServer, "mail.example.test");
    ASSERT_EQ(sites.CountRows(), 2);
    EXPECT_EQ(sites.GetRowText(0, kColumnAddress), "http://a.test/");
    EXPECT_EQ(sites.GetFingerprint(0)->Read(), (FingerprintWords{0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0}));
    EXPECT_EQ(sites.GetRowText(1, kColumnAddress), "http://d.test/");
    EXPECT_EQ(sites.GetRowText(1, kColumnStatus), "");
    EXPECT_EQ(sites.GetFingerprint(1)->Read(), (FingerprintWords{7, 0, 0, 0}));
}

TEST_F(ProfileFile, AThreadsWritesReachTheFileOnlyWithItsOwnCommit) {
    QtProfileStore store;
    std::thread checker([&store] {
        store.WriteString("Site0", "URL", "http://pending.test/");
        EXPECT_EQ(store.ReadString("Site0", "URL", ""), "http://pending.test/");
    });
    checker.join();
    EXPECT_EQ(store.ReadString("Site0", "URL", "none"), "none");

    SharedSettings settings;
    SaveSettings(store, settings);
    EXPECT_NE(FileText().find("UpdateInterval=10"), std::string::npos);
    EXPECT_EQ(FileText().find("pending"), std::string::npos);
}

TEST(ProfileHome, WithoutXdgConfigHomeTheFileLivesUnderHomeDotConfig) {
    test::TempDir home;
    int status = 0;
    test::RunProgram({ORVALIS_PROFILE_SAVER, "save-once", "3"}, &status,
                     {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME="});
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fs::exists(home.Path() / ".config" / "Quennet" / "Orvalis Pro.conf"));
}

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
