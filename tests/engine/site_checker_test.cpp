#include "engine/site_checker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "checker_fixture.h"
#include "engine/site_status.h"

namespace orvalis {
namespace {

using test::CheckerFixture;

constexpr const char* kPage = "http://www.site.test/page";

TEST_F(CheckerFixture, AutorunStartWaitsOnceBeforeTheFirstPass) {
    AddRow(kPage);
    net.Probe(kPage, {{ProbeUnchanged, {7, 7, 7, 7}}});
    settings.Update([](AppSettings& s) { s.UpdateInterval = 1; s.UpdateMetric = "seconds"; });
    for (bool boot : {false, true}) {
        SCOPED_TRACE(boot ? "autorun start" : "normal start");
        journal.Clear();
        settings.Update([&](AppSettings& s) { s.BootStart = boot; });
        RunCycles(2);
        std::vector<std::string> expected{"probe " + std::string(kPage), "sleep 3000",
                                          "probe " + std::string(kPage), "sleep 3000"};
        if (boot) expected.insert(expected.begin(), "sleep 120000");
        EXPECT_EQ(journal.Entries(), expected);
    }
}

TEST_F(CheckerFixture, TheWaitIsTheFewestSlicesThatReachTheInterval) {
    struct Case {
        std::int32_t interval;
        const char* metric;
        std::size_t slices;
    };
    const Case cases[] = {
        {10, "seconds", 4}, {1, "seconds", 1},  {3, "seconds", 1},  {4, "seconds", 2},
        {0, "minutes", 1},  {-5, "minutes", 1}, {10, "minutes", 200}, {1, "hours", 1200},
        {2, "weeks", 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.interval) + " " + c.metric);
        settings.Update([&](AppSettings& s) {
            s.UpdateInterval = c.interval;
            s.UpdateMetric = c.metric;
        });
        RunCycles(1);
        EXPECT_EQ(clock.Sleeps(), std::vector<int>(c.slices, 3000));
        journal.Clear();
        clock.Reset();
    }
}

TEST_F(CheckerFixture, AChangedIntervalCountsFromTheNextSlice) {
    settings.Update([](AppSettings& s) { s.UpdateInterval = 10; s.UpdateMetric = "minutes"; });
    clock.OnSleep([this](int) {
        if (clock.Sleeps().size() == 2) {
            settings.Update([](AppSettings& s) { s.UpdateInterval = 1; s.UpdateMetric = "seconds"; });
        }
    });
    RunCycles(1);
    EXPECT_EQ(clock.Sleeps(), std::vector<int>(2, 3000));
}

TEST_F(CheckerFixture, DownHostsAreHandedOverOncePerPassWithTheMailRequest) {
    settings.Update([](AppSettings& s) {
        s.UpdateInterval = 1;
        s.UpdateMetric = "seconds";
        s.SendEmail = 1;
        s.SmtpServer = "mail.test";
        s.EmailAddress = "me@mail.test";
        s.SenderEmail = "monitor@mail.test";
    });
    AddRow(kPage);
    AddRow("http://www.site.test/other");
    net.Probe(kPage, {{ProbeFailed}, {ProbeFailed}, {ProbeUnchanged, {7, 7, 7, 7}}});
    net.Probe("http://www.site.test/other", {{ProbeFailed}, {ProbeFailed}, {ProbeUnchanged, {7, 7, 7, 7}}});
    net.Reach("www.site.test", {false});
    net.Reach("ref-one.test", {true});
    net.Reach("ref-two.test", {true});
    RunCycles(2);

    std::vector<std::string> order;
    for (const std::string& entry : journal.Entries()) {
        if (entry.rfind("timer", 0) == 0 || entry.rfind("sleep 3000", 0) == 0) order.push_back(entry);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"timer 1000039", "sleep 3000", "sleep 3000"}))
        << "one request after the pass that found the server down, none after the next";
    EXPECT_EQ(downLists.Mail(), "www.site.test");
    EXPECT_EQ(downLists.Pending(), "");
}

