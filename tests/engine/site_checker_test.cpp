#include "engine/site_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "checker_fixture.h"
#include "engine/page_probe.h"
#include "engine/site_status.h"
#include "support/http_test_server.h"

namespace orvalis {
namespace {

using test::CheckerFixture;
using test::HttpResponse;
using test::HttpTestServer;
using Answer = test::ScriptedNetwork::Answer;

constexpr const char* kPage = "http://www.site.test/page";

TEST_F(CheckerFixture, AutorunStartWaitsOnceBeforeTheFirstPass) {
    AddRow(kPage);
    net.Probe(kPage, {{ProbeUnchanged, {7, 7, 7, 7}}});
    settings.Update([](AppSettings& s) {
        s.UpdateInterval = 1;
        s.UpdateMetric = "seconds";
    });
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
        {10, "seconds", 4},   {1, "seconds", 1},  {3, "seconds", 1},
        {4, "seconds", 2},    {0, "minutes", 1},  {-5, "minutes", 1},
        {10, "minutes", 200}, {1, "hours", 1200}, {2, "weeks", 40},
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
    settings.Update([](AppSettings& s) {
        s.UpdateInterval = 10;
        s.UpdateMetric = "minutes";
    });
    clock.OnSleep([this](int) {
        if (clock.Sleeps().size() == 2) {
            settings.Update([](AppSettings& s) {
                s.UpdateInterval = 1;
                s.UpdateMetric = "seconds";
            });
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
    net.Probe("http://www.site.test/other",
              {{ProbeFailed}, {ProbeFailed}, {ProbeUnchanged, {7, 7, 7, 7}}});
    net.Reach("www.site.test", {false});
    net.Reach("ref-one.test", {true});
    net.Reach("ref-two.test", {true});
    RunCycles(2);

    std::vector<std::string> order;
    for (const std::string& entry : journal.Entries()) {
        if (entry.rfind("timer", 0) == 0 || entry.rfind("sleep 3000", 0) == 0)
            order.push_back(entry);
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
    settings.Update([](AppSettings& s) {
        s.UpdateInterval = 1;
        s.UpdateMetric = "minutes";
    });
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
    enum class Where {
        AutorunDelay,
        BetweenPasses,
        ConfirmationDelay,
        Fetch,
        ServerTest,
        ReferenceTest
    };
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
            case Where::AutorunDelay:
                clock.Gate(kAutorunDelayMs);
                break;
            case Where::BetweenPasses:
                clock.Gate(3000);
                break;
            case Where::ConfirmationDelay:
                clock.Gate(kConfirmationDelayMs);
                break;
            case Where::Fetch:
                net.Hang(kPage);
                break;
            case Where::ServerTest:
                net.HangReach("www.site.test");
                break;
            case Where::ReferenceTest:
                net.HangReach("ref-one.test");
                break;
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

// Single passes against a scripted network.
constexpr const char* kHost = "www.site.test";
constexpr FingerprintWords kStored{7, 7, 7, 7};
constexpr FingerprintWords kSame{7, 7, 7, 7};
constexpr FingerprintWords kNew{9, 9, 9, 9};

// What the network says about a failing page's server and the reference sites.
enum class Network { Irrelevant, HostAnswers, NoConnection, ServerDown, ServerBack };

struct PassFixture : CheckerFixture {
    void Script(Network network) {
        net.Reach("ref-one.test", {true});
        net.Reach("ref-two.test", {true});
        net.Reach(kHost, {false});
        switch (network) {
            case Network::Irrelevant:
                break;
            case Network::HostAnswers:
                net.Reach(kHost, {true});
                break;
            case Network::NoConnection:
                net.Reach("ref-one.test", {false});
                break;
            case Network::ServerDown:
                net.Reach(kHost, {false, false});
                break;
            case Network::ServerBack:
                net.Reach(kHost, {false, true});
                break;
        }
    }
};

// Every row of the status transition table, driven through a pass: a status before, a result
// that both fetches agree on, and what the server and the reference sites answer.
TEST_F(PassFixture, EveryStatusMovesAsTheTransitionTableSays) {
    const std::string ok = "OK <now>";  // the clock's time when the status is written
    const std::vector<std::string> none;
    const std::vector<std::string> changedAlert{
        "popup Web page was changed:|http://www.site.test/page|30|error", "event ChangedFlash"};
    const std::vector<std::string> downAlert{"popup Server is down:|www.site.test|30|error",
                                             "event DownFlash"};
    const std::vector<std::string> downAgainAlert{
        "popup Server is down:|http://www.site.test/page|30|error"};
    const Answer unchanged{ProbeUnchanged, kSame}, changed{ProbeChanged, kNew}, failed{ProbeFailed};

    struct Case {
        std::string before;
        Answer answer;
        Network network;
        std::string after;
        std::vector<std::string> alerts;
    };
    const Case cases[] = {
        {"", unchanged, Network::Irrelevant, ok, none},
        {"OK 09:00:00", unchanged, Network::Irrelevant, ok, none},
        {"", changed, Network::Irrelevant, "CHANGED", changedAlert},
        {"OK 09:00:00", changed, Network::Irrelevant, "CHANGED", changedAlert},
        {"OK 09:00:00", failed, Network::HostAnswers, "Page Not Found", none},
        {"", failed, Network::NoConnection, "No Connection", none},
        {"OK 09:00:00", failed, Network::ServerDown, "SERVER DOWN", downAlert},
        {"", failed, Network::ServerBack, "No Connection", none},
        {"Page Not Found", unchanged, Network::Irrelevant, ok, none},
        {"No Connection", unchanged, Network::Irrelevant, ok, none},
        {"Page Not Found", changed, Network::Irrelevant, "Page Not Found", none},
        {"No Connection", failed, Network::HostAnswers, "No Connection", none},
        {"Page Not Found", failed, Network::NoConnection, "Page Not Found", none},
        {"Page Not Found", failed, Network::ServerDown, "SERVER DOWN", downAlert},
        {"No Connection", failed, Network::ServerDown, "SERVER DOWN", downAlert},
        {"SERVER DOWN", unchanged, Network::Irrelevant, "WAS DOWN", none},
        {"SERVER DOWN", changed, Network::Irrelevant, "SERVER DOWN", none},
        {"SERVER DOWN", failed, Network::ServerDown, "SERVER DOWN", none},
        {"WAS DOWN", unchanged, Network::Irrelevant, "WAS DOWN", none},
        {"WAS DOWN", changed, Network::Irrelevant, "WAS DOWN", none},
        {"WAS DOWN", failed, Network::ServerDown, "SERVER DOWN", downAgainAlert},
        {"CHANGED", unchanged, Network::Irrelevant, "CHANGED", none},
        {"CHANGED", changed, Network::Irrelevant, "CHANGED", none},
        {"CHANGED", failed, Network::ServerDown, "CHANGED", none},
    };
    settings.Update([](AppSettings& s) { s.CheckForChanges = 1; });
    MakeChecker();
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.before + "\" with result " + std::to_string(c.answer.result));
        journal.Clear();
        while (list.CountRows() > 0) list.DeleteRow(0);
        const int row = AddRow(kPage, c.before, kStored);
        net.Probe(kPage, {c.answer});
        Script(c.network);

        checker->RunPass();

        EXPECT_EQ(Status(row), c.after == ok ? FormatOkStatus(clock.Now()) : c.after);
        EXPECT_EQ(Alerts(), c.alerts);
        const bool statusHolds =
            c.before == "SERVER DOWN" || c.before == "WAS DOWN" || c.before == "CHANGED";
        if (c.answer.result == ProbeFailed && statusHolds) {
            EXPECT_TRUE(journal.With("reach").empty()) << "no down check for this status";
        }
        if (c.before == "CHANGED") {
            EXPECT_EQ(journal.With("probe").size(), 1u) << "one fetch, nothing confirmed";
            EXPECT_EQ(Words(row), kStored);
        }
    }
}

TEST_F(PassFixture, OnlyAConfirmedResultCountsAndOnlyItsWordsAreKept) {
    const FingerprintWords other{5, 5, 5, 5};
    struct Case {
        const char* name;
        bool checkForChanges;
        std::vector<Answer> answers;
        std::string after;
        FingerprintWords words;
        std::vector<std::string> fetches;
    };
    const std::string ok = "OK <now>";
    const std::vector<std::string> one{"probe " + std::string(kPage)};
    const std::vector<std::string> two{"probe " + std::string(kPage), "sleep 1000",
                                       "probe " + std::string(kPage)};
    const Case cases[] = {
        {"accepted at once", true, {{ProbeUnchanged, kNew}}, ok, kNew, one},
        {"change confirmed",
         true,
         {{ProbeChanged, kNew}, {ProbeChanged, kNew}},
         "CHANGED",
         kNew,
         two},
        {"content differs every time",
         true,
         {{ProbeChanged, kNew}, {ProbeChanged, other}},
         ok,
         kStored,
         two},
        {"change, then failure", true, {{ProbeChanged, kNew}, {ProbeFailed}}, ok, kStored, two},
        {"failure, then success", true, {{ProbeFailed}, {ProbeUnchanged, kNew}}, ok, kStored, two},
        {"change checking off", false, {{ProbeChanged, kNew}}, ok, kNew, one},
    };
    MakeChecker();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal.Clear();
        while (list.CountRows() > 0) list.DeleteRow(0);
        settings.Update([&](AppSettings& s) { s.CheckForChanges = c.checkForChanges; });
        const int row = AddRow(kPage, "", kStored);
        net.Probe(kPage, c.answers);

        checker->RunPass();

        EXPECT_EQ(Status(row), c.after == ok ? FormatOkStatus(clock.Now()) : c.after);
        EXPECT_EQ(Words(row), c.words);
        std::vector<std::string> fetches;
        for (const std::string& entry : journal.Entries()) {
            if (entry.rfind("probe", 0) == 0 || entry.rfind("sleep", 0) == 0)
                fetches.push_back(entry);
        }
        EXPECT_EQ(fetches, c.fetches);
    }
}

TEST_F(PassFixture, AnAddressWithoutAHostGoesDownWithoutEnteringTheMailList) {
    settings.Update([](AppSettings& s) {
        s.SendEmail = 1;
        s.SmtpServer = "mail.test";
        s.EmailAddress = "me@mail.test";
        s.SenderEmail = "monitor@mail.test";
    });
    const int row = AddRow("no url");
    list.InsertRow(-1, "http://no-record.test/");  // a row without a record is skipped
    net.Probe("no url", {{ProbeFailed}});
    net.Reach("ref-one.test", {true});
    net.Reach("ref-two.test", {true});
    MakeChecker().RunPass();

    EXPECT_EQ(Status(row), "SERVER DOWN");
    EXPECT_EQ(journal.With("reach"), (std::vector<std::string>{"reach ", "reach ref-one.test",
                                                               "reach ref-two.test", "reach "}));
    EXPECT_EQ(journal.With("probe"), std::vector<std::string>(2, "probe no url"));
    EXPECT_EQ(downLists.Pending(), "");
}

TEST_F(PassFixture, RowsAreReadAfreshAsTheListChangesDuringThePass) {
    const int first = AddRow("http://a.test/");
    AddRow("http://b.test/");
    net.Probe("http://a.test/", {{ProbeUnchanged, kSame}});
    net.Probe("http://b.test/", {{ProbeUnchanged, kSame}});
    net.Probe("http://c.test/", {{ProbeUnchanged, kSame}});
    CheckerNetwork network = net.Network();
    network.probePage = [&, probe = network.probePage](const std::string& address,
                                                       FingerprintWords& words,
                                                       const ProbeContext& context) {
        if (address == "http://a.test/") {  // the user deletes a row and adds one meanwhile
            list.DeleteRow(first);
            AddRow("http://c.test/");
        }
        return probe(address, words, context);
    };
    MakeChecker(network).RunPass();

    EXPECT_EQ(journal.With("probe"),
              (std::vector<std::string>{"probe http://a.test/", "probe http://c.test/"}));
    EXPECT_TRUE(IsOkStatus(Status(1)));
}

// The user edits a row's address while the checker fetches the old one: the edit empties the
// record so the new address starts a fingerprint of its own, and no verdict on the old page may
// put the old page's words back into it.
TEST_F(PassFixture, AnAddressEditDuringTheCheckKeepsItsEmptiedRecord) {
    settings.Update([](AppSettings& s) { s.CheckForChanges = 1; });
    for (const Answer& answer :
         {Answer{ProbeUnchanged, kSame}, Answer{ProbeChanged, kNew}, Answer{ProbeFailed}}) {
        SCOPED_TRACE(answer.result);
        const int row = AddRow(kPage);
        Script(Network::HostAnswers);
        net.Probe(kPage, {answer});
        CheckerNetwork network = net.Network();
        network.probePage = [&, probe = network.probePage, edited = false](
                                const std::string& address, FingerprintWords& words,
                                const ProbeContext& context) mutable {
            if (!edited) {  // what the window does when the user changes the address
                edited = true;
                list.SetRowText(row, kColumnAddress, "http://www.site.test/other");
                list.SetRowText(row, kColumnStatus, "");
                list.GetFingerprint(row)->Write(FingerprintWords{});
            }
            return probe(address, words, context);
        };
        MakeChecker(network).RunPass();
        EXPECT_EQ(Words(row), FingerprintWords{});
        list.DeleteRow(row);
    }
}

// The transition table once more, every case on its own host in one list, checked in turn and
// then side by side: each row must end with the same status, words and alerts either way.
TEST_F(PassFixture, RowsCheckedSideBySideEndAsRowsCheckedInTurn) {
    const Answer unchanged{ProbeUnchanged, kSame}, changed{ProbeChanged, kNew}, failed{ProbeFailed};
    const std::vector<Answer> flaky{changed, failed};
    struct Case {
        std::string before;
        std::vector<Answer> answers;
        std::vector<bool> hostAnswers;
    };
    std::vector<Case> cases;
    for (const char* before : {"", "OK 09:00:00", "Page Not Found", "No Connection", "SERVER DOWN",
                               "WAS DOWN", "CHANGED"}) {
        for (const std::vector<Answer>& answers :
             {std::vector<Answer>{unchanged}, {changed}, {failed}, flaky}) {
            for (const std::vector<bool>& host :
                 {std::vector<bool>{true}, {false, false}, {false, true}}) {
                cases.push_back({before, answers, host});
            }
        }
    }
    settings.Update([](AppSettings& s) { s.CheckForChanges = 1; });

    struct Outcome {
        std::vector<std::string> statuses;
        std::vector<FingerprintWords> words;
        std::vector<std::string> alerts;
        std::size_t fetches = 0;
    };
    auto run = [&](int atOnce, bool referencesAnswer) {
        journal.Clear();
        net.Reset();
        while (list.CountRows() > 0) list.DeleteRow(0);
        net.Reach("ref-one.test", {referencesAnswer});
        net.Reach("ref-two.test", {true});
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const std::string host = "h" + std::to_string(i) + ".test";
            AddRow("http://" + host + "/page", cases[i].before, kStored);
            net.Probe("http://" + host + "/page", cases[i].answers);
            net.Reach(host, cases[i].hostAnswers);
        }
        fetchesAtOnce = atOnce;
        MakeChecker().RunPass();
        Outcome outcome;
        for (int row = 0; row < list.CountRows(); ++row) {
            const std::string status = Status(row);
            outcome.statuses.push_back(IsOkStatus(status) ? "OK" : status);  // times differ
            outcome.words.push_back(Words(row));
        }
        outcome.alerts = Alerts();
        std::sort(outcome.alerts.begin(), outcome.alerts.end());
        outcome.fetches = journal.With("probe").size();
        return outcome;
    };
    for (bool referencesAnswer : {true, false}) {
        SCOPED_TRACE(referencesAnswer ? "reference sites answer" : "reference sites silent");
        const Outcome inTurn = run(1, referencesAnswer);
        const Outcome sideBySide = run(8, referencesAnswer);
        EXPECT_EQ(sideBySide.statuses, inTurn.statuses);
        EXPECT_EQ(sideBySide.words, inTurn.words);
        EXPECT_EQ(sideBySide.alerts, inTurn.alerts);
        EXPECT_EQ(sideBySide.fetches, inTurn.fetches);
    }
}

// The user deletes one row and edits another while eight checks are under way. The deleted
// row's check ends harmlessly, the edited row keeps its emptied record and status, and the pass
// goes on with whatever row then has the next index, as a pass in turn does.
TEST_F(PassFixture, ADeleteAndAnAddressEditDuringAPassSideBySide) {
    std::vector<std::string> pages;
    for (int i = 0; i < 12; ++i) {
        pages.push_back("http://p" + std::to_string(i) + ".test/");
        AddRow(pages.back(), "", kStored);
        net.Probe(pages.back(), {{ProbeUnchanged, kNew}});
    }
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    bool released = false;
    CheckerNetwork network = net.Network();
    network.probePage = [&, probe = network.probePage](const std::string& address,
                                                       FingerprintWords& words,
                                                       const ProbeContext& context) {
        std::unique_lock lock(mutex);
        ++started;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        lock.unlock();
        return probe(address, words, context);
    };
    fetchesAtOnce = 8;
    MakeChecker(network);
    std::thread pass([&] { checker->RunPass(); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return started == 8; }));
        // What the window does for a delete and for an address edit.
        list.DeleteRow(3);
        list.SetRowText(4, kColumnAddress, "http://edited.test/");  // was p5
        list.SetRowText(4, kColumnStatus, "");
        list.GetFingerprint(4)->Write(FingerprintWords{});
        released = true;
    }
    changed.notify_all();
    pass.join();

