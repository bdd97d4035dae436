#include "alerts/alert_mail.h"

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

bool SendAlertMail(UserMessages& messages, const std::string& smtpServer,
                   const std::string& receivers, const std::string& sender,
                   const std::string& subject, const std::string& body, int port) {
    SmtpClient client(smtpServer, port);
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

bool SendDownAlert(UserMessages& messages, const std::string& displayName,
                   const AppSettings& settings, const std::string& downList, int port) {
    return SendAlertMail(messages, settings.SmtpServer, settings.EmailAddress, settings.SenderEmail,
                         kAlertMailSubject, AlertMailBody(displayName, downList), port);
}

}  // namespace orvalis
