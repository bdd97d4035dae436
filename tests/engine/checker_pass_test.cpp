#include <gtest/gtest.h>

#include "checker_fixture.h"
#include "engine/site_status.h"

namespace orvalis {
namespace {

using test::CheckerFixture;
using Answer = test::ScriptedNetwork::Answer;

constexpr const char* kPage = "http://www.site.test/page";
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
            case Network::Irrelevant: break;
            case Network::HostAnswers: net.Reach(kHost, {true}); break;
            case Network::NoConnection: net.Reach("ref-one.test", {false}); break;
            case Network::ServerDown: net.Reach(kHost, {false, false}); break;
            case Network::ServerBack: net.Reach(kHost, {false, true}); break;
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
    const Answer unchanged{ProbeUnchanged, kSame}, changed{ProbeChanged, kNew},
        failed{ProbeFailed};

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
        const bool statusHolds = c.before == "SERVER DOWN" || c.before == "WAS DOWN" ||
                                 c.before == "CHANGED";
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
        {"change confirmed", true, {{ProbeChanged, kNew}, {ProbeChanged, kNew}}, "CHANGED", kNew, two},
        {"content differs every time", true, {{ProbeChanged, kNew}, {ProbeChanged, other}}, ok, kStored, two},
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
            if (entry.rfind("probe", 0) == 0 || entry.rfind("sleep", 0) == 0) fetches.push_back(entry);
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
    EXPECT_EQ(journal.With("reach"),
              (std::vector<std::string>{"reach ", "reach ref-one.test", "reach ref-two.test", "reach "}));
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

}  // namespace
}  // namespace orvalis
