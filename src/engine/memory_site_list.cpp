#include "engine/memory_site_list.h"

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
    SiteEntry entry;
    entry.address = address;
    rows_.insert(rows_.begin() + position, std::move(entry));
    return position;
}

void MemorySiteList::DeleteRow(int row) {
    std::lock_guard lock(mutex_);
    if (Has(row)) rows_.erase(rows_.begin() + row);
}

std::string MemorySiteList::GetRowText(int row, int column) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row].Text(column) : std::string();
}

void MemorySiteList::SetRowText(int row, int column, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (Has(row)) rows_[row].SetText(column, text);
}

std::shared_ptr<PageFingerprint> MemorySiteList::GetFingerprint(int row) const {
    std::lock_guard lock(mutex_);
    return Has(row) ? rows_[row].fingerprint : nullptr;
}

void MemorySiteList::SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) {
    std::lock_guard lock(mutex_);
    if (Has(row)) rows_[row].fingerprint = std::move(record);
}

void MemorySiteList::UpdateRows(const std::function<bool(SiteEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    for (SiteEntry& entry : rows_) visit(entry);
}

}  // namespace orvalis
