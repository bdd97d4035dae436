#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvalis {

// The status texts a row can show. Compared whole, byte for byte, except for the OK test.
inline constexpr std::string_view kStatusNone = "";
inline constexpr std::string_view kStatusPageNotFound = "Page Not Found";
inline constexpr std::string_view kStatusNoConnection = "No Connection";
inline constexpr std::string_view kStatusServerDown = "SERVER DOWN";
inline constexpr std::string_view kStatusWasDown = "WAS DOWN";
inline constexpr std::string_view kStatusChanged = "CHANGED";

/// The strftime format of the status of a page judged fine.
inline constexpr const char* kStatusOkFormat = "OK %H:%M:%S";

/// True for any status whose first two characters are exactly "OK".
bool IsOkStatus(std::string_view status);
/// True for the empty status and OK statuses: the ones the checker may overwrite.
bool IsOpenStatus(std::string_view status);
/// True for "CHANGED", "SERVER DOWN" and "WAS DOWN": the statuses that make the tray alert.
bool IsAlarmStatus(std::string_view status);
/// "OK %H:%M:%S" for the given local time.
std::string FormatOkStatus(std::time_t when);
/// "OK %H:%M:%S" for the current local time.
std::string OkStatusNow();
/// The status a stored status loads as: "CHANGED" survives a restart, every other becomes empty.
std::string StatusAfterRestart(std::string_view stored);

}  // namespace orvalis
