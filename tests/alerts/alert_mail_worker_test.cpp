#include "alerts/alert_mail_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alerts/forwarding_messages.h"
#include "alerts/smtp_test_helpers.h"
#include "support/scripted_smtp_server.h"

namespace orvalis {
namespace {

using std::chrono::steady_clock;
using test::RealSmtpServer;
using test::ScriptedSmtpServer;
using test::SmtpAnswer;
using test::SmtpStep;

AppSettings MailSettings(int port, const std::string& server = "127.0.0.1") {
    AppSettings settings;
    settings.SmtpPort = port;
    settings.SendEmail = 1;
    settings.SmtpServer = server;
    settings.EmailAddress = "ops@example.test";
    settings.SenderEmail = "monitor@example.test";
    return settings;
}

// The failure texts the worker reported, and the threads it reported them on.
struct Failures {
    std::mutex mutex;
    std::vector<std::string> texts;
    std::vector<std::thread::id> threads;

    AlertMailWorker::FailureHandler Handler() {
        return [this](const std::string& text) {
            std::lock_guard lock(mutex);
            texts.push_back(text);
            threads.push_back(std::this_thread::get_id());
        };
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(mutex);
        return texts;
    }
};

bool WaitUntilIdle(const AlertMailWorker& worker) {
    const auto deadline = steady_clock::now() + std::chrono::seconds(10);
    while (!worker.Idle()) {
        if (steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool WaitForCommands(const ScriptedSmtpServer& server, std::size_t count) {
    const auto deadline = steady_clock::now() + std::chrono::seconds(10);
    while (server.Commands().size() < count) {
        if (steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST_F(RealSmtpServer, QueuedMailsArriveOneByOneInOrder) {
    Failures failures;
    AlertMailWorker worker(failures.Handler());
    worker.Enqueue("Site Watch", MailSettings(sink_.Port()), "www.alpha.test");
    worker.Enqueue("Site Watch", MailSettings(sink_.Port()), "www.beta.test\n\nshop.gamma.test");

    const std::string first = sink_.Message(1);
    const std::string second = sink_.Message(2);
    EXPECT_NE(first.find("\r\n\r\nwww.alpha.test\r\n"), std::string::npos) << first;
    EXPECT_NE(second.find("servers are down\r\n\r\nwww.beta.test\r\n\r\nshop.gamma.test\r\n"),
              std::string::npos)
        << second;
    ASSERT_TRUE(WaitUntilIdle(worker));
    EXPECT_TRUE(failures.Texts().empty());
}

// A failure is handed over on the worker's thread, and the mails after it still go out.
TEST(AlertMailWorker, ReportsAFailureAndGoesOnWithTheNextMail) {
    ScriptedSmtpServer server;  // listens on 127.0.0.1 only, so 127.0.0.2 refuses
    Failures failures;
    AlertMailWorker worker(failures.Handler());
    worker.Enqueue("Site Watch", MailSettings(server.Port(), "127.0.0.2"), "www.alpha.test");
    worker.Enqueue("Site Watch", MailSettings(server.Port()), "www.beta.test");
    ASSERT_TRUE(server.WaitForSessionsEnded(1));
    ASSERT_TRUE(WaitUntilIdle(worker));

    EXPECT_EQ(failures.Texts(),
              std::vector<std::string>{"Failed to send email\n\nUnable to connect to mail "
                                       "server\n\nPlease check that your SMTP server name is "
                                       "correct"});
    EXPECT_NE(failures.threads.at(0), std::this_thread::get_id());
    EXPECT_NE(server.Data().find("\r\nwww.beta.test\r\n"), std::string::npos);
}

// A server that stops answering (each reply may take 30 s) must hold up neither the caller
// handing over mails nor the shutdown: a stop closes the connection at once, drops the mails
// still waiting and reports no failure of its own making.
TEST(AlertMailWorker, ASilentServerBlocksNeitherTheCallerNorTheStop) {
    ScriptedSmtpServer server;
    server.Answer(SmtpStep::Helo, SmtpAnswer::Silent());
    Failures failures;
    auto worker = std::make_unique<AlertMailWorker>(failures.Handler());

    const auto enqueueStart = steady_clock::now();
    for (const char* host : {"www.alpha.test", "www.beta.test", "www.gamma.test"}) {
        worker->Enqueue("Site Watch", MailSettings(server.Port()), host);
    }
    EXPECT_LT(steady_clock::now() - enqueueStart, std::chrono::milliseconds(100));
    ASSERT_TRUE(WaitForCommands(server, 1));  // HELO sent, its reply never comes
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    worker->Enqueue("Site Watch", MailSettings(server.Port()), "www.delta.test");
    EXPECT_FALSE(worker->Idle());

    const auto stopStart = steady_clock::now();
    worker.reset();
    EXPECT_LT(steady_clock::now() - stopStart, std::chrono::seconds(1));
    EXPECT_TRUE(server.WaitForSessionsEnded(1, std::chrono::seconds(1)))
        << "the connection was left open";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(server.Commands().size(), 1u) << "a dropped mail was still sent";
    EXPECT_TRUE(failures.Texts().empty());
}

TEST(ForwardingMessages, HandsEachMessageOnAndNeverAnswersAQuestionWithConsent) {
    struct Case {
        MessageButtons buttons;
        MessageAnswer answer;
    };
    const Case cases[] = {
        {MessageButtons::Ok, MessageAnswer::Ok},
        {MessageButtons::OkCancel, MessageAnswer::Cancel},
        {MessageButtons::YesNo, MessageAnswer::No},
        {MessageButtons::YesNoDefaultNo, MessageAnswer::No},
        {MessageButtons::YesNoCancel, MessageAnswer::Cancel},
    };
    std::vector<std::string> forwarded;
    ForwardingMessages messages([&](const std::string& text, MessageIcon icon) {
        forwarded.push_back(text + (icon == MessageIcon::Error ? " (error)" : ""));
    });
    for (const Case& c : cases) {
        EXPECT_EQ(messages.Show("text", MessageIcon::Error, c.buttons), c.answer);
    }
    EXPECT_EQ(forwarded.size(), std::size(cases));
    EXPECT_EQ(forwarded.front(), "text (error)");
}

}  // namespace
}  // namespace orvalis
