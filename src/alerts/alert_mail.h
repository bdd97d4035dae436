#pragma once

#include <string>

#include "alerts/user_messages.h"
#include "engine/app_settings.h"

namespace orvalis {

/// The subject of the down-alert mail.
inline constexpr const char* kAlertMailSubject = "Your Web Server Is Down";

/// The port of the user's SMTP server.
inline constexpr int kSmtpPort = 25;

/// The body of the down-alert mail for `downList` (hosts separated by "\n\n").
std::string AlertMailBody(const std::string& displayName, const std::string& downList);

/// Sends one mail through `smtpServer`; on failure tells the user through `messages` and only
/// then lets the connection say QUIT. True when the mail went out.
bool SendAlertMail(UserMessages& messages, const std::string& smtpServer,
                   const std::string& receivers, const std::string& sender,
                   const std::string& subject, const std::string& body, int port = kSmtpPort);

/// Mails the hosts of `downList` to the receivers of `settings`, sent by its sender through its
/// server. True when the mail went out.
bool SendDownAlert(UserMessages& messages, const std::string& displayName,
                   const AppSettings& settings, const std::string& downList, int port = kSmtpPort);

}  // namespace orvalis
