#include "alerts/alert_mail.h"

#include <utility>

#include "alerts/mail_message.h"
#include "alerts/smtp_client.h"

namespace orvalis {

std::string AlertMailBody(const std::string& displayName, const std::string& downList) {
    std::string body = "This is an automated message from " + displayName + "\n\n";
    // Hosts are separated by an empty line, so a line feed means more than one host.
    if (downList.find('\n') != std::string::npos) {
        body += "The following web servers are down\n\n";
    } else {
        body += "The following web server is down\n\n";
    }
    body += downList + "\n\n";
    return body;
}

MailServer MailServerFromSettings(const AppSettings& settings, std::string password) {
    MailServer server;
    server.host = settings.SmtpServer;
    server.port = settings.SmtpPort;
    server.security = MailSecurityFromText(settings.SmtpSecurity);
    server.user = settings.SmtpUser;
    server.password = std::move(password);
    return server;
}

bool SendAlertMail(UserMessages& messages, const MailServer& server, const std::string& receivers,
                   const std::string& sender, const std::string& subject, const std::string& body) {
    SmtpClient client(server.host, server.port);
    client.SetTimeouts(server.stepTimeout, server.stepTimeout);
    client.SetSecurity(server.security, server.extraCaFile);
    client.SetLogin(server.user, server.password);
    MailMessage message;
    message.from = sender;
    message.AddRecipientList(receivers);
    message.subject = subject;
    message.body = body;

    if (client.Connect() && client.Send(message)) {
        // The server has taken the mail: a QUIT it refuses or hangs up on changes nothing.
        client.Disconnect();
        return true;
    }
    // A client still connected after a failed Send says QUIT on destruction, so only once the
    // user has closed the message.
    messages.Show("Failed to send email\n\n" + client.LastError(), MessageIcon::Error,
                  MessageButtons::Ok);
    return false;
}

bool SendAlertMail(UserMessages& messages, const std::string& smtpServer,
                   const std::string& receivers, const std::string& sender,
                   const std::string& subject, const std::string& body, int port) {
    MailServer server;
    server.host = smtpServer;
    server.port = port;
    return SendAlertMail(messages, server, receivers, sender, subject, body);
}

bool SendDownAlert(UserMessages& messages, const std::string& displayName,
                   const AppSettings& settings, const std::string& downList,
                   const std::string& password) {
    return SendAlertMail(messages, MailServerFromSettings(settings, password),
                         settings.EmailAddress, settings.SenderEmail, kAlertMailSubject,
                         AlertMailBody(displayName, downList));
}

}  // namespace orvalis
