#include "engine/tray_icon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "engine/memory_site_list.h"
#include "support/engine_fakes.h"

namespace orvalis {
namespace {

using test::EventName;
using test::FakeClock;
using test::Journal;
using test::RecordingTrayView;

// Long enough for a polling thread to have taken another step; a waiting thread takes none.
constexpr auto kQuietPeriod = std::chrono::milliseconds(100);

bool WaitForEntries(const Journal& journal, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (journal.Entries().size() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

constexpr TrayEvent kAllEvents[] = {TrayEvent::Spare, TrayEvent::DownFlash, TrayEvent::Stop,
                                    TrayEvent::ChangedFlash, TrayEvent::Steady};

struct TrayFixture : testing::Test {
    Journal journal;
    RecordingTrayView view{journal};
    MemorySiteList list;
    FakeClock clock;
    TrayIcon tray{view, list, clock};

    std::vector<TrayEvent> SetEvents() const {
        std::vector<TrayEvent> set;
        for (TrayEvent event : kAllEvents) {
            if (tray.IsEventSet(event)) set.push_back(event);
        }
        return set;
    }
};

TEST_F(TrayFixture, SignalLeavesOnlyItsEventAndRefusesFlashingOutsideTheTray) {
    for (bool inTray : {false, true}) {
        if (inTray) tray.Add();
        for (TrayEvent event : kAllEvents) {
            if (event == TrayEvent::Stop) continue;  // a stop stays in force; see below
            SCOPED_TRACE(EventName(event) + (inTray ? " in tray" : " not in tray"));
            for (TrayEvent other : {TrayEvent::Spare, TrayEvent::DownFlash, TrayEvent::Steady}) {
                tray.SetEvent(other);
            }
            tray.SignalEvent(event);
            const bool refused =
                !inTray && (event == TrayEvent::DownFlash || event == TrayEvent::ChangedFlash);
            EXPECT_EQ(SetEvents(), refused ? std::vector<TrayEvent>{} : std::vector{event});
        }
    }
    tray.Remove();
    tray.SignalEvent(TrayEvent::Stop);
    EXPECT_EQ(SetEvents(), std::vector{TrayEvent::Stop});
}

TEST_F(TrayFixture, PopupNeedsTheIconAndBringsBackTheNormalPicture) {
    EXPECT_FALSE(tray.ShowAlertPopup("Server is down:", "host.test", 30, true));
    EXPECT_TRUE(journal.Entries().empty());

    tray.Add();
    tray.SetImage(kTrayPictureBlank);
    EXPECT_TRUE(tray.ShowAlertPopup("Server is down:", "host.test", 30, true));
    tray.ShowAlertPopup("Web page was changed:", "http://a.test/", 30, false);
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{
                                     "add",
                                     "picture 183",
                                     "picture 157",
                                     "balloon Server is down:|host.test|30|error",
                                     "balloon Web page was changed:|http://a.test/|30|info",
                                 }));
}

TEST_F(TrayFixture, FirstAlarmRowFromTheTopDecidesTheFlashing) {
    struct Case {
        std::vector<std::string> statuses;
        std::vector<TrayEvent> expected;
    };
    const Case cases[] = {
        {{"CHANGED", "SERVER DOWN"}, {TrayEvent::ChangedFlash}},
        {{"SERVER DOWN", "CHANGED"}, {TrayEvent::DownFlash}},
        {{"OK 10:00:00", "WAS DOWN", "CHANGED"}, {TrayEvent::DownFlash}},
        {{"", "No Connection", "Page Not Found", "changed", "OK 10:00:00"}, {}},
        {{}, {}},
    };
    tray.Add();
    for (const Case& c : cases) {
        while (list.CountRows() > 0) list.DeleteRow(0);
        for (const std::string& status : c.statuses) {
            list.SetRowText(list.InsertRow(-1, "http://x.test/"), kColumnStatus, status);
        }
        tray.ResetEvents();
        tray.RefreshAlertState();
        EXPECT_EQ(SetEvents(), c.expected) << testing::PrintToString(c.statuses);
    }
}

TEST_F(TrayFixture, FlashingAlternatesBlankAndNormalWithOneFrameCounter) {
    clock.Gate(500);
    tray.Add();
    ASSERT_TRUE(tray.StartAnimation());
    EXPECT_FALSE(tray.AnimationFinished());

    // Each 500 ms step blocks in the clock until released; events change only while the
    // animation thread is held inside a step, so every frame is determined.
    int steps = 0;
    auto reach = [&] { ASSERT_TRUE(clock.WaitForGatedSleeps(++steps)); };
    tray.SignalEvent(TrayEvent::DownFlash);
    reach();
    clock.Release();
    reach();
    clock.Release();
    reach();
    tray.SignalEvent(TrayEvent::ChangedFlash);  // the counter carries over to the other kind
    clock.Release();
    reach();
    tray.SignalEvent(TrayEvent::Steady);
    clock.Release();
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_EQ(clock.Sleeps().size(), 4u) << "a steady icon needs no timed steps";
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"add", "picture 183", "picture 157",
                                                           "picture 183", "picture 157"}))
        << "steady keeps the normal picture without sending it again";

    tray.SignalEvent(TrayEvent::Stop);  // wakes the thread out of its step at once
    tray.JoinAnimation();
    EXPECT_TRUE(tray.AnimationFinished());
}

