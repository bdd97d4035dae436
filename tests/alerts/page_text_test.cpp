#include "alerts/page_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvalis {
namespace {

constexpr const char* kSalesLink =
    "To download the ready-made sales page for this software, <a "
    "href='http://downloads.orvalis.example/dl/OrvalisProMiniSite.zip'>click here</a>";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Where each part first occurs, in the order given; npos for a part missing or out of order.
std::vector<std::size_t> InOrder(const std::string& text, const std::vector<std::string>& parts) {
    std::vector<std::size_t> places;
    std::size_t from = 0;
    for (const std::string& part : parts) {
        const std::size_t at = text.find(part, from);
        places.push_back(at);
        if (at == std::string::npos) break;
        from = at + part.size();
    }
    return places;
}

void ExpectCrLfLinesFromAnEmptyFirstLine(const std::string& page) {
    EXPECT_EQ(page.substr(0, 2), "\r\n");
    for (std::size_t at = page.find('\n'); at != std::string::npos; at = page.find('\n', at + 1)) {
        ASSERT_GT(at, 0u);
        ASSERT_EQ(page[at - 1], '\r') << "line ending at " << at;
    }
    EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n");
}

TEST(PageText, FillsPlaceholdersInTurnWithTheValuesAsGiven) {
    EXPECT_EQ(FillPlaceholders("<%s|%s|%s>", {"a", "%s", "c"}), "<a|%s|c>");
    EXPECT_EQ(FillPlaceholders("%s and %s", {"one"}), "one and %s");
    EXPECT_EQ(FillPlaceholders("100% %d", {"x"}), "100% %d");
}

TEST(PageText, TheRedirectPageIsTheFixedTemplateWithTheAddressTwice) {
    EXPECT_EQ(RedirectPage("http://127.0.0.1:8080/gift"),
              "<HTML><HEAD><TITLE>Redirect</TITLE>\n"
              "<META HTTP-EQUIV=\"refresh\" CONTENT=\"0; URL=http://127.0.0.1:8080/gift\">\n"
              "</HEAD><BODY><br><br><br><center>If you are not redirected automatically, please "
              "<a href=\"http://127.0.0.1:8080/gift\" style=\"color:#000000\">click here</a>"
              "</center></BODY></HTML>");
}

TEST(PageText, TheHelpPageTakesItsValuesInOrderAndKeepsItsSections) {
    const std::string page = HelpPage("Site Watch", "http://127.0.0.1/r", "Acme Resale");
    ExpectCrLfLinesFromAnEmptyFirstLine(page);
    const std::vector<std::string> parts = {
        "<title>Site Watch</title>",
        "<body bgcolor=\"#e0e0e0\">",
        "<center>",
        "<table width=\"700\" border=\"0\" cellPadding=\"0\" cellSpacing=\"0\" "
        "bgcolor=\"#ffffff\">",
        "<br><br><br>",
        "<table width=\"600\" border=\"0\" cellPadding=\"0\" cellSpacing=\"0\">",
        "<font face=\"Verdana, sans-serif\" color=\"#b00000\" size=\"6\">Site Watch</font><br>",
        "<font face=\"Verdana, sans-serif\" size=\"2\" color=\"#000000\"><b><br>Brought to you "
        "by<br><br><a href=\"http://127.0.0.1/r\">Acme Resale</a></b></font>",
        "<br><br><br>\r\n<font face=\"Verdana, sans-serif\" size=\"2\" color=\"#000000\">",
        "<br><br><br><br>\r\n<b>Adding and Deleting Websites</b>\r\n<br><br>",
        "<br><br><br><br>\r\n<b>Clear Status</b>",
        "<br><br><br><br>\r\n<b>Web Browser</b>",
        "<br><br><br><br>\r\n<b>Hide To Tray</b>",
        "<br><br><br><br>\r\n<b>Settings</b>",
        "10 minutes",
        "<i>",
        "~/.config/autostart",
        "<br><br><br><br>\r\n<b>Limitations Of The Software</b>",
        "<br><br><br><br>\r\n<b><font color=\"#b00000\">What To Do If The Software Unable To "
        "Connect</font></b>",
        "<br><br><br><br>\r\n<b><font color=\"#b00000\">What To Do If The Software Repeatedly "
        "Connects You To The Internet When You Don't Want It To</font></b>",
        "\"Passive\"",
        "</font>\r\n</td></tr>\r\n</table>\r\n</td></tr>\r\n</table>\r\n</center>\r\n</body>\r\n"
        "</html>\r\n",
    };
    const std::vector<std::size_t> places = InOrder(page, parts);
    ASSERT_EQ(places.size(), parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_NE(places[i], std::string::npos) << "missing or out of order: " << parts[i];
    }
    EXPECT_FALSE(Contains(page, "%s"));
    EXPECT_FALSE(Contains(page, "Windows"));
}

TEST(PageText, OnlyTheDefaultNameOffersTheSalesPage) {
    const std::string ours = DistributionPage("Orvalis Pro");
    ExpectCrLfLinesFromAnEmptyFirstLine(ours);
    EXPECT_TRUE(Contains(ours, "<title>Orvalis Pro</title>"));
    EXPECT_TRUE(Contains(ours, "size=\"6\">Orvalis Pro</font>"));
    EXPECT_TRUE(Contains(ours,
                         "<br><br><b>You Now Have Master Resale/Giveaway Rights To This "
                         "Software</b>"));
    EXPECT_TRUE(Contains(ours, std::string("<br><br>\r\n") + kSalesLink + "\r\n<br><br><br>"));

    for (const std::string name : {"Orvalis Pro ", "orvalis pro", "Site Watch SALES_PAGE_LINK"}) {
        SCOPED_TRACE(name);
        const std::string page = DistributionPage(name);
        EXPECT_TRUE(Contains(page, "<title>" + name + "</title>"));
        EXPECT_TRUE(Contains(page,
                             "hand it on unchanged and complete, as you received it.\r\n"
                             "<br><br>\r\n\r\n<br><br><br>"));
        EXPECT_FALSE(Contains(page, "OrvalisProMiniSite"));
    }
}

int Count(const std::string& text, char c) {
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

// Markup characters a value brings along must not add a single tag, attribute or quote.
TEST(PageText, NoValueCanChangeAPagesMarkup) {
    const std::string hostile[] = {
        "\"><script>alert(1)</script>",
        "x\" onmouseover=\"alert(1)",
        "</title><h1>owned</h1>",
        "a&b<c>d'e\"f",
    };
    struct Page {
        std::string name;
        std::string (*make)(const std::string&);
    };
    const Page pages[] = {
        {"redirect", [](const std::string& v) { return RedirectPage(v); }},
        {"help name", [](const std::string& v) { return HelpPage(v, "http://127.0.0.1/", "r"); }},
        {"help address", [](const std::string& v) { return HelpPage("n", v, "r"); }},
        {"help reseller",
         [](const std::string& v) { return HelpPage("n", "http://127.0.0.1/", v); }},
        {"distribution", [](const std::string& v) { return DistributionPage(v); }},
    };
    for (const Page& page : pages) {
        const std::string plain = page.make("plain");
        for (const std::string& value : hostile) {
            SCOPED_TRACE(page.name + ": " + value);
            const std::string text = page.make(value);
            EXPECT_EQ(Count(text, '<'), Count(plain, '<'));
            EXPECT_EQ(Count(text, '>'), Count(plain, '>'));
            EXPECT_EQ(Count(text, '"'), Count(plain, '"'));
            EXPECT_EQ(Count(text, '\''), Count(plain, '\''));
        }
    }
}

}  // namespace
}  // namespace orvalis
