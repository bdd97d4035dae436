#include "promo/free_gift.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

using test::ReadFile;

TEST(FreeGift, AnUnbrandedCopyOpensTheClubLinkThroughTheSharedHelpFile) {
    BrandingRecord branding;
    branding.Load();
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    TemporaryPages pages;

    EXPECT_TRUE(OpenFreeGift(shell, messages, pages, temp.Path().string(), branding));
    const std::string page = (temp.Path() / "temp_webtool_help.html").string();
    EXPECT_EQ(pages.redirectPagePath, page);
    EXPECT_EQ(shell.opened, std::vector<std::string>{page});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_NE(ReadFile(page).find("URL=http://tellmark-club.example/url2/"
                                  "?r=1&amp;u=http://tellmark-club.example\">"),
              std::string::npos);

    pages.DeleteAll();
    EXPECT_FALSE(fs::exists(page));
}

TEST(FreeGift, ARefusalIsReportedWithTheLinkToType) {
    BrandingRecord branding;
    branding.resellerAddress = "http://127.0.0.1/url2/?r=7&u=http://127.0.0.1/shop";
    TempDir temp;
    RecordingShell shell;
    shell.accept = false;
    RecordingMessages messages;
    TemporaryPages pages;

    EXPECT_FALSE(OpenFreeGift(shell, messages, pages, temp.Path().string(), branding));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to activate your Internet browser\n\n"
              "Please activate your browser and enter the address:\n\n"
              "http://127.0.0.1/url2/?r=7&u=http://127.0.0.1/shop");
}

TEST(FreeGift, WithoutAResellerLinkNothingIsWrittenOrOpened) {
    BrandingRecord branding;
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    TemporaryPages pages;

    EXPECT_FALSE(OpenFreeGift(shell, messages, pages, temp.Path().string(), branding));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(pages.redirectPagePath.empty());
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

}  // namespace
}  // namespace orvalis