// A flash cleared while the blank picture shows must not leave an invisible icon behind, and the
// thread then waits for the next event instead of turning every 500 ms.
TEST_F(TrayFixture, AClearedFlashEndsOnTheNormalPictureAndTheThreadGoesQuiet) {
    clock.Gate(500);
    tray.Add();
    ASSERT_TRUE(tray.StartAnimation());
    tray.SignalEvent(TrayEvent::DownFlash);
    ASSERT_TRUE(clock.WaitForGatedSleeps(1));
    tray.ResetEvents();
    clock.Release();
    ASSERT_TRUE(WaitForEntries(journal, 3));
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_EQ(clock.Sleeps().size(), 1u);

    tray.SignalEvent(TrayEvent::ChangedFlash);  // a sleeping thread still answers at once
    ASSERT_TRUE(clock.WaitForGatedSleeps(2));   // the normal frame: already shown
    clock.Release();
    ASSERT_TRUE(clock.WaitForGatedSleeps(3));
    EXPECT_EQ(journal.Entries(),
              (std::vector<std::string>{"add", "picture 183", "picture 157", "picture 183"}));
    tray.SignalEvent(TrayEvent::Stop);
    tray.JoinAnimation();
}

TEST_F(TrayFixture, AStopEndsAnIdleWaitAtOnce) {
    ASSERT_TRUE(tray.StartAnimation());
    tray.SetEvent(TrayEvent::Steady);
    tray.SignalEvent(TrayEvent::Stop);
    tray.JoinAnimation();
    EXPECT_TRUE(tray.AnimationFinished());
    EXPECT_TRUE(clock.Sleeps().empty());
}

// The close sequence signals Stop; a status update on the checking thread may then clear all
// events (SignalEvent, ResetEvents) before the animation thread has seen it. The stop must hold.
TEST_F(TrayFixture, StopHoldsAgainstALaterSignalOrReset) {
    clock.Gate(500);
    tray.Add();
    ASSERT_TRUE(tray.StartAnimation());
    tray.SignalEvent(TrayEvent::DownFlash);
    ASSERT_TRUE(clock.WaitForGatedSleeps(1));

    tray.SignalEvent(TrayEvent::Stop);
    tray.SignalEvent(TrayEvent::DownFlash);
    tray.ResetEvents();
    EXPECT_TRUE(tray.IsEventSet(TrayEvent::Stop));
    tray.JoinAnimation();
    EXPECT_TRUE(tray.AnimationFinished());
}

TEST_F(TrayFixture, LeavingTheTrayStopsTheFlashingAndEnteringRestartsIt) {
    list.SetRowText(list.InsertRow(-1, "http://x.test/"), kColumnStatus, "SERVER DOWN");
    tray.EnterTray();
    EXPECT_TRUE(tray.InTray());
    EXPECT_EQ(SetEvents(), std::vector{TrayEvent::DownFlash});
    tray.LeaveTray();
    EXPECT_FALSE(tray.InTray());
    EXPECT_EQ(SetEvents(), std::vector{TrayEvent::Steady});
    tray.SetImage(kTrayPictureBlank);  // nothing to show it on
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"add", "remove"}));
}

}  // namespace
}  // namespace orvalis
