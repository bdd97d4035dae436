#include "alerts/html_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace orvalis {
namespace {

TEST(HtmlEscape, WritesEveryMarkupCharacterAsAReferenceAndLeavesTheRest) {
    const struct {
        std::string text;
        std::string escaped;
    } cases[] = {
        {"", ""},
        {"http://127.0.0.1/a?b=1&c=2", "http://127.0.0.1/a?b=1&amp;c=2"},
        {"\"><script>alert(1)</script>", "&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"O'Neil & Sons", "O&#39;Neil &amp; Sons"},
        {"&amp;", "&amp;amp;"},
        {"100% Gr\xc3\xbcn; \t#e0e0e0", "100% Gr\xc3\xbcn; \t#e0e0e0"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeHtml(c.text), c.escaped) << c.text;
}

}  // namespace
}  // namespace orvalis
