#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace orvalis {

/// The user's settings. Field names are the names the profile stores them under.
struct AppSettings {
    std::string ProgramPath;                ///< the program's own path (not stored)
    std::int32_t AlarmIfServerIsDown = 0;   ///< kept for the hidden check box only
    std::int32_t AlarmIfServerChanged = 0;  ///< kept for the hidden check box only
    std::int32_t CheckForChanges = 0;       ///< non-zero: report content changes
    std::int32_t DialupMode = 0;            ///< connect mode: 0 "Normal", 1 "Passive"
    std::int32_t Autorun = 0;               ///< non-zero: start at login, confirm on exit
    std::int32_t ReadTerms = 0;             ///< non-zero once the terms were accepted
    std::int32_t UpdateInterval = 10;       ///< units between checking passes
    std::string UpdateMetric = "minutes";   ///< "seconds", "minutes" or "hours"
    std::int32_t SendEmail = 0;             ///< non-zero: mail the down list
    std::string SmtpServer;                 ///< host of the user's SMTP server
    std::string EmailAddress;               ///< receiver of the alert mail
    std::string SenderEmail;                ///< sender of the alert mail
    std::int32_t SmtpPort = 25;             ///< port of the user's SMTP server
    std::string SmtpSecurity = "None";      ///< "None", "STARTTLS" or "SSL/TLS"
    std::string SmtpUser;                   ///< login at the SMTP server; empty: no login
    std::int32_t BootStart = 0;             ///< started by the autorun entry (not stored)

    /// True when an alert mail can be sent: SendEmail on and all three mail texts filled in.
    bool MailComplete() const {
        return SendEmail != 0 && !SmtpServer.empty() && !EmailAddress.empty() &&
               !SenderEmail.empty();
    }
};

/// The process-wide settings, shared by the window's thread (which edits them) and the checking
/// thread (which reads a consistent copy whenever it needs them).
class SharedSettings {
   public:
    /// A consistent copy of every field.
    AppSettings Get() const {
        std::lock_guard lock(mutex_);
        return settings_;
    }

    /// Changes fields under the lock, so no reader sees a half-made change.
    void Update(const std::function<void(AppSettings&)>& change) {
        std::lock_guard lock(mutex_);
        change(settings_);
    }

   private:
    mutable std::mutex mutex_;
    AppSettings settings_;
};

}  // namespace orvalis
