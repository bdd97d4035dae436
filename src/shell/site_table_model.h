#pragma once

#include <QAbstractTableModel>
#include <climits>
#include <mutex>

#include "engine/memory_site_list.h"

namespace orvalis {

/// The monitored pages as the main window's list shows them, and as the engine reads and writes
/// them. The rows live in a thread-safe in-memory store, so the checking thread never waits for the
/// window: it reads rows and rewrites texts from its own thread, and the model tells the view
/// about those changes with one coalesced, queued notification. Rows are inserted and deleted on
/// the window's thread, so the view's row count is always true.
class SiteTableModel : public QAbstractTableModel, public SiteList {
    Q_OBJECT

   public:
    explicit SiteTableModel(QObject* parent = nullptr);

    int CountRows() const override;
    int InsertRow(int position, const std::string& address) override;
    void DeleteRow(int row) override;
    std::string GetRowText(int row, int column) const override;
    void SetRowText(int row, int column, const std::string& text) override;
    std::shared_ptr<PageFingerprint> GetFingerprint(int row) const override;
    void SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) override;
    void UpdateRows(const std::function<bool(SiteEntry&)>& visit) override;
    void UpdateRowsWithAddress(const std::string& address,
                               const std::function<bool(int, SiteEntry&)>& visit) override;

    /// Rows of the view: the store's row count.
    int rowCount(const QModelIndex& parent = {}) const override;
    /// Columns in data order: address, number, status.
    int columnCount(const QModelIndex& parent = {}) const override;
    /// A cell's text (display, edit and tool tip roles).
    QVariant data(const QModelIndex& index, int role) const override;
    /// The column titles "Web Address", "#" and "Status".
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    /// Every cell is selectable; only the address can be edited in place.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Tells the view about every change noted so far; runs on the window's thread.
    void FlushChanges();

   private:
    bool OnOwnThread() const;
    void NoteChanged(int first, int last);
    void NoteReshaped();

    MemorySiteList rows_;
    std::mutex noteMutex_;        // guards what the next flush tells the view
    int changedFirst_ = INT_MAX;  // rows changed since the last flush, as one range
    int changedLast_ = -1;
    bool reshaped_ = false;  // rows were inserted or deleted off the window's thread
    bool flushQueued_ = false;
};

}  // namespace orvalis
