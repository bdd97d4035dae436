#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/memory_site_list.h"
#include "engine/site_checker.h"
#include "engine/status_updates.h"
#include "support/engine_fakes.h"

namespace orvalis::test {

/// A checker wired to fakes: recorded tray and window, a fake clock, and a network that is
/// scripted by default.
struct CheckerFixture : testing::Test {
    Journal journal;
    MemorySiteList list;
    RecordingAlertTray tray{journal};
    FakeWindow window{journal};
    SharedSettings settings;
    DownLists downLists;
    FakeClock clock{&journal};
    StatusUpdates updates{list, tray, window, settings, downLists, clock};
    ScriptedNetwork net{&journal};
    std::atomic<bool> savingSites{false};
    std::function<void()> saveSites;
    ReferenceSites referenceSites{"ref-one.test", "ref-two.test"};
    int fetchesAtOnce = 1;  ///< rows the checker made next checks side by side
    std::unique_ptr<SiteChecker> checker;

    /// Makes the checker on `network` (the scripted one when none is given).
    SiteChecker& MakeChecker(std::optional<CheckerNetwork> network = std::nullopt) {
        checker = std::make_unique<SiteChecker>(CheckerPorts{
            .list = list,
            .settings = settings,
            .updates = updates,
            .downLists = downLists,
            .window = window,
            .clock = clock,
            .saveSites = saveSites,
            .savingSites = savingSites,
            .network = network ? *network : net.Network(),
            .referenceSites = referenceSites,
            .fetchesAtOnce = fetchesAtOnce,
        });
        return *checker;
    }

    /// Runs the checking thread for `cycles` whole cycles: the stop request comes as the next
    /// cycle asks whether the computer is online.
    void RunCycles(int cycles) {
        CheckerNetwork network = net.Network();
        network.isConnected = [this, cycles, online = network.isConnected, seen = 0]() mutable {
            if (++seen > cycles) checker->RequestStop();
            return online();
        };
        MakeChecker(network);
        ASSERT_TRUE(checker->StartChecker());
        checker->Join();
        EXPECT_TRUE(checker->CheckerFinished());
    }

    /// Adds a row with a fingerprint record; returns its index.
    int AddRow(const std::string& address, const std::string& status = "",
               FingerprintWords words = {7, 7, 7, 7}) {
        const int row = list.InsertRow(-1, address);
        list.SetRowText(row, kColumnStatus, status);
        list.SetFingerprint(row, std::make_shared<PageFingerprint>(words));
        return row;
    }

    std::string Status(int row) const { return list.GetRowText(row, kColumnStatus); }
    FingerprintWords Words(int row) const { return list.GetFingerprint(row)->Read(); }

    /// The popups and events raised so far, in order.
    std::vector<std::string> Alerts() const {
        std::vector<std::string> alerts;
        for (const std::string& entry : journal.Entries()) {
            if (entry.rfind("popup ", 0) == 0 || entry.rfind("event ", 0) == 0) {
                alerts.push_back(entry);
            }
        }
        return alerts;
    }
};

}  // namespace orvalis::test
