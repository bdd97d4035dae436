#include "alerts/temporary_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace orvalis {
namespace {

TEST(TemporaryPages, PathsLieInTheTemporaryFolderOrInTmpWhenItIsUnknown) {
    const struct {
        std::string folder;
        std::string path;
    } cases[] = {
        {"/var/tmp", "/var/tmp/temp_webtool_help.html"},
        {"/var/tmp/", "/var/tmp/temp_webtool_help.html"},
        {"/", "/temp_webtool_help.html"},
        {"", "/tmp/temp_webtool_help.html"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TemporaryPagePath(c.folder, kHelpPageFile), c.path) << c.folder;
    }
}

TEST(TemporaryPages, TheHelpPathsAreNamedTogetherAndThenKept) {
    TemporaryPages pages;
    pages.helpPagePath = "/old/temp_webtool_help.html";
    pages.FillHelpPaths("/run/user/1000");
    EXPECT_EQ(pages.helpPagePath, "/run/user/1000/temp_webtool_help.html");
    EXPECT_EQ(pages.helpPicturePath, "/run/user/1000/temp_webtool_box.gif");
    EXPECT_TRUE(pages.redirectPagePath.empty());

    pages.FillHelpPaths("/elsewhere");
    EXPECT_EQ(pages.helpPagePath, "/run/user/1000/temp_webtool_help.html");
    EXPECT_EQ(pages.helpPicturePath, "/run/user/1000/temp_webtool_box.gif");
}

}  // namespace
}  // namespace orvalis
