#include "engine/down_lists.h"

#include <gtest/gtest.h>

#include <string>

namespace orvalis {
namespace {

TEST(DownLists, HostsAreAddedOnceWhileTheyFit) {
    DownLists lists;
    EXPECT_FALSE(lists.AppendHost("")) << "an empty host always counts as present";
    EXPECT_TRUE(lists.AppendHost("mail.big.test"));
    EXPECT_FALSE(lists.AppendHost("big.test")) << "found inside a listed host";
    EXPECT_TRUE(lists.AppendHost("small.test"));
    EXPECT_EQ(lists.Pending(), "mail.big.test\n\nsmall.test");

    EXPECT_TRUE(lists.HandOff());
    EXPECT_EQ(lists.Mail(), "mail.big.test\n\nsmall.test");
    EXPECT_EQ(lists.Pending(), "");
    EXPECT_FALSE(lists.HandOff()) << "nothing new: the mail list stays for the window";
    EXPECT_EQ(lists.Mail(), "mail.big.test\n\nsmall.test");
}

TEST(DownLists, TheFitTestKeepsSixBytesToSpare) {
    for (std::size_t filled : {989u, 990u}) {
        DownLists lists;
        ASSERT_TRUE(lists.AppendHost(std::string(filled, 'x')));
        EXPECT_EQ(lists.AppendHost("abcd"), filled == 989) << filled;
        EXPECT_EQ(lists.Pending().size(), filled == 989 ? 995u : 990u);
    }
}

}  // namespace
}  // namespace orvalis
