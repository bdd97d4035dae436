#include "alerts/mail_message.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orvalis {
namespace {

using Recipients = std::vector<std::pair<std::string, std::string>>;  // address, name

Recipients AllRecipients(const MailMessage& message) {
    Recipients all;
    for (int i = 0; i < message.RecipientCount(); ++i) {
        std::string address, name;
        EXPECT_TRUE(message.GetRecipient(i, address, name));
        all.emplace_back(address, name);
    }
    return all;
}

TEST(MailMessage, RecipientListIsSplitAtSemicolonsAndAngleBrackets) {
    struct Case {
        std::string text;
        bool ok;
        Recipients recipients;
    };
    const Case cases[] = {
        {"Ann Lee <ann@example.test>;bob@example.test",
         true,
         {{"ann@example.test", "Ann Lee "}, {"bob@example.test", ""}}},
        {"ops@example.test", true, {{"ops@example.test", ""}}},
        {" ops@example.test ", true, {{" ops@example.test ", ""}}},
        {"<ops@example.test>", true, {{"ops@example.test", ""}}},
        {"", true, {{"", ""}}},
        {"a@example.test;", true, {{"a@example.test", ""}, {"", ""}}},
        {"a@example.test;;b@example.test",
         true,
         {{"a@example.test", ""}, {"", ""}, {"b@example.test", ""}}},
        {"a@example.test;Bob >bob@example.test<;c@example.test", false, {{"a@example.test", ""}}},
        {"a@example.test;Bob <bob@example.test", false, {{"a@example.test", ""}}},
        {"Bob <bob@example.test> extra", true, {{"bob@example.test", "Bob "}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("list \"" + c.text + "\"");
        MailMessage message;
        EXPECT_EQ(message.AddRecipientList(c.text), c.ok);
        EXPECT_EQ(AllRecipients(message), c.recipients);
    }
}

TEST(MailMessage, GetRecipientRejectsIndexesOutsideTheList) {
    MailMessage message;
    message.AddRecipient("a@example.test", "A");
    std::string address = "unchanged", name = "unchanged";
    EXPECT_FALSE(message.GetRecipient(-1, address, name));
    EXPECT_FALSE(message.GetRecipient(1, address, name));
    EXPECT_EQ(address, "unchanged");
    EXPECT_TRUE(message.GetRecipient(0, address, name));
    EXPECT_EQ(address, "a@example.test");
    EXPECT_EQ(name, "A");
}

}  // namespace
}  // namespace orvalis
