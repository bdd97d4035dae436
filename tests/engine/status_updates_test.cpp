#include "engine/status_updates.h"

#include <gtest/gtest.h>

#include "engine/memory_site_list.h"
#include "engine/site_status.h"
#include "support/engine_fakes.h"

namespace orvalis {
namespace {

using test::FakeClock;
using test::FakeWindow;
using test::Journal;
using test::RecordingAlertTray;

// Knows whether a caller is inside one of its row walks.
class WatchedSiteList : public MemorySiteList {
   public:
    void UpdateRows(const std::function<bool(SiteEntry&)>& visit) override {
        inside = true;
        MemorySiteList::UpdateRows(visit);
        inside = false;
    }
    void UpdateRowsWithAddress(const std::string& address,
                               const std::function<bool(int, SiteEntry&)>& visit) override {
        inside = true;
        MemorySiteList::UpdateRowsWithAddress(address, visit);
        inside = false;
    }
    bool inside = false;
};

struct UpdatesFixture : testing::Test {
    Journal journal;
    WatchedSiteList list;
    RecordingAlertTray tray{journal};
    FakeWindow window{journal};
    SharedSettings settings;
    DownLists downLists;
    FakeClock clock;
    StatusUpdates updates{list, tray, window, settings, downLists, clock};

    void SetUp() override {
        tray.onCall = [this] { EXPECT_FALSE(list.inside) << "tray called inside a list walk"; };
        settings.Update([](AppSettings& s) {
            s.SendEmail = 1;
            s.SmtpServer = "mail.test";
            s.EmailAddress = "me@mail.test";
            s.SenderEmail = "monitor@mail.test";
        });
    }

    void Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
        for (auto [address, status] : rows) {
            list.SetRowText(list.InsertRow(-1, address), kColumnStatus, status);
        }
    }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> statuses;
        for (int row = 0; row < list.CountRows(); ++row) {
            statuses.push_back(list.GetRowText(row, kColumnStatus));
        }
        return statuses;
    }
};

constexpr const char* kPage = "http://www.site.test/a";

TEST_F(UpdatesFixture, EveryRowWithTheExactAddressRaisesItsOwnAlert) {
    Rows({{kPage, ""},
          {"HTTP://WWW.SITE.TEST/A", ""},
          {kPage, "OK 09:00:00"},
          {kPage, "No Connection"}});
    updates.MarkChanged(kPage);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"CHANGED", "", "CHANGED", "No Connection"}));
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{
                                     "popup Web page was changed:|http://www.site.test/a|30|error",
                                     "event ChangedFlash",
                                     "popup Web page was changed:|http://www.site.test/a|30|error",
                                     "event ChangedFlash",
                                 }));
}

TEST_F(UpdatesFixture, OkTakesTheClockTimeAndTurnsServerDownIntoWasDown) {
    Rows({{kPage, ""}, {kPage, "SERVER DOWN"}, {kPage, "CHANGED"}, {kPage, "Page Not Found"}});
    updates.MarkOk(kPage);
    const std::string ok = FormatOkStatus(clock.Now());
    EXPECT_EQ(Statuses(), (std::vector<std::string>{ok, "WAS DOWN", "CHANGED", ok}));
    updates.MarkOk(kPage);
    EXPECT_EQ(list.GetRowText(1, kColumnStatus), "WAS DOWN");
    EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(UpdatesFixture, DownAgainOverridesEveryStatusWithAPopupOnly) {
    Rows({{kPage, "WAS DOWN"}, {kPage, "CHANGED"}, {"http://other.test/", "WAS DOWN"}});
    updates.MarkDownAgain(kPage);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"SERVER DOWN", "SERVER DOWN", "WAS DOWN"}));
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{
                                     "popup Server is down:|http://www.site.test/a|30|error",
                                     "popup Server is down:|http://www.site.test/a|30|error",
                                 }));
    EXPECT_EQ(downLists.Pending(), "");
}

TEST_F(UpdatesFixture, ServerDownAlertsOnlyWhileTheWindowIsHidden) {
    Rows({{kPage, "Page Not Found"}, {"http://b.test/", ""}});
    window.visible = true;
    updates.MarkServerDown(kPage, "www.site.test");
    EXPECT_EQ(list.GetRowText(0, kColumnStatus), "SERVER DOWN");
    EXPECT_TRUE(journal.Entries().empty());
    EXPECT_EQ(downLists.Pending(), "www.site.test");

    window.visible = false;
    updates.MarkServerDown("http://b.test/", "b.test");
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"popup Server is down:|b.test|30|error",
                                                           "event DownFlash"}));
    EXPECT_EQ(downLists.Pending(), "www.site.test\n\nb.test");

    journal.Clear();
    updates.MarkServerDown(kPage, "www.site.test");  // already down: nothing at all
    EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(UpdatesFixture, DownHostsAreListedOnlyWithCompleteMailSettings) {
    const std::function<void(AppSettings&)> gaps[] = {
        [](AppSettings& s) { s.SendEmail = 0; },
        [](AppSettings& s) { s.SmtpServer.clear(); },
        [](AppSettings& s) { s.EmailAddress.clear(); },
        [](AppSettings& s) { s.SenderEmail.clear(); },
    };
    for (const auto& gap : gaps) {
        SharedSettings incomplete;
        incomplete.Update([&](AppSettings& s) {
            s = settings.Get();
            gap(s);
        });
        DownLists lists;
        StatusUpdates withGap{list, tray, window, incomplete, lists, clock};
        list.InsertRow(-1, kPage);
        withGap.MarkServerDown(kPage, "www.site.test");
        EXPECT_EQ(lists.Pending(), "");
        list.DeleteRow(0);
    }
}

TEST_F(UpdatesFixture, ClassifyFailureWritesOnlyOverOpenStatuses) {
    Rows({{kPage, ""},
          {kPage, "OK 09:00:00"},
          {kPage, "Page Not Found"},
          {kPage, "SERVER DOWN"},
          {kPage, "ok 09:00:00"}});
    updates.ClassifyFailure(kPage, false);
    EXPECT_EQ(Statuses(),
              (std::vector<std::string>{"No Connection", "No Connection", "Page Not Found",
                                        "SERVER DOWN", "ok 09:00:00"}));
    updates.ClassifyFailure(kPage, true);
    EXPECT_EQ(list.GetRowText(0, kColumnStatus), "No Connection");
}

}  // namespace
}  // namespace orvalis