    ASSERT_EQ(list.CountRows(), 11);
    for (int row = 0; row < 11; ++row) {
        const std::string address = list.GetRowText(row, kColumnAddress);
        SCOPED_TRACE(address);
        if (address == "http://edited.test/") {
            EXPECT_EQ(Status(row), "");
            EXPECT_EQ(Words(row), FingerprintWords{});
        } else if (address == "http://p8.test/") {  // moved to an index the pass had passed
            EXPECT_EQ(Status(row), "");
            EXPECT_EQ(Words(row), kStored);
        } else {
            EXPECT_TRUE(IsOkStatus(Status(row)));
            EXPECT_EQ(Words(row), kNew);
        }
    }
    EXPECT_EQ(journal.With("probe").size(), 11u) << "p0 to p7, then p9 to p11";
}

// Passes of the checker with the real probe against local HTTP servers. Each pretend host is its
// own loopback address on port 80, since the root-page and reference-site checks go to port 80 of
// a bare host name; a host without a server there refuses connections, as a dead server does.
constexpr const char* kSiteHost = "127.0.4.2";
constexpr const char* kSilentHost = "127.0.4.9";  // nothing listens here
constexpr const char* kOldBody = "<html>old content</html>";

FingerprintWords FingerprintOf(const std::string& content) {
    FingerprintWords words{};
    UpdateFingerprint(content, words);
    return words;
}

struct ServerPassFixture : CheckerFixture {
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
        {"page missing, root answers",
         "OK 09:00:00",
         {HttpResponse::Status(404, "")},
         true,
         "Page Not Found",
         old,
         2,
         Alert::None},
        {"404 title, root answers",
         "",
         {HttpResponse::Ok("<TITLE>404 Not Found</TITLE>")},
         true,
         "Page Not Found",
         old,
         2,
         Alert::None},
        {"change confirmed",
         "",
         {HttpResponse::Ok("new content")},
         true,
         "CHANGED",
         changed,
         2,
         Alert::Changed},
        {"change not confirmed",
         "",
         {HttpResponse::Ok("new content"), HttpResponse::Ok("newer content")},
         true,
         ok,
         old,
         2,
         Alert::None},
        {"change checking off",
         "",
         {HttpResponse::Ok("new content")},
         false,
         ok,
         changed,
         1,
         Alert::None},
        {"CHANGED left alone",
         "CHANGED",
         {HttpResponse::Ok("new content")},
         true,
         "CHANGED",
         old,
         1,
         Alert::None},
        {"WAS DOWN failing again",
         "WAS DOWN",
         {HttpResponse::Status(404, "")},
         true,
         "SERVER DOWN",
         old,
         2,
         Alert::DownAgain},
        {"SERVER DOWN page fine again",
         "SERVER DOWN",
         {HttpResponse::Ok(kOldBody)},
         true,
         "WAS DOWN",
         old,
         1,
         Alert::None},
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

// Waits until `done` holds; false if that took implausibly long.
template <typename Done>
bool WaitUntil(Done done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST_F(ServerPassFixture, AStopEndsEightFetchesInFlightAtOnce) {
    std::vector<std::unique_ptr<HttpTestServer>> silent;
    HttpResponse never;
    never.neverAnswer = true;
    for (int i = 0; i < 8; ++i) {
        silent.push_back(std::make_unique<HttpTestServer>("127.0.5." + std::to_string(i + 1)));
        silent.back()->Serve("/page", never);
        AddRow(silent.back()->Url("/page"), "OK 09:00:00");
    }
    fetchesAtOnce = 8;
    MakeChecker(ProbeNetwork());
    ASSERT_TRUE(checker->StartChecker());
    ASSERT_TRUE(WaitUntil([&] {
        return std::all_of(silent.begin(), silent.end(),
                           [](const auto& server) { return server->RequestCount("/page") > 0; });
    }));

    const auto asked = std::chrono::steady_clock::now();
    checker->RequestStop();
    checker->Join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500));
    for (int row = 0; row < 8; ++row) EXPECT_EQ(Status(row), "OK 09:00:00");
    EXPECT_TRUE(Alerts().empty());
}

// Six pages on one host among pages on other hosts: the host never sees more than two requests
// at a time, while the pass as a whole still checks several pages at once.
TEST_F(ServerPassFixture, NoHostAnswersMoreThanTwoFetchesAtOnce) {
    HttpTestServer busy("127.0.6.1");
    std::vector<std::unique_ptr<HttpTestServer>> others;
    HttpResponse slow = HttpResponse::Ok(kOldBody);
    slow.delay = std::chrono::milliseconds(40);
    for (int i = 0; i < 6; ++i) {
        const std::string path = "/page" + std::to_string(i);
        busy.Serve(path, slow);
        AddRow(busy.Url(path), "", FingerprintOf(kOldBody));
        others.push_back(std::make_unique<HttpTestServer>("127.0.6." + std::to_string(i + 2)));
        others.back()->Serve("/page", slow);
        AddRow(others.back()->Url("/page"), "", FingerprintOf(kOldBody));
    }
    fetchesAtOnce = 8;
    const auto started = std::chrono::steady_clock::now();
    Pass();
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(busy.MostAtOnce(), 2);
    for (int row = 0; row < list.CountRows(); ++row) EXPECT_TRUE(IsOkStatus(Status(row)));
    EXPECT_LT(took, std::chrono::milliseconds(12 * 40)) << "pages were checked side by side";
}

}  // namespace
}  // namespace orvalis
