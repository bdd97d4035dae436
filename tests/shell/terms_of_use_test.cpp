#include "shell/terms_of_use.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/recording_messages.h"

namespace orvalis {
namespace {

TEST(TermsOfUse, TheQuestionFollowsTheTermsWithNoAsTheDefault) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        test::RecordingMessages messages;
        messages.answers = {answer};
        EXPECT_EQ(AskTermsAcceptance(messages), answer == MessageAnswer::Yes);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, std::string(kTermsText) +
                                              "\n\n\nDo you accept these terms of use ?  (If you "
                                              "click Yes this message will not appear again)");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNoDefaultNo);
    }
}

TEST(TermsOfUse, TheTextHasThreeSectionsWithCrLfLines) {
    const std::string text = kTermsText;
    EXPECT_GT(text.size(), 1300u);
    EXPECT_LT(text.size(), 1700u);
    int headings = 0;
    for (std::size_t at = 0; (at = text.find("...\r\n", at)) != std::string::npos; at += 5) {
        ++headings;
    }
    EXPECT_EQ(headings, 3);
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) {
        ASSERT_GT(at, 0u);
        EXPECT_EQ(text[at - 1], '\r');
    }
}

}  // namespace
}  // namespace orvalis
