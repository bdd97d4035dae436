#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/page_fingerprint.h"
#include "engine/site_entry.h"

namespace orvalis {

/// The monitored pages, in display and save order. Every operation is atomic with respect to
/// every other; a row index at or beyond the count is not an error (reads give empty results,
/// writes do nothing).
class SiteList {
   public:
    virtual ~SiteList() = default;

    /// The current number of rows.
    virtual int CountRows() const = 0;
    /// Inserts a row with `address`, empty number and status texts and no record; returns its
    /// index. A position outside 0..count appends.
    virtual int InsertRow(int position, const std::string& address) = 0;
    /// Removes a row; its record lives on for whoever still holds it.
    virtual void DeleteRow(int row) = 0;
    /// A copy of one text of a row; empty for a missing row or column.
    virtual std::string GetRowText(int row, int column) const = 0;
    /// Replaces one text of a row.
    virtual void SetRowText(int row, int column, const std::string& text) = 0;
    /// The row's fingerprint record, or null for a missing row or a row without one.
    virtual std::shared_ptr<PageFingerprint> GetFingerprint(int row) const = 0;
    /// Gives the row a fingerprint record.
    virtual void SetFingerprint(int row, std::shared_ptr<PageFingerprint> record) = 0;

    /// Runs `visit` on every row in order, all as one atomic operation. The visitor returns true
    /// when it changed the row, so views can redraw just those rows.
    virtual void UpdateRows(const std::function<bool(SiteEntry&)>& visit) = 0;
    /// Runs `visit` on exactly the rows whose address equals `address` byte for byte, in row
    /// order, all as one atomic operation; the visitor also gets the row's index and returns true
    /// when it changed the row. Costs as much as there are such rows, not as the list is long.
    virtual void UpdateRowsWithAddress(const std::string& address,
                                       const std::function<bool(int row, SiteEntry&)>& visit) = 0;
};

}  // namespace orvalis
