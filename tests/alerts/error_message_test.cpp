#include "alerts/error_message.h"

#include <gtest/gtest.h>

#include "support/recording_messages.h"

namespace orvalis {
namespace {

TEST(ErrorMessage, PutsTheTextInPlaceOfTheFirstPlaceholderOnly) {
    EXPECT_EQ(FormatWithText("Failed to write file %s", "/tmp/a %s %d.html"),
              "Failed to write file /tmp/a %s %d.html");
    EXPECT_EQ(FormatWithText("%s and %s", "x"), "x and %s");
    EXPECT_EQ(FormatWithText("no placeholder", "x"), "no placeholder");
}

TEST(ErrorMessage, ShowsOneBoxWithTheErrorIconAndOk) {
    test::RecordingMessages messages;
    ShowErrorMessage(messages, "Unable to open %s", "http://127.0.0.1/?a=%20");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open http://127.0.0.1/?a=%20");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
}

}  // namespace
}  // namespace orvalis
