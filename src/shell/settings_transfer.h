#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/app_settings.h"

namespace orvalis {

/// The unit list's items, in list order.
inline constexpr std::array<const char*, 3> kUnitItems = {"seconds", "minutes", "hours"};

/// The connect-mode list's items, in list order; an item's index is the stored connect mode.
inline constexpr std::array<const char*, 2> kConnectModeItems = {"Normal", "Passive"};

/// What the settings dialog's controls hold: filled from the settings when it opens, read back
/// when OK is pressed.
struct SettingsForm {
    std::string intervalText;           ///< the interval field's text
    int unitIndex = 1;                  ///< the selected item of the unit list
    bool autorun = false;               ///< "run at login" check box
    bool alarmIfServerIsDown = false;   ///< hidden check box, carried through unchanged
    bool checkForChanges = false;       ///< "check sites for changes" check box
    bool alarmIfServerChanged = false;  ///< hidden check box, carried through unchanged
    bool sendEmail = false;             ///< "send email if server is down" check box
    int connectModeIndex = -1;          ///< the selected connect mode, -1 when none is
    std::string smtpServer;             ///< the SMTP server field's text
    std::string emailAddress;           ///< the receiver field's text
    std::string senderEmail;            ///< the sender field's text
};

/// Whether a stored switch opens checked: 1 and 2 do (every reader takes non-zero as on), 0
/// and anything outside 0 to 2 do not.
bool ShownChecked(std::int32_t value);

/// The unit item a stored unit opens with: "seconds" 0, "minutes" 1, exactly and
/// case-sensitively; any other text opens with "hours".
int ShownUnitIndex(std::string_view unit);

/// The connect-mode item a stored mode opens with, or -1 (nothing selected) outside the list.
int ShownConnectModeIndex(std::int32_t mode);

/// The interval typed into the field: a whole decimal number, optionally signed, with blanks or
/// tabs allowed around it. Nothing when the text is anything else or does not fit 32 bits.
std::optional<std::int32_t> ParseInterval(std::string_view text);

/// The controls' contents when the dialog opens on `settings`; the settings are not changed.
SettingsForm FormFromSettings(const AppSettings& settings);

/// Transfers `form` into `settings` when OK is pressed. False when the interval text is refused;
/// then nothing has been transferred and the dialog stays open.
bool TransferForm(const SettingsForm& form, AppSettings& settings);

}  // namespace orvalis
