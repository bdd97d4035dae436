#include "alerts/help_pages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "alerts/browser_launch.h"
#include "support/headless_browser.h"
#include "support/read_file.h"
#include "support/recording_messages.h"
#include "support/recording_shell.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessages;
using test::RecordingShell;
using test::TempDir;

constexpr const char* kHelpMessage = "Unable to show help through your Internet browser";

using test::ReadFile;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(HelpPages, BothPagesShareTheHelpFileAndOpenItWithoutABrowserReport) {
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    TemporaryPages pages;
    const std::string folder = temp.Path().string() + "/";

    EXPECT_TRUE(
        ShowHelpPage(shell, messages, pages, folder, "Site Watch", "http://127.0.0.1/r", "Acme"));
    EXPECT_EQ(pages.helpPagePath, folder + "temp_webtool_help.html");
    EXPECT_EQ(pages.helpPicturePath, folder + "temp_webtool_box.gif");
    EXPECT_TRUE(Contains(ReadFile(pages.helpPagePath), "Brought to you by"));
    EXPECT_FALSE(fs::exists(pages.helpPicturePath));

    EXPECT_TRUE(ShowDistributionPage(shell, messages, pages, "/elsewhere", "Site Watch"));
    EXPECT_EQ(pages.helpPagePath, folder + "temp_webtool_help.html");
    EXPECT_TRUE(Contains(ReadFile(pages.helpPagePath), "Master Resale"));
    EXPECT_EQ(shell.opened, (std::vector<std::string>(2, pages.helpPagePath)));
    EXPECT_TRUE(messages.shown.empty());

    // A redirect page whose path was still empty takes the same file, and the later page wins.
    ASSERT_TRUE(OpenInBrowser(shell, messages, "http://127.0.0.1/gift", true,
                              pages.redirectPagePath, folder));
    EXPECT_EQ(pages.redirectPagePath, pages.helpPagePath);
    EXPECT_TRUE(Contains(ReadFile(pages.helpPagePath), "URL=http://127.0.0.1/gift"));
    pages.DeleteAll();
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(HelpPages, ARefusedPageShowsOnlyTheHelpMessage) {
    TempDir temp;
    RecordingShell shell;
    shell.accept = false;
    RecordingMessages messages;
    TemporaryPages pages;
    EXPECT_FALSE(ShowHelpPage(shell, messages, pages, temp.Path().string(), "n", "a", "r"));
    EXPECT_FALSE(ShowDistributionPage(shell, messages, pages, temp.Path().string(), "n"));
    ASSERT_EQ(messages.shown.size(), 2u);
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.text, kHelpMessage);
        EXPECT_EQ(shown.icon, MessageIcon::Error);
        EXPECT_EQ(shown.buttons, MessageButtons::Ok);
    }
}

TEST(HelpPages, AnUnwritablePageShowsTheWriteErrorAndThenTheHelpMessage) {
    RecordingShell shell;
    RecordingMessages messages;
    TemporaryPages pages;
    EXPECT_FALSE(ShowDistributionPage(shell, messages, pages, "/proc", "n"));
    EXPECT_TRUE(shell.opened.empty());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Failed to write file /proc/temp_webtool_help.html");
    EXPECT_EQ(messages.shown[1].text, kHelpMessage);
}

// The written pages as a browser shows them: pictures to look at, and the sales link only where
// it belongs.
class HelpPagesInABrowser : public ::testing::Test {
   protected:
    void SetUp() override {
        if (!test::HeadlessBrowser::Available()) GTEST_SKIP() << "chromium is not installed";
    }

    void Screenshot(const std::string& name, int height) {
        const std::string png = std::string(ORVALIS_SCREENSHOT_DIR) + "/" + name;
        EXPECT_TRUE(browser.Screenshot("file://" + shell.opened.back(), png, 760, height)) << png;
    }

    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    TemporaryPages pages;
    test::HeadlessBrowser browser;
};

TEST_F(HelpPagesInABrowser, TheHelpPageRendersWithTheResellersLink) {
    ASSERT_TRUE(ShowHelpPage(shell, messages, pages, temp.Path().string(), "Orvalis Pro",
                             "http://127.0.0.1:9/url2/?r=1&u=http://127.0.0.1:9",
                             "The Tellmark Club"));
    const std::string dom = browser.DumpDom("file://" + shell.opened.back());
    EXPECT_TRUE(Contains(dom, "<title>Orvalis Pro</title>"));
    EXPECT_TRUE(Contains(dom,
                         "<a href=\"http://127.0.0.1:9/url2/?r=1&amp;u=http://127.0.0.1:9\">"
                         "The Tellmark Club</a>"));
    EXPECT_TRUE(Contains(dom, "<b>Limitations Of The Software</b>"));
    Screenshot("help-page.png", 2200);
}

TEST_F(HelpPagesInABrowser, TheDistributionPageLinksTheSalesPageOnlyForTheDefaultName) {
    for (const std::string name : {"Orvalis Pro", "Site Watch"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ShowDistributionPage(shell, messages, pages, temp.Path().string(), name));
        const std::string dom = browser.DumpDom("file://" + shell.opened.back());
        EXPECT_TRUE(Contains(dom, "<title>" + name + "</title>"));
        EXPECT_TRUE(Contains(dom, "Master Resale/Giveaway Rights"));
        EXPECT_EQ(Contains(dom,
                           "<a href=\"http://downloads.orvalis.example/dl/"
                           "OrvalisProMiniSite.zip\">click here</a>"),
                  name == "Orvalis Pro");
        EXPECT_FALSE(Contains(dom, "SALES_PAGE_LINK"));
    }
    ASSERT_TRUE(ShowDistributionPage(shell, messages, pages, temp.Path().string(), "Orvalis Pro"));
    Screenshot("distribution-page.png", 600);
}

}  // namespace
}  // namespace orvalis
