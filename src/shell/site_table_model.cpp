#include "shell/site_table_model.h"

#include <QThread>
#include <algorithm>

namespace orvalis {

namespace {

const char* const kColumnTitles[] = {"Web Address", "#", "Status"};
constexpr int kColumnCount = 3;

}  // namespace

SiteTableModel::SiteTableModel(QObject* parent) : QAbstractTableModel(parent) {}

bool SiteTableModel::OnOwnThread() const { return QThread::currentThread() == thread(); }

int SiteTableModel::CountRows() const { return rows_.CountRows(); }

int SiteTableModel::InsertRow(int position, const std::string& address) {
    if (!OnOwnThread()) {
        position = rows_.InsertRow(position, address);
        NoteReshaped();
        return position;
    }
    const int count = CountRows();
    if (position < 0 || position > count) position = count;
    beginInsertRows({}, position, position);
    rows_.InsertRow(position, address);
    endInsertRows();
    return position;
}

void SiteTableModel::DeleteRow(int row) {
    if (row < 0 || row >= CountRows()) return;
    if (!OnOwnThread()) {
        rows_.DeleteRow(row);
        NoteReshaped();
        return;
    }
    beginRemoveRows({}, row, row);
    rows_.DeleteRow(row);
    endRemoveRows();
}

std::string SiteTableModel::GetRowText(int row, int column) const {
    return rows_.GetRowText(row, column);
}

void SiteTableModel::SetRowText(int row, int column, const std::string& text) {
    if (rows_.GetRowText(row, column) == text) return;
    rows_.SetRowText(row, column, text);
    NoteChanged(row, row);
}

std::shared_ptr<PageFingerprint> SiteTableModel::GetFingerprint(int row) const {
    return rows_.GetFingerprint(row);
}

void SiteTableModel::SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) {
    rows_.SetFingerprint(row, std::move(record));
}

void SiteTableModel::UpdateRows(const std::function<bool(SiteEntry&)>& visit) {
    int row = 0;
    int first = INT_MAX;
    int last = -1;
    rows_.UpdateRows([&](SiteEntry& entry) {
        const bool changed = visit(entry);
        if (changed) {
            first = std::min(first, row);
            last = row;
        }
        ++row;
        return changed;
    });
    if (first <= last) NoteChanged(first, last);
}

void SiteTableModel::UpdateRowsWithAddress(const std::string& address,
                                           const std::function<bool(int, SiteEntry&)>& visit) {
    int first = INT_MAX;
    int last = -1;
    rows_.UpdateRowsWithAddress(address, [&](int row, SiteEntry& entry) {
        const bool changed = visit(row, entry);
        if (changed) {
            first = std::min(first, row);
            last = std::max(last, row);
        }
        return changed;
    });
    if (first <= last) NoteChanged(first, last);
}

void SiteTableModel::NoteChanged(int first, int last) {
    std::lock_guard lock(noteMutex_);
    changedFirst_ = std::min(changedFirst_, first);
    changedLast_ = std::max(changedLast_, last);
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &SiteTableModel::FlushChanges, Qt::QueuedConnection);
}

void SiteTableModel::NoteReshaped() {
    {
        std::lock_guard lock(noteMutex_);
        reshaped_ = true;
    }
    NoteChanged(0, 0);
}

void SiteTableModel::FlushChanges() {
    int first = 0;
    int last = -1;
    bool reshaped = false;
    {
        std::lock_guard lock(noteMutex_);
        if (!flushQueued_) return;
        first = changedFirst_;
        last = std::min(changedLast_, CountRows() - 1);
        reshaped = reshaped_;
        changedFirst_ = INT_MAX;
        changedLast_ = -1;
        reshaped_ = false;
        flushQueued_ = false;
    }
    if (reshaped) {
        // Rows came or went behind the view's back; it has to read them all again.
        beginResetModel();
        endResetModel();
    } else if (first <= last) {
        emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
    }
}

int SiteTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CountRows();
}

int SiteTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant SiteTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole) return {};
    return QString::fromStdString(GetRowText(index.row(), index.column()));
}

QVariant SiteTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= kColumnCount) return {};
    return QString::fromLatin1(kColumnTitles[section]);
}

Qt::ItemFlags SiteTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kColumnAddress) flags |= Qt::ItemIsEditable;
    return flags;
}

}  // namespace orvalis
