#pragma once

#include <chrono>
#include <string>

#include "alerts/smtp_client.h"
#include "alerts/user_messages.h"
#include "engine/app_settings.h"

namespace orvalis {

/// The subject of the down-alert mail.
inline constexpr const char* kAlertMailSubject = "Your Web Server Is Down";

/// The port of the user's SMTP server.
inline constexpr int kSmtpPort = 25;

/// The user's mail server and how to reach it.
struct MailServer {
    std::string host;                            ///< name or numeric address
    int port = kSmtpPort;                        ///< TCP port
    MailSecurity security = MailSecurity::None;  ///< how the connection is secured
    std::string user;                            ///< login; empty: none
    std::string password;                        ///< the login's password; never stored here
    std::string extraCaFile;                     ///< authorities trusted besides the system's
    std::chrono::milliseconds stepTimeout = SmtpClient::kDefaultTimeout;  ///< bound of each step
};

/// The mail server the settings name, logging in with `password`.
MailServer MailServerFromSettings(const AppSettings& settings, std::string password = {});

/// The body of the down-alert mail for `downList` (hosts separated by "\n\n").
std::string AlertMailBody(const std::string& displayName, const std::string& downList);

/// Sends one mail through `server`; on failure tells the user through `messages` and only then
/// lets the connection say QUIT. True when the mail went out.
bool SendAlertMail(UserMessages& messages, const MailServer& server, const std::string& receivers,
                   const std::string& sender, const std::string& subject, const std::string& body);

/// Sends one mail through the plain server `smtpServer` on `port`, as SendAlertMail above.
bool SendAlertMail(UserMessages& messages, const std::string& smtpServer,
                   const std::string& receivers, const std::string& sender,
                   const std::string& subject, const std::string& body, int port = kSmtpPort);

/// Mails the hosts of `downList` to the receivers of `settings`, sent by its sender through its
/// server, logging in with `password` when the settings name a user. True when the mail went out.
bool SendDownAlert(UserMessages& messages, const std::string& displayName,
                   const AppSettings& settings, const std::string& downList,
                   const std::string& password = {});

}  // namespace orvalis
