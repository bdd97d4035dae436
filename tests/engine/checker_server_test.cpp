// Passes of the checker with the real probe against local HTTP servers. Each pretend host is its
// own loopback address on port 80, since the root-page and reference-site checks go to port 80 of
// a bare host name; a host without a server there refuses connections, as a dead server does.
#include <gtest/gtest.h>

#include <future>

#include "checker_fixture.h"
#include "engine/page_probe.h"
#include "engine/site_status.h"
#include "support/http_test_server.h"

namespace orvalis {
namespace {

using test::HttpResponse;
using test::HttpTestServer;

constexpr const char* kSiteHost = "127.0.4.2";
constexpr const char* kSilentHost = "127.0.4.9";  // nothing listens here
constexpr const char* kOldBody = "<html>old content</html>";

FingerprintWords FingerprintOf(const std::string& content) {
    FingerprintWords words{};
    UpdateFingerprint(content, words);
    return words;
}

struct ServerPassFixture : test::CheckerFixture {
    HttpTestServer site{kSiteHost, 80};
    HttpTestServer firstReference{"127.0.4.3", 80};
    HttpTestServer secondReference{"127.0.4.4", 80};

    void SetUp() override {
        referenceSites = {"127.0.4.3", "127.0.4.4"};
        settings.Update([](AppSettings& s) { s.CheckForChanges = 1; });
    }

    static std::string Page(const char* host, const char* path = "/page") {
        return std::string("http://") + host + path;
    }

    // Runs one pass with the real probe.
    void Pass() { MakeChecker(ProbeNetwork()).RunPass(); }
};

TEST_F(ServerPassFixture, PagesMoveThroughTheirStatusesAgainstRealServers) {
    enum class Alert { None, Changed, DownAgain };
    struct Case {
        const char* name;
        std::string before;
        std::vector<HttpResponse> responses;  // what the page answers, fetch by fetch
        bool checkForChanges;
        std::string after;
        FingerprintWords words;
        int fetches;
        Alert alert;
    };
    const FingerprintWords old = FingerprintOf(kOldBody);
    const FingerprintWords changed = FingerprintOf("new content");
    const std::string ok = "OK <now>";
    const Case cases[] = {
        {"page fine", "", {HttpResponse::Ok(kOldBody)}, true, ok, old, 1, Alert::None},
        {"page missing, root answers", "OK 09:00:00", {HttpResponse::Status(404, "")}, true,
         "Page Not Found", old, 2, Alert::None},
        {"404 title, root answers", "", {HttpResponse::Ok("<TITLE>404 Not Found</TITLE>")}, true,
         "Page Not Found", old, 2, Alert::None},
        {"change confirmed", "", {HttpResponse::Ok("new content")}, true, "CHANGED", changed, 2,
         Alert::Changed},
        {"change not confirmed", "",
         {HttpResponse::Ok("new content"), HttpResponse::Ok("newer content")}, true, ok, old, 2,
         Alert::None},
        {"change checking off", "", {HttpResponse::Ok("new content")}, false, ok, changed, 1,
         Alert::None},
        {"CHANGED left alone", "CHANGED", {HttpResponse::Ok("new content")}, true, "CHANGED", old,
         1, Alert::None},
        {"WAS DOWN failing again", "WAS DOWN", {HttpResponse::Status(404, "")}, true,
         "SERVER DOWN", old, 2, Alert::DownAgain},
        {"SERVER DOWN page fine again", "SERVER DOWN", {HttpResponse::Ok(kOldBody)}, true,
         "WAS DOWN", old, 1, Alert::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal.Clear();
        while (list.CountRows() > 0) list.DeleteRow(0);
        const std::string path = "/page" + std::to_string(&c - cases);
        const std::string address = Page(kSiteHost, path.c_str());
        site.ServeSequence(path, c.responses);
        const int row = AddRow(address, c.before, old);
        settings.Update([&](AppSettings& s) { s.CheckForChanges = c.checkForChanges; });

        Pass();

        EXPECT_EQ(Status(row), c.after == ok ? FormatOkStatus(clock.Now()) : c.after);
        EXPECT_EQ(Words(row), c.words);
        EXPECT_EQ(site.RequestCount(path), c.fetches);
        std::vector<std::string> alerts;
        if (c.alert == Alert::Changed) {
            alerts = {"popup Web page was changed:|" + address + "|30|error", "event ChangedFlash"};
        } else if (c.alert == Alert::DownAgain) {
            alerts = {"popup Server is down:|" + address + "|30|error"};
        }
        EXPECT_EQ(Alerts(), alerts);
    }
}

TEST_F(ServerPassFixture, ASilentServerIsDownOnlyWhenBothReferenceSitesAnswer) {
    const int row = AddRow(Page(kSilentHost), "");
    Pass();
    EXPECT_EQ(Status(row), "SERVER DOWN");
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"popup Server is down:|127.0.4.9|30|error",
                                                  "event DownFlash"}));
    EXPECT_GE(firstReference.RequestCount("/"), 1);
    EXPECT_GE(secondReference.RequestCount("/"), 1);

    // Now the reference sites are silent too: the connection is at fault, not the server.
    journal.Clear();
    list.SetRowText(row, kColumnStatus, "");
    firstReference.Stop();
    secondReference.Stop();
    Pass();
    EXPECT_EQ(Status(row), "No Connection");
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(ServerPassFixture, AStopDuringAStalledFetchLeavesTheRowAsItWas) {
    HttpResponse stalled = HttpResponse::Ok("partial body that never ends");
    stalled.stallAfter = 4;
    site.Serve("/stalled", stalled);
    const FingerprintWords old = FingerprintOf(kOldBody);
    const int row = AddRow(Page(kSiteHost, "/stalled"), "OK 09:00:00", old);

    MakeChecker(ProbeNetwork());
    ASSERT_TRUE(checker->StartChecker());
    while (site.RequestCount("/stalled") == 0) std::this_thread::yield();
    checker->RequestStop();
    checker->Join();

    EXPECT_EQ(Status(row), "OK 09:00:00");
    EXPECT_EQ(Words(row), old);
    EXPECT_TRUE(Alerts().empty());
}

}  // namespace
}  // namespace orvalis
