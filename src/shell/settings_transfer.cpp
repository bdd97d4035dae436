#include "shell/settings_transfer.h"

#include <limits>

namespace orvalis {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::int32_t StoredSwitch(bool checked) { return checked ? 1 : 0; }

}  // namespace

bool ShownChecked(std::int32_t value) { return value == 1 || value == 2; }

int ShownUnitIndex(std::string_view unit) {
    if (unit == kUnitItems[0]) return 0;
    if (unit == kUnitItems[1]) return 1;
    return 2;
}

int ShownConnectModeIndex(std::int32_t mode) {
    return mode >= 0 && mode < static_cast<std::int32_t>(kConnectModeItems.size()) ? mode : -1;
}

std::optional<std::int32_t> ParseInterval(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulate as a negative number: its range is one larger, so the lowest value fits too.
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 - (c - '0');
        if (value < lowest) return std::nullopt;
    }
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

SettingsForm FormFromSettings(const AppSettings& settings) {
    SettingsForm form;
    form.intervalText = std::to_string(settings.UpdateInterval);
    form.unitIndex = ShownUnitIndex(settings.UpdateMetric);
    form.autorun = ShownChecked(settings.Autorun);
    form.alarmIfServerIsDown = ShownChecked(settings.AlarmIfServerIsDown);
    form.checkForChanges = ShownChecked(settings.CheckForChanges);
    form.alarmIfServerChanged = ShownChecked(settings.AlarmIfServerChanged);
    form.sendEmail = ShownChecked(settings.SendEmail);
    form.connectModeIndex = ShownConnectModeIndex(settings.DialupMode);
    form.smtpServer = settings.SmtpServer;
    form.emailAddress = settings.EmailAddress;
    form.senderEmail = settings.SenderEmail;
    return form;
}

bool TransferForm(const SettingsForm& form, AppSettings& settings) {
    const auto interval = ParseInterval(form.intervalText);
    if (!interval) return false;
    settings.UpdateInterval = *interval;
    // The list always has a unit selected; should it have none, the stored unit stays.
    if (form.unitIndex >= 0 && form.unitIndex < static_cast<int>(kUnitItems.size())) {
        settings.UpdateMetric = kUnitItems[static_cast<std::size_t>(form.unitIndex)];
    }
    settings.Autorun = StoredSwitch(form.autorun);
    settings.AlarmIfServerIsDown = StoredSwitch(form.alarmIfServerIsDown);
    settings.AlarmIfServerChanged = StoredSwitch(form.alarmIfServerChanged);
    settings.CheckForChanges = StoredSwitch(form.checkForChanges);
    settings.SendEmail = StoredSwitch(form.sendEmail);
    settings.SmtpServer = form.smtpServer;
    settings.EmailAddress = form.emailAddress;
    settings.SenderEmail = form.senderEmail;
    settings.DialupMode = ShownConnectModeIndex(form.connectModeIndex);
    return true;
}

}  // namespace orvalis
