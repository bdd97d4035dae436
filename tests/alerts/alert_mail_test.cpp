#include "alerts/alert_mail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "alerts/smtp_test_helpers.h"
#include "support/recording_messages.h"
#include "support/scripted_smtp_server.h"

namespace orvalis {
namespace {

using test::PythonSmtpSink;
using test::RealSmtpServer;
using test::RecordingMessages;
using test::ScriptedSmtpServer;
using test::SecureSmtpServer;
using test::SmtpAnswer;
using test::SmtpStep;
using Commands = std::vector<std::string>;

AppSettings MailSettings() {
    AppSettings settings;
    settings.SendEmail = 1;
    settings.SmtpServer = "127.0.0.1";
    settings.EmailAddress = "Ops <ops@example.test>;admin@example.test";
    settings.SenderEmail = "monitor@example.test";
    return settings;
}

TEST(AlertMail, BodyNamesTheProgramAndUsesTheHeadingForTheNumberOfHosts) {
    EXPECT_EQ(AlertMailBody("Site Watch", "www.alpha.test"),
              "This is an automated message from Site Watch\n\n"
              "The following web server is down\n\n"
              "www.alpha.test\n\n");
    EXPECT_EQ(AlertMailBody("Site Watch", "www.alpha.test\n\nwww.beta.test"),
              "This is an automated message from Site Watch\n\n"
              "The following web servers are down\n\n"
              "www.alpha.test\n\nwww.beta.test\n\n");
}

TEST(AlertMail, GoesOutWithoutAnyMessage) {
    ScriptedSmtpServer server;
    RecordingMessages messages;
    AppSettings settings = MailSettings();
    settings.SmtpPort = server.Port();
    EXPECT_TRUE(SendDownAlert(messages, "Site Watch", settings, "www.alpha.test\n\nwww.beta.test"));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    const Commands commands = server.Commands();
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[1], "MAIL From: <monitor@example.test>");
    EXPECT_EQ(commands[2], "RCPT TO: <ops@example.test>");
    EXPECT_EQ(commands[3], "RCPT TO: <admin@example.test>");
    EXPECT_EQ(commands[5], "QUIT");
    const std::string data = server.Data();
    EXPECT_NE(data.find("\r\nSubject: Your Web Server Is Down\r\n"), std::string::npos);
    EXPECT_NE(data.find("\r\nTo: Ops <ops@example.test>,<admin@example.test>\r\n"),
              std::string::npos);
    EXPECT_NE(data.find("\r\n\r\nThis is an automated message from Site Watch\r\n\r\n"
                        "The following web servers are down\r\n\r\n"
                        "www.alpha.test\r\n\r\nwww.beta.test\r\n\r\n"),
              std::string::npos);
}

TEST(AlertMail, AMalformedReceiverListStillMailsTheEntriesBeforeTheFault) {
    ScriptedSmtpServer server;
    RecordingMessages messages;
    AppSettings settings = MailSettings();
    settings.EmailAddress = "ops@example.test;Bob >bob@example.test<";
    settings.SmtpPort = server.Port();
    EXPECT_TRUE(SendDownAlert(messages, "Site Watch", settings, "www.alpha.test"));
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    EXPECT_EQ(server.Commands()[2], "RCPT TO: <ops@example.test>");
    EXPECT_EQ(server.Commands()[3], "DATA");
}

TEST(AlertMail, ARefusedConnectionIsReportedWithTheClientsText) {
    RecordingMessages messages;
    AppSettings settings = MailSettings();
    settings.SmtpPort = test::ClosedPort();
    EXPECT_FALSE(SendDownAlert(messages, "Site Watch", settings, "www.alpha.test"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Failed to send email\n\nUnable to connect to mail server\n\nPlease check that your "
              "SMTP server name is correct");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
}

TEST(AlertMail, AFailedSendSaysQuitOnlyAfterTheMessageWasClosed) {
    ScriptedSmtpServer server;
    server.Answer(SmtpStep::EndOfData, SmtpAnswer::Reply("554 message rejected\r\n"));
    RecordingMessages messages;
    Commands commandsWhileShown;
    messages.onShow = [&](const RecordingMessages::Shown&) {
        commandsWhileShown = server.Commands();
    };
    EXPECT_FALSE(SendAlertMail(messages, "127.0.0.1", "ops@example.test", "monitor@example.test",
                               kAlertMailSubject, "body", server.Port()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Failed to send email\n\n554:SMTP server error");
    EXPECT_EQ(std::count(commandsWhileShown.begin(), commandsWhileShown.end(), "QUIT"), 0);
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST(AlertMail, AMailTheServerTookIsSentWhateverItSaysToQuit) {
    const std::pair<const char*, SmtpAnswer> cases[] = {
        {"QUIT refused", SmtpAnswer::Reply("500 what\r\n")},
        {"hang-up on QUIT", SmtpAnswer::Close()},
        {"no answer to QUIT", SmtpAnswer::Silent()},
    };
    for (const auto& [name, quit] : cases) {
        SCOPED_TRACE(name);
        ScriptedSmtpServer server;
        server.Answer(SmtpStep::Quit, quit);
        MailServer mailServer;
        mailServer.host = "127.0.0.1";
        mailServer.port = server.Port();
        mailServer.stepTimeout = test::kTestTimeout;
        RecordingMessages messages;
        EXPECT_TRUE(SendAlertMail(messages, mailServer, "ops@example.test", "monitor@example.test",
                                  kAlertMailSubject, "body"));
        EXPECT_TRUE(messages.shown.empty());
        ASSERT_TRUE(server.WaitForSessionsEnded(1));
        EXPECT_EQ(server.Commands().back(), "QUIT");
    }
}

// True when every line end is CRLF and no CR or LF stands alone.
bool OnlyCrlfLineEnds(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

TEST_F(RealSmtpServer, ReceivesTheAlertMailIntact) {
    AppSettings settings;
    settings.SendEmail = 1;
    settings.SmtpServer = "127.0.0.1";
    settings.EmailAddress = "Ops Team <ops@example.test>;admin@example.test";
    settings.SenderEmail = "monitor@example.test";
    settings.SmtpPort = sink_.Port();
    test::RecordingMessages messages;

    ASSERT_TRUE(
        SendDownAlert(messages, "Site Watch", settings, "www.alpha.test\n\nshop.beta.test"));
    EXPECT_TRUE(messages.shown.empty());

    const std::string mail = sink_.Message(1);
    ASSERT_FALSE(mail.empty());
    EXPECT_EQ(sink_.Envelope(1), "monitor@example.test\nops@example.test\nadmin@example.test\n");
    EXPECT_TRUE(OnlyCrlfLineEnds(mail)) << mail;

    const std::size_t headerEnd = mail.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    const std::string header = mail.substr(0, headerEnd + 2);
    EXPECT_EQ(header.rfind("Date: ", 0), 0u);
    EXPECT_NE(header.find("\r\nFrom: monitor@example.test\r\n"), std::string::npos);
    EXPECT_NE(header.find("\r\nTo: Ops Team <ops@example.test>,<admin@example.test>\r\n"),
              std::string::npos);
    EXPECT_NE(header.find("\r\nSubject: Your Web Server Is Down\r\n"), std::string::npos);
    EXPECT_NE(header.find("\r\nX-Mailer: <Vesk Mail>\r\n"), std::string::npos);
    EXPECT_EQ(mail.substr(headerEnd + 4),
              "This is an automated message from Site Watch\r\n\r\n"
              "The following web servers are down\r\n\r\n"
              "www.alpha.test\r\n\r\nshop.beta.test\r\n\r\n\r\n");
}

TEST_F(SecureSmtpServer, TheAlertMailGoesOutThroughTheServerTheSettingsName) {
    PythonSmtpSink sink;
    if (!Launch(sink, {"--starttls", loopback_.certificateFile, loopback_.keyFile, "--login",
                       "monitor", "secret"})) {
        return;
    }
    AppSettings settings = MailSettings();
    settings.SmtpPort = sink.Port();
    settings.SmtpSecurity = "STARTTLS";
    settings.SmtpUser = "monitor";
    MailServer server = MailServerFromSettings(settings, "secret");
    server.extraCaFile = authority_.CertificateFile();
    RecordingMessages messages;
    EXPECT_TRUE(SendAlertMail(messages, server, settings.EmailAddress, settings.SenderEmail,
                              kAlertMailSubject, AlertMailBody("Site Watch", "www.alpha.test")));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_NE(sink.Message(1), "");
    EXPECT_EQ(sink.Envelope(1), "monitor@example.test\nops@example.test\nadmin@example.test\n");
}

}  // namespace
}  // namespace orvalis
