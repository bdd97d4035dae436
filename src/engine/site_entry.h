#pragma once

#include <memory>
#include <string>

#include "engine/page_fingerprint.h"

namespace orvalis {

/// Column indices of a row's texts; every part of the program addresses a field by its index.
enum SiteColumn : int {
    kColumnAddress = 0,
    kColumnNumber = 1,
    kColumnStatus = 2,
};

/// One monitored page: one row of the site list.
struct SiteEntry {
    std::string address;  ///< the page address as the user typed it
    std::string number;   ///< 1-based row number shown to the user; the engine never reads it
    std::string status;   ///< one of the status texts of site_status.h
    std::shared_ptr<PageFingerprint> fingerprint;  ///< the record; null until one is set

    /// The text of column `column`; empty for an unknown column.
    const std::string& Text(int column) const;
    /// Sets the text of column `column`; an unknown column is ignored.
    void SetText(int column, std::string text);
};

}  // namespace orvalis
