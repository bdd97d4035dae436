#include "engine/down_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvalis {
namespace {

TEST(DownLists, AHostIsLeftOutOnlyWhenItIsAlreadyAWholeEntry) {
    struct Case {
        std::vector<std::string> listed;
        std::string host;
        bool added;
    };
    const Case cases[] = {
        {{"myshop.example.com"}, "shop.example.com", true},
        {{"shop.example.com"}, "myshop.example.com", true},
        {{"mail.big.test"}, "big.test", true},
        {{"x.test"}, "x.tes", true},
        {{"a.test", "b.test"}, "a.test", false},
        {{"a.test", "b.test", "c.test"}, "b.test", false},
        {{"a.test", "b.test"}, "b.test", false},
        {{}, "", false},
        {{"a.test"}, "", false},
    };
    for (const Case& c : cases) {
        DownLists lists;
        std::string expected;
        for (const std::string& host : c.listed) {
            ASSERT_TRUE(lists.AppendHost(host)) << host;
            expected += (expected.empty() ? "" : "\n\n") + host;
        }
        if (c.added) expected += (expected.empty() ? "" : "\n\n") + c.host;
        EXPECT_EQ(lists.AppendHost(c.host), c.added)
            << testing::PrintToString(c.listed) << " + " << c.host;
        EXPECT_EQ(lists.Pending(), expected);
    }
}

TEST(DownLists, HandOffMovesThePendingListToTheMailList) {
    DownLists lists;
    EXPECT_TRUE(lists.AppendHost("mail.big.test"));
    EXPECT_TRUE(lists.AppendHost("big.test"));
    EXPECT_TRUE(lists.HandOff());
    EXPECT_EQ(lists.Mail(), "mail.big.test\n\nbig.test");
    EXPECT_EQ(lists.Pending(), "");
    EXPECT_FALSE(lists.HandOff()) << "nothing new: the mail list stays for the window";
    EXPECT_EQ(lists.Mail(), "mail.big.test\n\nbig.test");
    EXPECT_TRUE(lists.AppendHost("big.test")) << "a new pass starts from an empty list";
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
