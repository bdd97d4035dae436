#pragma once

#include <ctime>
#include <string>

namespace orvalis {

/// `when` as an RFC 5322 date in local time: English day and month names, four-digit year and a
/// numeric zone ("Fri, 11 Dec 2026 14:03:59 +0100"), whatever the program's locale.
std::string FormatMailDate(std::time_t when);

}  // namespace orvalis
