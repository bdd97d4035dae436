#pragma once

#include <mutex>
#include <vector>

#include "engine/site_list.h"

namespace orvalis {

/// A site list held in memory, safe to use from any thread. Backs the engine when no window
/// exists (tests, headless runs).
class MemorySiteList : public SiteList {
   public:
    int CountRows() const override;
    int InsertRow(int position, const std::string& address) override;
    void DeleteRow(int row) override;
    std::string GetRowText(int row, int column) const override;
    void SetRowText(int row, int column, const std::string& text) override;
    std::shared_ptr<PageFingerprint> GetFingerprint(int row) const override;
    void SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) override;
    void UpdateRows(const std::function<bool(SiteEntry&)>& visit) override;

   private:
    bool Has(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

    mutable std::mutex mutex_;
    std::vector<SiteEntry> rows_;
};

}  // namespace orvalis