// Offline, no row is probed, but the hand-off, the save check and the wait still run each cycle.
TEST_F(CheckerFixture, SitesAreSavedAfterMoreThanTenMinutesEvenOffline) {
    AddRow(kPage);
    net.Connected(false);
    settings.Update([](AppSettings& s) { s.UpdateInterval = 1; s.UpdateMetric = "minutes"; });
    const std::time_t start = clock.Now();
    std::vector<std::time_t> saves;
    saveSites = [&] {
        EXPECT_TRUE(savingSites.load());
        saves.push_back(clock.Now() - start);
    };
    RunCycles(23);  // passes at 0, 60, ..., 1320 s
    EXPECT_EQ(saves, (std::vector<std::time_t>{660, 1320}));
    EXPECT_FALSE(savingSites.load());
    EXPECT_TRUE(journal.With("probe").empty());

    // While the window's close is saving, the checker leaves the save for a later cycle.
    saves.clear();
    savingSites = true;
    clock.Reset();
    RunCycles(13);
    EXPECT_TRUE(saves.empty());
}

// Stop requests arrive while the thread is in each of its waits and network calls. Every one of
// them must end at once (the fakes block until the stop wakes them) and leave the row unchanged.
TEST_F(CheckerFixture, AStopEndsEveryWaitAndCallAtOnceAndLeavesTheRowAlone) {
    enum class Where { AutorunDelay, BetweenPasses, ConfirmationDelay, Fetch, ServerTest, ReferenceTest };
    struct Case {
        const char* name;
        Where where;
        std::string after;
    };
    const Case cases[] = {
        {"autorun delay", Where::AutorunDelay, "OK 09:00:00"},
        {"between passes", Where::BetweenPasses, "OK <now>"},  // the pass before is complete
        {"confirmation delay", Where::ConfirmationDelay, "OK 09:00:00"},
        {"page fetch", Where::Fetch, "OK 09:00:00"},
        {"server's root page", Where::ServerTest, "OK 09:00:00"},
        {"reference site", Where::ReferenceTest, "No Connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal.Clear();
        while (list.CountRows() > 0) list.DeleteRow(0);
        clock.Reset();
        net.Reset();
        const std::time_t started = clock.Now();
        const int row = AddRow(kPage, "OK 09:00:00");
        settings.Update([&](AppSettings& s) { s.BootStart = c.where == Where::AutorunDelay; });
        const bool fails = c.where != Where::BetweenPasses && c.where != Where::AutorunDelay;
        net.Probe(kPage, {{fails ? ProbeFailed : ProbeUnchanged, {7, 7, 7, 7}}});
        net.Reach("ref-one.test", {true});
        net.Reach("ref-two.test", {true});
        switch (c.where) {
            case Where::AutorunDelay: clock.Gate(kAutorunDelayMs); break;
            case Where::BetweenPasses: clock.Gate(3000); break;
            case Where::ConfirmationDelay: clock.Gate(kConfirmationDelayMs); break;
            case Where::Fetch: net.Hang(kPage); break;
            case Where::ServerTest: net.HangReach("www.site.test"); break;
            case Where::ReferenceTest: net.HangReach("ref-one.test"); break;
        }
        MakeChecker();
        ASSERT_TRUE(checker->StartChecker());
        EXPECT_FALSE(checker->CheckerFinished());
        const bool inClock = c.where == Where::AutorunDelay || c.where == Where::BetweenPasses ||
                             c.where == Where::ConfirmationDelay;
        ASSERT_TRUE(inClock ? clock.WaitForGatedSleeps(1) : net.WaitForHang());

        checker->RequestStop();
        checker->Join();

        EXPECT_TRUE(checker->CheckerFinished());
        EXPECT_EQ(Status(row), c.after == "OK <now>" ? FormatOkStatus(started) : c.after);
        EXPECT_EQ(Words(row), (FingerprintWords{7, 7, 7, 7}));
        EXPECT_TRUE(Alerts().empty());
    }
}

}  // namespace
}  // namespace orvalis
