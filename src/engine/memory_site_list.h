#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/site_list.h"

namespace orvalis {

/// A site list held in memory, safe to use from any thread. Backs the engine when no window
/// exists (tests, headless runs) and holds the window's rows. Keeps an index of the rows by
/// address, so finding the rows of one page costs the same in a list of ten rows or of ten
/// thousand.
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
    void UpdateRowsWithAddress(const std::string& address,
                               const std::function<bool(int, SiteEntry&)>& visit) override;

   private:
    // A row with its current index and the address it is filed under in the index; rows live at
    // fixed places in memory, so the index can point at them while others come and go.
    struct Row {
        SiteEntry entry;
        int position = 0;
        std::string key;
    };

    bool Has(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
    void File(Row& row);
    void Unfile(Row& row);
    void Refile(Row& row);
    void Renumber(int from);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Row>> rows_;
    // Every address to its rows, in row order.
    std::unordered_map<std::string, std::vector<Row*>> byAddress_;
};

}  // namespace orvalis
