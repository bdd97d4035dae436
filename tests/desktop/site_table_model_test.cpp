#include "shell/site_table_model.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTreeView>
#include <thread>
#include <vector>

namespace orvalis {
namespace {

class SiteTableModelTest : public testing::Test {
   protected:
    void AddRows(std::initializer_list<const char*> addresses) {
        for (const char* address : addresses) {
            const int row = model.InsertRow(model.CountRows(), address);
            model.SetRowText(row, kColumnNumber, std::to_string(row + 1));
        }
        QCoreApplication::processEvents();
    }

    SiteTableModel model;
};

TEST_F(SiteTableModelTest, CellsHeadersAndFlags) {
    AddRows({"http://a.test/", "http://b.test/"});
    model.SetRowText(1, kColumnStatus, "SERVER DOWN");
    struct Case {
        int row, column, role;
        QVariant expected;
    };
    const Case cases[] = {
        {0, kColumnAddress, Qt::DisplayRole, "http://a.test/"},
        {0, kColumnAddress, Qt::EditRole, "http://a.test/"},
        {1, kColumnNumber, Qt::DisplayRole, "2"},
        {1, kColumnStatus, Qt::DisplayRole, "SERVER DOWN"},
        {1, kColumnStatus, Qt::ToolTipRole, "SERVER DOWN"},
        {0, kColumnStatus, Qt::DisplayRole, ""},
        {0, kColumnAddress, Qt::DecorationRole, QVariant()},
        {2, kColumnAddress, Qt::DisplayRole, QVariant()},  // no such row
        {0, 3, Qt::DisplayRole, QVariant()},               // no such column
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " column " << c.column);
        EXPECT_EQ(model.index(c.row, c.column).data(c.role), c.expected);
    }
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole), "Web Address");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole), "#");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole), "Status");
    EXPECT_TRUE(model.flags(model.index(0, kColumnAddress)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, kColumnNumber)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, kColumnStatus)) & Qt::ItemIsEditable);
}

TEST_F(SiteTableModelTest, InsertAndDeleteKeepTheViewsRowCountTrue) {
    QTreeView view;
    view.setModel(&model);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    AddRows({"http://a.test/", "http://c.test/"});
    EXPECT_EQ(model.InsertRow(1, "http://b.test/"), 1);
    EXPECT_EQ(model.InsertRow(99, "http://d.test/"), 3);  // outside 0..count appends
    EXPECT_EQ(model.InsertRow(-1, "http://e.test/"), 4);
    EXPECT_EQ(inserted.count(), 5);
    auto record = std::make_shared<PageFingerprint>(FingerprintWords{1, 2, 3, 4});
    model.SetFingerprint(1, record);

    model.DeleteRow(1);
    model.DeleteRow(7);  // no such row: nothing happens
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 4);
    EXPECT_EQ(model.GetRowText(1, kColumnAddress), "http://c.test/");
    EXPECT_EQ(record->Read(), (FingerprintWords{1, 2, 3, 4}));  // a holder keeps the record
    EXPECT_EQ(model.GetFingerprint(1), nullptr);
}

TEST_F(SiteTableModelTest, ChangesFromTheCheckingThreadArriveAsOneNotification) {
    AddRows({"http://0.test/", "http://1.test/", "http://2.test/", "http://3.test/",
             "http://4.test/", "http://5.test/", "http://6.test/"});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    std::thread checker([&] {
        model.UpdateRows([](SiteEntry& row) {
            if (row.address != "http://2.test/" && row.address != "http://4.test/") return false;
            row.status = "SERVER DOWN";
            return true;
        });
        model.SetRowText(5, kColumnStatus, "OK 10:00:00");
        model.SetRowText(5, kColumnStatus, "OK 10:00:01");
        model.UpdateRows([](SiteEntry&) { return false; });
    });
    checker.join();
    EXPECT_EQ(changed.count(), 0);  // nothing reaches the view from the checker's thread

    QCoreApplication::processEvents();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 2);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 5);
    EXPECT_EQ(model.index(4, kColumnStatus).data(), "SERVER DOWN");
    EXPECT_EQ(model.index(5, kColumnStatus).data(), "OK 10:00:01");

    model.SetRowText(5, kColumnStatus, "OK 10:00:01");  // the same text is no change
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SiteTableModelTest, RowsFoundByAddressAreTheRowsTheViewRedraws) {
    AddRows(
        {"http://a.test/", "http://b.test/", "http://a.test/", "http://c.test/", "http://a.test/"});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    std::vector<int> visited;
    std::thread checker([&] {
        model.UpdateRowsWithAddress("http://a.test/", [&](int row, SiteEntry& entry) {
            visited.push_back(row);
            if (row == 0) return false;  // left as it was: nothing to redraw
            entry.status = "CHANGED";
            return true;
        });
    });
    checker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(visited, (std::vector<int>{0, 2, 4}));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 2);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 4);
    EXPECT_EQ(model.index(2, kColumnStatus).data(), "CHANGED");
    EXPECT_EQ(model.index(3, kColumnStatus).data(), "");
}

TEST_F(SiteTableModelTest, RowsAddedOffTheWindowThreadResetTheView) {
    AddRows({"http://a.test/"});
    QTreeView view;
    view.setModel(&model);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    std::thread other([&] {
        model.InsertRow(1, "http://b.test/");
        model.DeleteRow(0);
    });
    other.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 1);
    EXPECT_EQ(model.index(0, kColumnAddress).data(), "http://b.test/");
}

TEST_F(SiteTableModelTest, TheWindowEditsRowsWhileTheCheckerRewritesThem) {
    AddRows({"http://a.test/", "http://b.test/", "http://c.test/"});
    std::atomic<bool> done{false};
    std::thread checker([&] {
        for (int i = 0; !done; ++i) {
            model.UpdateRows([i](SiteEntry& row) {
                row.status = "OK " + std::to_string(i);
                return true;
            });
            for (int row = 0; row < model.CountRows(); ++row) {
                model.GetRowText(row, kColumnAddress);
                model.GetFingerprint(row);
            }
        }
    });
    for (int round = 0; round < 300; ++round) {
        model.InsertRow(round % 4, "http://new.test/");
        QCoreApplication::processEvents();
        model.DeleteRow(round % 3);
        QCoreApplication::processEvents();
    }
    done = true;
    checker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(model.CountRows(), 3);
}

}  // namespace
}  // namespace orvalis
