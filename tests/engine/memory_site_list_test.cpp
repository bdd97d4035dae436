#include "engine/memory_site_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

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

// The rows a scan finds for `address`, as UpdateRowsWithAddress must find them.
std::vector<int> ScanFor(const MemorySiteList& list, const std::string& address) {
    std::vector<int> rows;
    for (int row = 0; row < list.CountRows(); ++row) {
        if (list.GetRowText(row, kColumnAddress) == address) rows.push_back(row);
    }
    return rows;
}

// Inserts, deletes and address edits of every kind, in a long random mix, against a plain scan:
// after each step the address index must find exactly the rows the scan finds, in row order.
TEST(MemorySiteList, TheAddressIndexFollowsEveryInsertDeleteAndEdit) {
    const std::vector<std::string> addresses{"http://a/", "http://A/", "http://b/", "http://c/",
                                             ""};
    MemorySiteList list;
    std::mt19937 random(15);
    auto pick = [&](int count) { return static_cast<int>(random() % count); };
    for (int step = 0; step < 3000; ++step) {
        const std::string& address = addresses[pick(5)];
        const int count = list.CountRows();
        switch (pick(6)) {
            case 0:
            case 1:
                list.InsertRow(pick(count + 2) - 1, address);
                break;
            case 2:
                list.DeleteRow(pick(count + 1));
                break;
            case 3:
                list.SetRowText(pick(count + 1), kColumnAddress, address);
                break;
            case 4:  // a walk over all rows that renames some of them
                list.UpdateRows([&, n = 0](SiteEntry& e) mutable {
                    if (++n % 7 != 0) return false;
                    e.address = address;
                    return true;
                });
                break;
            case 5:  // a walk over one address's rows that renames one of them
                list.UpdateRowsWithAddress(addresses[pick(5)], [&](int, SiteEntry& e) {
                    if (pick(2) == 0) return false;
                    e.address = address;
                    return true;
                });
                break;
        }
        for (const std::string& a : addresses) {
            std::vector<int> found;
            list.UpdateRowsWithAddress(a, [&](int row, SiteEntry& e) {
                EXPECT_EQ(e.address, a);
                found.push_back(row);
                return false;
            });
            ASSERT_EQ(found, ScanFor(list, a)) << "step " << step << ", address \"" << a << "\"";
        }
    }
}

}  // namespace
}  // namespace orvalis
