#include "alerts/smtp_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "alerts/smtp_test_helpers.h"
#include "platform/host_name.h"
#include "support/scripted_smtp_server.h"

namespace orvalis {
namespace {

using test::OpenSmtpClient;
using test::PythonSmtpSink;
using test::RealSmtpServer;
using test::ScriptedSmtpServer;
using test::SecureSmtpServer;
using test::SmtpAnswer;
using test::SmtpStep;
using test::TestAuthority;
using Commands = std::vector<std::string>;

MailMessage TwoRecipientMessage(const std::string& body = "Hello\n") {
    MailMessage message;
    message.from = "monitor@example.test";
    message.subject = "Test subject";
    message.body = body;
    message.AddRecipient("ann@example.test", "Ann Lee ");
    message.AddRecipient("bob@example.test");
    return message;
}

const Commands kFullConversation = {
    "HELO tester.local",
    "MAIL From: <monitor@example.test>",
    "RCPT TO: <ann@example.test>",
    "RCPT TO: <bob@example.test>",
    "DATA",
    "QUIT",
};

TEST(SmtpClient, DeliversAMessageAndSaysGoodbye) {
    ScriptedSmtpServer server;
    MailMessage message = TwoRecipientMessage("First line\nSecond line");
    {
        OpenSmtpClient client("127.0.0.1", server.Port());
        ASSERT_TRUE(client.Connect()) << client.LastError();
        EXPECT_TRUE(client.Connect()) << "a second Connect keeps the open connection";
        ASSERT_TRUE(client.Send(message)) << client.LastError();
        EXPECT_TRUE(client.Disconnect()) << client.LastError();
        EXPECT_FALSE(client.IsConnected());
        EXPECT_EQ(client.LastError(), "OK");
    }
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    EXPECT_EQ(server.Commands(), kFullConversation);

    const std::regex header(
        "Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} \\d\\d:\\d\\d:\\d\\d "
        "[+-]\\d{4}\r\n"
        "From: monitor@example\\.test\r\n"
        "To: Ann Lee <ann@example\\.test>,<bob@example\\.test>\r\n"
        "Subject: Test subject\r\n"
        "X-Mailer: <Vesk Mail>\r\n"
        "\r\n"
        "First line\r\nSecond line\r\n\r\n");
    EXPECT_TRUE(std::regex_match(server.Data(), header)) << server.Data();
    EXPECT_EQ(message.body, "First line\nSecond line\r\n");
    EXPECT_NE(message.date, 0);
}

TEST(SmtpClient, DestructionWhileConnectedSaysQuit) {
    ScriptedSmtpServer server;
    {
        OpenSmtpClient client("127.0.0.1", server.Port());
        ASSERT_TRUE(client.Connect()) << client.LastError();
    }
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    EXPECT_EQ(server.Commands(), (Commands{"HELO tester.local", "QUIT"}));
}

TEST(SmtpClient, DisconnectWithoutConnectionSucceedsAndSendsNothing) {
    ScriptedSmtpServer server;
    OpenSmtpClient client("127.0.0.1", server.Port());
    EXPECT_TRUE(client.Disconnect());
    EXPECT_TRUE(server.Commands().empty());
}

enum class Operation { Connect, Send, Disconnect };

struct FailureCase {
    const char* name;
    SmtpStep step;
    SmtpAnswer answer;
    Operation fails;  // the first call that returns false
    const char* lastError;
    bool connectedAfter;
};

// The failure table: for each step, each way a server can let it fail.
TEST(SmtpClient, EveryFailureLeavesItsTextAndConnectionState) {
    const FailureCase cases[] = {
        {"greeting 421", SmtpStep::Greeting, SmtpAnswer::Reply("421 busy\r\n"), Operation::Connect,
         "Server didn't respond.", false},
        {"greeting hang-up", SmtpStep::Greeting, SmtpAnswer::Close(), Operation::Connect,
         "Server didn't respond.", false},
        {"greeting silence", SmtpStep::Greeting, SmtpAnswer::Silent(), Operation::Connect,
         "Server didn't respond.", false},
        {"HELO 501", SmtpStep::Helo, SmtpAnswer::Reply("501 bad name\r\n"), Operation::Connect,
         "501:SMTP server error", false},
        {"HELO hang-up", SmtpStep::Helo, SmtpAnswer::Close(), Operation::Connect,
         "0:SMTP server error", false},
        {"HELO reply without a code", SmtpStep::Helo, SmtpAnswer::Reply("hello there\r\n"),
         Operation::Connect, "0:SMTP server error", false},
        {"HELO empty reply line", SmtpStep::Helo, SmtpAnswer::Reply("\r\n"), Operation::Connect,
         "0:SMTP server error", false},
        {"HELO silence", SmtpStep::Helo, SmtpAnswer::Silent(), Operation::Connect, "Socket Error",
         false},
        {"MAIL FROM 550", SmtpStep::MailFrom, SmtpAnswer::Reply("550 no relay\r\n"),
         Operation::Send, "550:SMTP server error", true},
        {"MAIL FROM hang-up", SmtpStep::MailFrom, SmtpAnswer::Close(), Operation::Send,
         "0:SMTP server error", false},
        {"DATA 451", SmtpStep::Data, SmtpAnswer::Reply("451 later\r\n"), Operation::Send,
         "451:SMTP server not ready for data", true},
        {"DATA silence", SmtpStep::Data, SmtpAnswer::Silent(), Operation::Send, "Socket Error",
         false},
        {"end of data 554", SmtpStep::EndOfData, SmtpAnswer::Reply("554 rejected\r\n"),
         Operation::Send, "554:SMTP server error", true},
        {"end of data silence", SmtpStep::EndOfData, SmtpAnswer::Silent(), Operation::Send,
         "Socket Error", false},
        {"QUIT 500", SmtpStep::Quit, SmtpAnswer::Reply("500 what\r\n"), Operation::Disconnect,
         "500:SMTP server didn't terminate session", false},
        {"QUIT hang-up", SmtpStep::Quit, SmtpAnswer::Close(), Operation::Disconnect,
         "0:SMTP server didn't terminate session", false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        server.Answer(c.step, c.answer);
        OpenSmtpClient client("127.0.0.1", server.Port());
        MailMessage message = TwoRecipientMessage();

        const bool connected = client.Connect();
        EXPECT_EQ(connected, c.fails != Operation::Connect);
        if (connected) {
            const bool sent = client.Send(message);
            EXPECT_EQ(sent, c.fails != Operation::Send);
            if (sent) {
                EXPECT_FALSE(client.Disconnect());
            }
        }
        EXPECT_EQ(client.LastError(), c.lastError);
        EXPECT_EQ(client.IsConnected(), c.connectedAfter);
    }
}

// A server that stops reading in the middle of the message. The client gives up once the data
// step's bound has passed, however the bound is shared between sending and the reply, and never
// sends the end of the data: the server must not take a cut-off message for a whole one.
TEST(SmtpClient, AStalledMessageEndsWithinTheStepBoundAndIsNeverTerminated) {
    using std::chrono::milliseconds;
    constexpr milliseconds kBound{300};
    struct Case {
        const char* name;
        milliseconds pause;    // how long the server reads nothing after its 354
        SmtpAnswer endOfData;  // what it says when it sees the end of the data
        bool cutOff;           // the server reads again while the client could still send
    };
    const Case cases[] = {
        {"reads again after the bound", kBound * 3 / 2, SmtpAnswer::Reply("250 queued\r\n"), true},
        {"reads late and never answers", kBound * 3 / 5, SmtpAnswer::Silent(), false},
    };
    // Far more than the socket buffers of both ends hold.
    const std::string body(16 * 1024 * 1024, 'x');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        server.Answer(SmtpStep::Data, SmtpAnswer::ReplyThenStopReading("354 go\r\n", c.pause));
        server.Answer(SmtpStep::EndOfData, c.endOfData);
        MailMessage message = TwoRecipientMessage(body);
        {
            OpenSmtpClient client("127.0.0.1", server.Port());
            client.SetTimeouts(test::kTestTimeout, kBound);
            ASSERT_TRUE(client.Connect()) << client.LastError();

            EXPECT_FALSE(client.Send(message));
            const auto took = std::chrono::steady_clock::now() - server.AnsweredAt(SmtpStep::Data);
            EXPECT_LT(took, kBound * 13 / 10) << "from the 354 to the end of Send";
            EXPECT_EQ(client.LastError(), "Socket Error");
            EXPECT_FALSE(client.IsConnected());
        }
        ASSERT_TRUE(server.WaitForSessionsEnded(1));
        EXPECT_EQ(server.Commands(),
                  (Commands{"HELO tester.local", "MAIL From: <monitor@example.test>",
                            "RCPT TO: <ann@example.test>", "RCPT TO: <bob@example.test>", "DATA"}));
        if (c.cutOff) {
            EXPECT_EQ(server.Data(), "") << "the server saw an end of the data";
        }
    }
}

TEST(SmtpClient, ConnectionFailuresBeforeAnyReply) {
    {
        OpenSmtpClient client("127.0.0.1", test::ClosedPort());
        EXPECT_FALSE(client.Connect());
        EXPECT_EQ(client.LastError(),
                  "Unable to connect to mail server\n\nPlease check that your SMTP server name is "
                  "correct");
    }
    {
        OpenSmtpClient client("", 25);
        EXPECT_FALSE(client.Connect());
        EXPECT_EQ(client.LastError().rfind("Unable to connect to mail server", 0), 0u);
    }
    {
        OpenSmtpClient client("127.0.0.1", test::ClosedPort());
        MailMessage message = TwoRecipientMessage();
        EXPECT_FALSE(client.Send(message));
        EXPECT_EQ(client.LastError(), "Must be connected");
    }
}

TEST(SmtpClient, AMessageWithoutRecipientsIsRefusedAndTheConnectionStays) {
    ScriptedSmtpServer server;
    OpenSmtpClient client("127.0.0.1", server.Port());
    ASSERT_TRUE(client.Connect());
    MailMessage message;
    message.from = "monitor@example.test";
    EXPECT_FALSE(client.Send(message));
    EXPECT_EQ(client.LastError(), "No Recipients");
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(server.Commands(), (Commands{"HELO tester.local"}));
}

TEST(SmtpClient, RefusedRecipientsDoNotStopTheMessage) {
    struct Case {
        const char* endOfData;
        bool sent;
        const char* lastError;
    };
    const Case cases[] = {
        {"250 queued anyway\r\n", true, "550:SMTP server error"},
        {"554 no valid recipients\r\n", false, "554:SMTP server error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endOfData);
        ScriptedSmtpServer server;
        server.Answer(SmtpStep::RcptTo, SmtpAnswer::Reply("550 no such user\r\n"));
        server.Answer(SmtpStep::EndOfData, SmtpAnswer::Reply(c.endOfData));
        MailMessage message = TwoRecipientMessage();
        {
            OpenSmtpClient client("127.0.0.1", server.Port());
            ASSERT_TRUE(client.Connect());
            EXPECT_EQ(client.Send(message), c.sent);
            EXPECT_EQ(client.LastError(), c.lastError);
        }
        ASSERT_TRUE(server.WaitForSessionsEnded(1));
        EXPECT_EQ(server.Commands(), kFullConversation);
    }
}

// Replies split over packets and replies of several lines are read whole, so the next step
// never reads the rest of an earlier reply.
TEST(SmtpClient, ReadsWholeRepliesHoweverTheyArrive) {
    const std::string longLine = "250-" + std::string(10000, 'x') + "\r\n";
    struct Case {
        const char* name;
        SmtpStep step;
        SmtpAnswer answer;
    };
    const Case cases[] = {
        {"greeting in two lines", SmtpStep::Greeting,
         SmtpAnswer::Reply("220-mail.example.test\r\n220 ready\r\n")},
        {"greeting lines in separate packets", SmtpStep::Greeting,
         SmtpAnswer::Packets({"220-first\r\n", "220-second\r\n", "220 last\r\n"})},
        {"code split", SmtpStep::Helo, SmtpAnswer::Packets({"2", "50 hello\r\n"})},
        {"line end split", SmtpStep::Helo, SmtpAnswer::Packets({"250 hello\r", "\n"})},
        {"multi-line split mid-line", SmtpStep::Helo,
         SmtpAnswer::Packets({"250-mail.example.test\r\n250-SI", "ZE 1000\r\n25", "0 HELP\r\n"})},
        {"bare line feeds", SmtpStep::MailFrom, SmtpAnswer::Reply("250-one\n250 two\n")},
        {"over-long continuation line", SmtpStep::MailFrom,
         SmtpAnswer::Packets({longLine.substr(0, 5000), longLine.substr(5000), "250 ok\r\n"})},
        {"DATA reply in pieces", SmtpStep::Data, SmtpAnswer::Packets({"35", "4 go", " on\r\n"})},
        {"end of data multi-line", SmtpStep::EndOfData,
         SmtpAnswer::Packets({"250-queued\r\n", "250 as 12345\r\n"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        server.Answer(c.step, c.answer);
        MailMessage message = TwoRecipientMessage();
        OpenSmtpClient client("127.0.0.1", server.Port());
        ASSERT_TRUE(client.Connect()) << client.LastError();
        ASSERT_TRUE(client.Send(message)) << client.LastError();
        EXPECT_TRUE(client.Disconnect()) << client.LastError();
        EXPECT_EQ(server.Commands(), kFullConversation);
    }
}

TEST(SmtpClient, TheFirstLineOfAMultiLineReplyDecides) {
    ScriptedSmtpServer server;
    server.Answer(
        SmtpStep::MailFrom,
        SmtpAnswer::Packets({"550-not here\r\n", "250 but this line is not the code\r\n"}));
    OpenSmtpClient client("127.0.0.1", server.Port());
    ASSERT_TRUE(client.Connect());
    MailMessage message = TwoRecipientMessage();
    EXPECT_FALSE(client.Send(message));
    EXPECT_EQ(client.LastError(), "550:SMTP server error");
    EXPECT_TRUE(client.Disconnect()) << "the QUIT reply is read as its own reply";
}

// A security or a login asks for EHLO; a secure connection or a login that cannot be had ends
// the connection before anything else is said, and no password ever goes out in plain text.
TEST(SmtpClient, SecurityOrALoginThatCannotBeHadEndsTheConnectionAfterEhlo) {
    struct Case {
        const char* name;
        MailSecurity security;
        const char* user;
        const char* ehloReply;
        Commands commands;
        const char* lastError;
    };
    const Case cases[] = {
        {"STARTTLS not offered",
         MailSecurity::StartTls,
         "",
         "250-test.local\r\n250 AUTH PLAIN\r\n",
         {"EHLO tester.local"},
         "The mail server does not offer STARTTLS, so no secure connection can be made."},
        {"STARTTLS refused",
         MailSecurity::StartTls,
         "",
         "250-test.local\r\n250 starttls\r\n",
         {"EHLO tester.local", "STARTTLS"},
         "500:SMTP server refused STARTTLS"},
        {"login without security",
         MailSecurity::None,
         "monitor",
         "250-test.local\r\n250 AUTH PLAIN LOGIN\r\n",
         {"EHLO tester.local"},
         "The password is only sent over a secure connection: choose STARTTLS or SSL/TLS for the "
         "mail server."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        server.Answer(SmtpStep::Helo, SmtpAnswer::Reply(c.ehloReply));
        {
            OpenSmtpClient client("127.0.0.1", server.Port());
            client.SetSecurity(c.security);
            client.SetLogin(c.user, "secret");
            EXPECT_FALSE(client.Connect());
            EXPECT_EQ(client.LastError(), c.lastError);
            EXPECT_FALSE(client.IsConnected());
        }
        ASSERT_TRUE(server.WaitForSessionsEnded(1));
        EXPECT_EQ(server.Commands(), c.commands);
    }
}

// TLS from the first byte to a server that speaks plain SMTP, or says nothing at all: the
// handshake fails at once or within the step's bound, never later.
TEST(SmtpClient, AHandshakeThatCannotCompleteEndsWithinTheStepBound) {
    using std::chrono::milliseconds;
    constexpr milliseconds kBound{300};
    struct Case {
        const char* name;
        SmtpAnswer greeting;
        const char* lastError;
    };
    const Case cases[] = {
        // The TLS library's reason follows in parentheses.
        {"plain server", SmtpAnswer::Reply("220 test.local ready\r\n"),
         "No secure connection to the mail server\n\nThe server did not make a secure connection "
         "("},
        {"silent server", SmtpAnswer::Silent(),
         "No secure connection to the mail server\n\nThe server did not complete the secure "
         "connection in time."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        server.Answer(SmtpStep::Greeting, c.greeting);
        OpenSmtpClient client("127.0.0.1", server.Port());
        client.SetTimeouts(test::kTestTimeout, kBound);
        client.SetSecurity(MailSecurity::Tls);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(client.Connect());
        EXPECT_LT(std::chrono::steady_clock::now() - start, kBound * 3 / 2);
        EXPECT_EQ(client.LastError().rfind(c.lastError, 0), 0u) << client.LastError();
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(MailSecurity, ReadsTheStoredNames) {
    EXPECT_EQ(MailSecurityFromText("None"), MailSecurity::None);
    EXPECT_EQ(MailSecurityFromText("STARTTLS"), MailSecurity::StartTls);
    EXPECT_EQ(MailSecurityFromText("starttls"), MailSecurity::StartTls);
    EXPECT_EQ(MailSecurityFromText("SSL/TLS"), MailSecurity::Tls);
    EXPECT_EQ(MailSecurityFromText(""), MailSecurity::None);
    EXPECT_EQ(MailSecurityFromText("TLS 1.3"), MailSecurity::None);
}

TEST(SmtpClient, HeloCarriesTheHostNameOrAnAddressLiteral) {
    const std::string systemName = LocalHostName();
    struct Case {
        const char* name;
        std::function<std::string()> reader;  // empty: the system's host name
        std::string helo;
    };
    const Case cases[] = {
        {"readable name", [] { return std::string("workstation.example.test"); },
         "HELO workstation.example.test"},
        {"unreadable name", [] { return std::string(); }, "HELO [127.0.0.1]"},
        {"system name", nullptr, "HELO " + (systemName.empty() ? "[127.0.0.1]" : systemName)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer server;
        {
            OpenSmtpClient client("127.0.0.1", server.Port());
            client.SetHostNameReader(c.reader);
            ASSERT_TRUE(client.Connect());
        }
        ASSERT_TRUE(server.WaitForSessionsEnded(1));
        ASSERT_FALSE(server.Commands().empty());
        EXPECT_EQ(server.Commands().front(), c.helo);
    }
}

TEST(SmtpClient, BodyGoesOutWithCrlfLinesAndEveryLeadingDotDoubled) {
    struct Case {
        std::string body;
        std::string wire;
    };
    const Case cases[] = {
        {"one\r\n.\r\nthree\r\n", "one\r\n..\r\nthree\r\n"},
        {".\r\nrest\r\n", "..\r\nrest\r\n"},
        {".hidden\r\n", "..hidden\r\n"},
        {"a\r\n.x\r\n..y\r\n", "a\r\n..x\r\n...y\r\n"},
        {"a.b\r\nno dot. here\r\n", "a.b\r\nno dot. here\r\n"},
        {"bare\nline\nfeeds\n", "bare\r\nline\r\nfeeds\r\n"},
        {"bare\rreturn\r", "bare\r\nreturn\r\n"},
        {"mixed\n\r\n\n", "mixed\r\n\r\n\r\n"},
        {"lf then cr\n\r", "lf then cr\r\n\r\n"},
        {"\n.\n", "\r\n..\r\n"},
        {"", ""},
    };
    OpenSmtpClient client("127.0.0.1", 25);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.body));
        MailMessage message;
        message.body = c.body;
        EXPECT_EQ(client.EscapeBody(message), c.wire);
        EXPECT_EQ(message.body, c.body);
    }
}

TEST(SmtpClient, PreparedBodyEndsInExactlyOneAddedLineEnd) {
    struct Case {
        std::string body;
        std::string prepared;
    };
    const Case cases[] = {
        {"text", "text\r\n"}, {"text\r\n", "text\r\n"},
        {"text\n", "text\n"}, {"text\n\n", "text\n\n"},
        {"", "\r\n"},
    };
    OpenSmtpClient client("127.0.0.1", 25);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.body));
        MailMessage message = TwoRecipientMessage(c.body);
        ASSERT_TRUE(client.PrepareMessage(message));
        EXPECT_EQ(message.body, c.prepared);
    }
}

TEST(SmtpClient, DotLinesArriveDoubledOnTheWire) {
    ScriptedSmtpServer server;
    MailMessage message = TwoRecipientMessage("line\n.hidden\n.\nlast");
    {
        OpenSmtpClient client("127.0.0.1", server.Port());
        ASSERT_TRUE(client.Connect());
        ASSERT_TRUE(client.Send(message)) << client.LastError();
    }
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    const std::string data = server.Data();
    const std::string body = data.substr(data.find("\r\n\r\n") + 4);
    EXPECT_EQ(body, "line\r\n..hidden\r\n..\r\nlast\r\n\r\n");
}

TEST(SmtpClient, LineBreaksInAddressesAndSubjectCannotAddCommandsOrHeaders) {
    ScriptedSmtpServer server;
    MailMessage message;
    message.from = "monitor@example.test>\r\nRCPT TO: <extra@example.test";
    message.subject = "Down\r\nBcc: extra@example.test";
    message.body = "text";
    message.AddRecipient("ann@example.test>\nRCPT TO: <other@example.test");
    {
        OpenSmtpClient client("127.0.0.1", server.Port());
        ASSERT_TRUE(client.Connect());
        ASSERT_TRUE(client.Send(message)) << client.LastError();
    }
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    EXPECT_EQ(
        server.Commands(),
        (Commands{"HELO tester.local",
                  "MAIL From: <monitor@example.test>RCPT TO: <extra@example.test>",
                  "RCPT TO: <ann@example.test>RCPT TO: <other@example.test>", "DATA", "QUIT"}));
    const std::string data = server.Data();
    EXPECT_NE(data.find("\r\nSubject: DownBcc: extra@example.test\r\n"), std::string::npos) << data;
    EXPECT_EQ(data.find("\r\nBcc:"), std::string::npos) << data;
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

MailMessage DottedMessage() {
    MailMessage message;
    message.from = "monitor@example.test";
    message.subject = "Secure";
    message.body = "first\n.\n.hidden\nlast";
    message.AddRecipient("ops@example.test", "Ops ");
    message.AddRecipient("admin@example.test");
    return message;
}

// The servers take no mail without STARTTLS or TLS and a login, so a mail that arrives went over
// a secured connection after a login.
TEST_F(SecureSmtpServer, MailArrivesExactlyOverEachKindOfSecurityAndLogin) {
    struct Case {
        const char* name;
        MailSecurity security;
        const char* mode;
        const char* mechanism;
    };
    const Case cases[] = {
        {"STARTTLS, PLAIN", MailSecurity::StartTls, "--starttls", "PLAIN"},
        {"TLS, LOGIN", MailSecurity::Tls, "--tls", "LOGIN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PythonSmtpSink sink;
        if (!Launch(sink, {c.mode, loopback_.certificateFile, loopback_.keyFile, "--login",
                           "monitor", "pa ss:word", "--mechanism", c.mechanism})) {
            return;
        }
        MailMessage message = DottedMessage();
        SmtpClient client("127.0.0.1", sink.Port());
        client.SetSecurity(c.security, authority_.CertificateFile());
        client.SetLogin("monitor", "pa ss:word");
        ASSERT_TRUE(client.Connect()) << client.LastError();
        ASSERT_TRUE(client.Send(message)) << client.LastError();
        EXPECT_TRUE(client.Disconnect()) << client.LastError();

        const std::string mail = sink.Message(1);
        EXPECT_EQ(sink.Envelope(1), "monitor@example.test\nops@example.test\nadmin@example.test\n");
        ASSERT_NE(mail.find("\r\n\r\n"), std::string::npos) << mail;
        EXPECT_EQ(mail.substr(0, mail.find("\r\n\r\n") + 4), message.header);
        EXPECT_EQ(mail.substr(mail.find("\r\n\r\n") + 4), "first\r\n.\r\n.hidden\r\nlast\r\n\r\n");
    }
}

TEST_F(SecureSmtpServer, ARefusedLoginShowsTheServersReply) {
    PythonSmtpSink sink;
    if (!Launch(sink, {"--starttls", loopback_.certificateFile, loopback_.keyFile, "--login",
                       "monitor", "right"})) {
        return;
    }
    SmtpClient client("127.0.0.1", sink.Port());
    client.SetSecurity(MailSecurity::StartTls, authority_.CertificateFile());
    client.SetLogin("monitor", "wrong");
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(),
              "The mail server refused the login\n\n535 5.7.8 Authentication credentials invalid");
    EXPECT_FALSE(client.IsConnected());
}

// Every certificate the client cannot trust for this server ends the connection with the reason.
TEST_F(SecureSmtpServer, ACertificateThatDoesNotProveTheServerIsRefusedWithTheReason) {
    const std::string prefix = "No secure connection to the mail server\n\n";
    struct Case {
        const char* name;
        TestAuthority::Issued certificate;
        bool trustAuthority;
        std::string lastError;
    };
    const Case cases[] = {
        {"another host", authority_.Issue("other", "DNS:mail.other.test"), true,
         prefix + "The server's certificate is for another host, not 127.0.0.1."},
        {"expired", authority_.Issue("expired", "IP:127.0.0.1", -2 * 86400, -86400), true,
         prefix + "The server's certificate has expired."},
        {"unknown authority", loopback_, false,
         prefix + "The server's certificate is not trusted: no known certificate authority signed "
                  "it."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PythonSmtpSink sink;
        if (!Launch(sink, {"--tls", c.certificate.certificateFile, c.certificate.keyFile})) {
            return;
        }
        SmtpClient client("127.0.0.1", sink.Port());
        client.SetSecurity(MailSecurity::Tls, c.trustAuthority ? authority_.CertificateFile() : "");
        EXPECT_FALSE(client.Connect());
        EXPECT_EQ(client.LastError(), c.lastError);
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST_F(SecureSmtpServer, AServerWithoutStartTlsGetsNoMail) {
    PythonSmtpSink sink;
    if (!Launch(sink, {})) {
        return;
    }
    MailMessage message = DottedMessage();
    SmtpClient client("127.0.0.1", sink.Port());
    client.SetSecurity(MailSecurity::StartTls, authority_.CertificateFile());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(),
              "The mail server does not offer STARTTLS, so no secure connection can be made.");
    EXPECT_FALSE(client.Send(message));
    EXPECT_EQ(sink.Message(1, std::chrono::milliseconds(100)), "");
}

}  // namespace
}  // namespace orvalis
