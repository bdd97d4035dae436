#include <gtest/gtest.h>

#include <thread>

#include "engine/memory_site_list.h"
#include "engine/site_status.h"

namespace orvalis {
namespace {

TEST(SiteStatus, ClassesFollowTheExactTexts) {
    struct Case {
        std::string status;
        bool ok, open, alarm;
    };
    const Case cases[] = {
        {"", false, true, false},
        {"OK 14:03:59", true, true, false},
        {"OK", true, true, false},
        {"Ok 14:03:59", false, false, false},
        {"ok", false, false, false},
        {"O", false, false, false},
        {"Page Not Found", false, false, false},
        {"No Connection", false, false, false},
        {"SERVER DOWN", false, false, true},
        {"WAS DOWN", false, false, true},
        {"CHANGED", false, false, true},
        {"changed", false, false, false},
        {"CHANGED ", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("status \"" + c.status + "\"");
        EXPECT_EQ(IsOkStatus(c.status), c.ok);
        EXPECT_EQ(IsOpenStatus(c.status), c.open);
        EXPECT_EQ(IsAlarmStatus(c.status), c.alarm);
    }
}

TEST(SiteStatus, OkStatusShowsTheLocalTimeWithTwoDigitFields) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 11;
    local.tm_hour = 4;
    local.tm_min = 3;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    EXPECT_EQ(FormatOkStatus(std::mktime(&local)), "OK 04:03:09");
    EXPECT_TRUE(IsOkStatus(OkStatusNow()));
}

TEST(SiteStatus, OnlyChangedSurvivesARestart) {
    EXPECT_EQ(StatusAfterRestart("CHANGED"), "CHANGED");
    for (const char* other : {"", "OK 10:00:00", "SERVER DOWN", "WAS DOWN", "Page Not Found", "changed"}) {
        EXPECT_EQ(StatusAfterRestart(other), "") << other;
    }
}

TEST(MemorySiteList, RowsKeepOrderAndColumnsStaySeparate) {
    MemorySiteList list;
    EXPECT_EQ(list.InsertRow(0, "http://b/"), 0);
    EXPECT_EQ(list.InsertRow(0, "http://a/"), 0);
    EXPECT_EQ(list.InsertRow(99, "http://c/"), 2);
    EXPECT_EQ(list.InsertRow(-1, "http://d/"), 3);
    ASSERT_EQ(list.CountRows(), 4);
    EXPECT_EQ(list.GetRowText(0, kColumnAddress), "http://a/");
    EXPECT_EQ(list.GetRowText(1, kColumnAddress), "http://b/");
    EXPECT_EQ(list.GetRowText(0, kColumnNumber), "");
    EXPECT_EQ(list.GetRowText(0, kColumnStatus), "");
    EXPECT_EQ(list.GetFingerprint(0), nullptr);

    list.SetRowText(1, kColumnStatus, "CHANGED");
    list.SetRowText(1, kColumnNumber, "2");
    EXPECT_EQ(list.GetRowText(1, kColumnStatus), "CHANGED");
    EXPECT_EQ(list.GetRowText(1, kColumnNumber), "2");
    EXPECT_EQ(list.GetRowText(1, kColumnAddress), "http://b/");

    list.DeleteRow(0);
    EXPECT_EQ(list.CountRows(), 3);
    EXPECT_EQ(list.GetRowText(0, kColumnAddress), "http://b/");
}

TEST(MemorySiteList, OutOfRangeRowsReadEmptyAndIgnoreWrites) {
    MemorySiteList list;
    for (int i = 0; i < 5; ++i) list.InsertRow(i, "http://x/");
    for (int row : {5, 6, -1}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(list.GetRowText(row, kColumnAddress), "");
        EXPECT_EQ(list.GetRowText(row, kColumnStatus), "");
        EXPECT_EQ(list.GetFingerprint(row), nullptr);
        list.SetRowText(row, kColumnStatus, "CHANGED");
        list.SetFingerprint(row, std::make_shared<PageFingerprint>());
        list.DeleteRow(row);
    }
    EXPECT_EQ(list.GetRowText(0, 3), "");
    EXPECT_EQ(list.CountRows(), 5);
    list.UpdateRows([](SiteEntry& e) { return !e.status.empty(); });
}

TEST(MemorySiteList, RecordOutlivesItsDeletedRow) {
    MemorySiteList list;
    list.InsertRow(0, "http://a/");
    list.SetFingerprint(0, std::make_shared<PageFingerprint>());
    std::shared_ptr<PageFingerprint> held = list.GetFingerprint(0);
    list.DeleteRow(0);
    held->Write({1, 2, 3, 4});
    EXPECT_EQ(held->Read(), (FingerprintWords{1, 2, 3, 4}));
    EXPECT_EQ(list.GetFingerprint(0), nullptr);
}

TEST(PageFingerprint, WordsAreNeverSeenTorn) {
    PageFingerprint record;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (std::uint32_t i = 1; i <= 200000; ++i) record.Write({i, i, i, i});
        done = true;
    });
    int torn = 0;
    while (!done) {
        FingerprintWords w = record.Read();
        if (w[0] != w[1] || w[1] != w[2] || w[2] != w[3]) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(record.IsEmpty());
    EXPECT_TRUE(PageFingerprint().IsEmpty());
}

TEST(MemorySiteList, UpdateRowsVisitsEveryRowAtomically) {
    MemorySiteList list;
    for (const char* a : {"http://a/", "http://A/", "http://a/"}) list.InsertRow(-1, a);
    list.UpdateRows([](SiteEntry& e) {
        if (e.address != "http://a/") return false;
        e.status = "CHANGED";
        return true;
    });
    EXPECT_EQ(list.GetRowText(0, kColumnStatus), "CHANGED");
    EXPECT_EQ(list.GetRowText(1, kColumnStatus), "");
    EXPECT_EQ(list.GetRowText(2, kColumnStatus), "CHANGED");
}

}  // namespace
}  // namespace orvalis
