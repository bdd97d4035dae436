#include "engine/memory_site_list.h"

#include <algorithm>

namespace orvalis {

int MemorySiteList::CountRows() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

int MemorySiteList::InsertRow(int position, const std::string& address) {
    std::lock_guard lock(mutex_);
    if (position < 0 || position > static_cast<int>(rows_.size())) {
        position = static_cast<int>(rows_.size());
    }
    auto row = std::make_unique<Row>();
    row->entry.address = address;
    Row& added = *row;
    rows_.insert(rows_.begin() + position, std::move(row));
    Renumber(position);
    File(added);
    return position;
}

void MemorySiteList::DeleteRow(int row) {
    std::lock_guard lock(mutex_);
    if (!Has(row)) return;
    Unfile(*rows_[row]);
    rows_.erase(rows_.begin() + row);
    Renumber(row);
}

std::string MemorySiteList::GetRowText(int row, int column) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row]->entry.Text(column) : std::string();
}

void MemorySiteList::SetRowText(int row, int column, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!Has(row)) return;
    rows_[row]->entry.SetText(column, text);
    if (column == kColumnAddress) Refile(*rows_[row]);
}

std::shared_ptr<PageFingerprint> MemorySiteList::GetFingerprint(int row) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row]->entry.fingerprint : nullptr;
}

void MemorySiteList::SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) {
    std::lock_guard lock(mutex_);
    if (Has(row)) rows_[row]->entry.fingerprint = std::move(record);
}

void MemorySiteList::UpdateRows(const std::function<bool(SiteEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    for (const std::unique_ptr<Row>& row : rows_) {
        visit(row->entry);
        Refile(*row);
    }
}

void MemorySiteList::UpdateRowsWithAddress(const std::string& address,
                                           const std::function<bool(int, SiteEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    const auto found = byAddress_.find(address);
    if (found == byAddress_.end()) return;
    // A visitor may give a row another address; such rows are refiled once the walk is over.
    bool moved = false;
    for (Row* row : found->second) {
        visit(row->position, row->entry);
        moved = moved || row->entry.address != address;
    }
    if (!moved) return;
    const std::vector<Row*> visited = found->second;
    for (Row* row : visited) Refile(*row);
}

// Adds the row to the index under its address, keeping that address's rows in row order.
void MemorySiteList::File(Row& row) {
    row.key = row.entry.address;
    std::vector<Row*>& rows = byAddress_[row.key];
    const auto place =
        std::lower_bound(rows.begin(), rows.end(), row.position,
                         [](const Row* other, int position) { return other->position < position; });
    rows.insert(place, &row);
}

void MemorySiteList::Unfile(Row& row) {
    const auto found = byAddress_.find(row.key);
    if (found == byAddress_.end()) return;
    std::vector<Row*>& rows = found->second;
    rows.erase(std::remove(rows.begin(), rows.end(), &row), rows.end());
    if (rows.empty()) byAddress_.erase(found);
}

// Files the row again when its address changed since it was filed.
void MemorySiteList::Refile(Row& row) {
    if (row.entry.address == row.key) return;
    Unfile(row);
    File(row);
}

void MemorySiteList::Renumber(int from) {
    for (int i = from; i < static_cast<int>(rows_.size()); ++i) rows_[i]->position = i;
}

}  // namespace orvalis
