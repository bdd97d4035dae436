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

int SiteTableModel::CountRows() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

int SiteTableModel::InsertRow(int position, const std::string& address) {
    SiteEntry entry;
    entry.address = address;
    if (!OnOwnThread()) {
        std::lock_guard lock(mutex_);
        if (position < 0 || position > static_cast<int>(rows_.size())) {
            position = static_cast<int>(rows_.size());
        }
        rows_.insert(rows_.begin() + position, std::move(entry));
        NoteReshapedLocked();
        return position;
    }
    const int count = CountRows();
    if (position < 0 || position > count) position = count;
    beginInsertRows({}, position, position);
    {
        std::lock_guard lock(mutex_);
        rows_.insert(rows_.begin() + position, std::move(entry));
    }
    endInsertRows();
    return position;
}

void SiteTableModel::DeleteRow(int row) {
    if (!OnOwnThread()) {
        std::lock_guard lock(mutex_);
        if (!Has(row)) return;
        rows_.erase(rows_.begin() + row);
        NoteReshapedLocked();
        return;
    }
    if (row < 0 || row >= CountRows()) return;
    beginRemoveRows({}, row, row);
    {
        std::lock_guard lock(mutex_);
        rows_.erase(rows_.begin() + row);
    }
    endRemoveRows();
}

std::string SiteTableModel::GetRowText(int row, int column) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row].Text(column) : std::string();
}

void SiteTableModel::SetRowText(int row, int column, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!Has(row) || rows_[row].Text(column) == text) return;
    rows_[row].SetText(column, text);
    NoteChangedLocked(row, row);
}

std::shared_ptr<PageFingerprint> SiteTableModel::GetFingerprint(int row) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row].fingerprint : nullptr;
}

void SiteTableModel::SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) {
    std::lock_guard lock(mutex_);
    if (Has(row)) rows_[row].fingerprint = std::move(record);
}

void SiteTableModel::UpdateRows(const std::function<bool(SiteEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
        if (visit(rows_[row])) NoteChangedLocked(row, row);
    }
}

void SiteTableModel::NoteChangedLocked(int first, int last) {
    changedFirst_ = std::min(changedFirst_, first);
    changedLast_ = std::max(changedLast_, last);
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &SiteTableModel::FlushChanges, Qt::QueuedConnection);
}

void SiteTableModel::NoteReshapedLocked() {
    reshaped_ = true;
    NoteChangedLocked(0, 0);
}

void SiteTableModel::FlushChanges() {
    int first = 0;
    int last = -1;
    bool reshaped = false;
    {
        std::lock_guard lock(mutex_);
        if (!flushQueued_) return;
        first = changedFirst_;
        last = std::min(changedLast_, static_cast<int>(rows_.size()) - 1);
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
