#include "alerts/browser_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/headless_browser.h"
#include "support/http_test_server.h"
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

constexpr const char* kRefused =
    "Unable to activate your Internet browser\n\n"
    "Please activate your browser and enter the address:\n\n";

using test::ReadFile;

TEST(BrowserLaunch, OpenDocumentHandsTheFileToTheDesktopAndReportsARefusalOnlyWhenAsked) {
    RecordingShell shell;
    RecordingMessages messages;
    EXPECT_TRUE(OpenDocument(shell, messages, "/tmp/a.html", true));
    shell.accept = false;
    EXPECT_FALSE(OpenDocument(shell, messages, "/tmp/b.html", false));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(OpenDocument(shell, messages, "/tmp/c.html", true));
    EXPECT_EQ(shell.opened,
              (std::vector<std::string>{"/tmp/a.html", "/tmp/b.html", "/tmp/c.html"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, std::string(kRefused) + "/tmp/c.html");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
}

TEST(BrowserLaunch, OpenInBrowserNamesThePageInTheTemporaryFolderOnceAndWritesTheRedirect) {
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    std::string pagePath;
    const std::string page = (temp.Path() / "temp_webtool_help.html").string();

    EXPECT_TRUE(
        OpenInBrowser(shell, messages, "http://127.0.0.1/a", true, pagePath, temp.Path().string()));
    EXPECT_EQ(pagePath, page);
    EXPECT_NE(ReadFile(page).find("URL=http://127.0.0.1/a\""), std::string::npos);

    // The name is kept: a later folder does not move the page.
    EXPECT_TRUE(OpenInBrowser(shell, messages, "http://127.0.0.1/b", true, pagePath, "/elsewhere"));
    EXPECT_EQ(pagePath, page);
    EXPECT_NE(ReadFile(page).find("URL=http://127.0.0.1/b\""), std::string::npos);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{page, page}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(BrowserLaunch, ARefusedPageNamesTheAddressNotTheFileWhenReportsAreWanted) {
    TempDir temp;
    RecordingShell shell;
    shell.accept = false;
    RecordingMessages messages;
    std::string pagePath;
    EXPECT_FALSE(OpenInBrowser(shell, messages, "http://127.0.0.1/x?a=1&b=2", false, pagePath,
                               temp.Path().string()));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(OpenInBrowser(shell, messages, "http://127.0.0.1/x?a=1&b=2", true, pagePath,
                               temp.Path().string()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, std::string(kRefused) + "http://127.0.0.1/x?a=1&b=2");
}

TEST(BrowserLaunch, AnUnwritablePageShowsOnlyTheWriteErrorAndOpensNothing) {
    RecordingShell shell;
    RecordingMessages messages;
    std::string pagePath = "/proc/temp_webtool_help.html";
    EXPECT_FALSE(OpenInBrowser(shell, messages, "http://127.0.0.1/", true, pagePath, "/tmp"));
    EXPECT_TRUE(shell.opened.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Failed to write file /proc/temp_webtool_help.html");
}

TEST(BrowserLaunch, AnEmptyAddressWritesAndOpensNothing) {
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    std::string pagePath;
    EXPECT_FALSE(OpenInBrowser(shell, messages, "", true, pagePath, temp.Path().string()));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(BrowserLaunch, HostileAddressesStayInsideTheirAttributes) {
    TempDir temp;
    RecordingShell shell;
    RecordingMessages messages;
    std::string pagePath;
    ASSERT_TRUE(OpenInBrowser(shell, messages, "http://127.0.0.1/\"><script>x()</script>&", true,
                              pagePath, temp.Path().string()));
    const std::string page = ReadFile(pagePath);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("URL=http://127.0.0.1/&quot;&gt;&lt;script&gt;x()&lt;/script&gt;&amp;\">"),
              std::string::npos);
    EXPECT_NE(
        page.find("<a href=\"http://127.0.0.1/&quot;&gt;&lt;script&gt;x()&lt;/script&gt;&amp;\" "
                  "style=\"color:#000000\">click here</a>"),
        std::string::npos);
}

// The written page, opened in a real browser, lands on the address itself, query and all.
TEST(BrowserLaunch, TheRedirectPageTakesARealBrowserToTheAddress) {
    if (!test::HeadlessBrowser::Available()) GTEST_SKIP() << "chromium is not installed";
    test::HttpTestServer server;
    const struct {
        std::string address;
        std::string requestTarget;  // as the browser sends it
    } cases[] = {
        {server.Url("/landing"), "/landing"},
        {server.Url("/landing?site=a&page=2"), "/landing?site=a&page=2"},
        {server.Url("/landing?q=\"x\"&amp=<b>"), "/landing?q=%22x%22&amp=%3Cb%3E"},
    };
    TempDir temp;
    test::HeadlessBrowser browser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        server.Serve(c.requestTarget,
                     test::HttpResponse::Ok("<html><body><p id=\"arrived\">Landing page</p></body>"
                                            "</html>"));
        RecordingShell shell;
        RecordingMessages messages;
        std::string pagePath;
        ASSERT_TRUE(
            OpenInBrowser(shell, messages, c.address, true, pagePath, temp.Path().string()));
        const std::string dom = browser.DumpDom("file://" + shell.opened.at(0));
        EXPECT_NE(dom.find("<p id=\"arrived\">Landing page</p>"), std::string::npos) << dom;
        EXPECT_EQ(server.RequestCount(c.requestTarget), 1);
    }
}

}  // namespace
}  // namespace orvalis
