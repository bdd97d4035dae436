#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/app_settings.h"

namespace orvalis {

/// The file name of the login entry inside the autostart folder.
inline constexpr const char* kAutostartFileName = "OrvalisPro.desktop";

/// The login entry that starts the program with the single argument "boot": a desktop entry in
/// the user's XDG autostart folder, which the desktop session runs at login.
class AutostartEntry {
   public:
    /// The entry of the current user: $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static AutostartEntry ForCurrentUser();

    /// The entry kept in `file`.
    explicit AutostartEntry(std::filesystem::path file);

    /// Where the entry lives.
    const std::filesystem::path& File() const { return file_; }

    /// Writes the entry that starts `programPath` with "boot", replacing any earlier one in a
    /// single step. False, with the earlier file left as it was, when the path cannot be carried
    /// by an entry or the folder cannot be written.
    bool Install(std::string_view programPath) const;

    /// Deletes the entry; one that does not exist is no error. False when it is still there.
    bool Remove() const;

    /// Brings the entry in line with `settings`: present for `ProgramPath` while `Autorun` is
    /// on, absent while it is off. False when that could not be done.
    bool Apply(const AppSettings& settings) const;

   private:
    std::filesystem::path file_;
};

/// The autostart folder for the given values of XDG_CONFIG_HOME and HOME (either may be null);
/// a relative or empty value counts as unset. Empty when neither gives an absolute folder.
std::filesystem::path AutostartFolder(const char* configHome, const char* home);

/// The entry's text for `programPath`, or nothing when the path cannot be written into an entry:
/// not absolute, not UTF-8, or holding a control character other than newline, tab and return.
std::optional<std::string> AutostartEntryText(std::string_view programPath);

/// Brings the current user's entry in line with `settings` after the settings dialog; the
/// result is for the caller's information only, nothing is reported to the user.
bool ApplyAutorun(const AppSettings& settings);

}  // namespace orvalis
