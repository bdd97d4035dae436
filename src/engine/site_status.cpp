#include "engine/site_status.h"

namespace orvalis {

bool IsOkStatus(std::string_view status) { return status.substr(0, 2) == "OK"; }

bool IsOpenStatus(std::string_view status) { return status.empty() || IsOkStatus(status); }

bool IsAlarmStatus(std::string_view status) {
    return status == kStatusChanged || status == kStatusServerDown || status == kStatusWasDown;
}

std::string FormatOkStatus(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::size_t length = std::strftime(text, sizeof text, kStatusOkFormat, &local);
    return std::string(text, length);
}

std::string OkStatusNow() { return FormatOkStatus(std::time(nullptr)); }

std::string StatusAfterRestart(std::string_view stored) {
    return stored == kStatusChanged ? std::string(kStatusChanged) : std::string();
}

}  // namespace orvalis
