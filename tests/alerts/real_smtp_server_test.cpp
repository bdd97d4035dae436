#include <gtest/gtest.h>

#include <string>

#include "alerts/alert_mail.h"
#include "alerts/smtp_client.h"
#include "support/python_smtp_sink.h"
#include "support/recording_messages.h"

namespace orvalis {
namespace {

using test::PythonSmtpSink;

// A real SMTP server (aiosmtpd from the system's packages) receives what we send.
class RealSmtpServer : public testing::Test {
   protected:
    void SetUp() override {
        std::string why;
        switch (sink_.Launch(why)) {
            case PythonSmtpSink::Start::Running:
                break;
            case PythonSmtpSink::Start::Missing:
                GTEST_SKIP() << why;
            case PythonSmtpSink::Start::Failed:
                FAIL() << why;
        }
    }

    PythonSmtpSink sink_;
};

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
    test::RecordingMessages messages;

    ASSERT_TRUE(SendDownAlert(messages, "Site Watch", settings, "www.alpha.test\n\nshop.beta.test",
                              sink_.Port()));
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

TEST_F(RealSmtpServer, KeepsLinesThatBeginWithADot) {
    MailMessage message;
    message.from = "monitor@example.test";
    message.subject = "Dots";
    message.body = ".hidden\n.\n..two\nend";
    message.AddRecipient("ops@example.test");

    SmtpClient client("127.0.0.1", sink_.Port());
    ASSERT_TRUE(client.Connect()) << client.LastError();
    ASSERT_TRUE(client.Send(message)) << client.LastError();
    ASSERT_TRUE(client.Disconnect()) << client.LastError();

    const std::string mail = sink_.Message(1);
    ASSERT_NE(mail.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(mail.substr(mail.find("\r\n\r\n") + 4), ".hidden\r\n.\r\n..two\r\nend\r\n\r\n");
}

}  // namespace
}  // namespace orvalis
