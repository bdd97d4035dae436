#include "engine/memory_site_list.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvalis {
namespace {

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
