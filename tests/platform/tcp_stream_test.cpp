#include "platform/tcp_stream.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "alerts/smtp_client.h"
#include "support/loopback_listener.h"
#include "support/stalled_listener.h"

namespace orvalis {
namespace {

using test::ListenOnLoopback;
using test::StalledListener;

TEST(TcpStream, ConnectGivesUpOnAServerThatNeverAnswers) {
    StalledListener stalled;
    TcpStream stream;
    EXPECT_EQ(stream.Connect("127.0.0.1", stalled.Port(), std::chrono::milliseconds(300)),
              ConnectResult::Failed);
    EXPECT_FALSE(stream.IsOpen());

    SmtpClient client("127.0.0.1", stalled.Port());
    client.SetTimeouts(std::chrono::milliseconds(300), std::chrono::milliseconds(300));
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(),
              "Unable to connect to mail server\n\nPlease check that your SMTP server name is "
              "correct");
}

TEST(TcpStream, ReceiveTellsDataClosedAndSilenceApart) {
    const auto [listener, port] = ListenOnLoopback(1);

    TcpStream stream;
    ASSERT_EQ(stream.Connect("127.0.0.1", port, std::chrono::seconds(5)), ConnectResult::Connected);
    EXPECT_FALSE(stream.LocalAddress().empty());
    const int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);

    char buffer[16];
    EXPECT_EQ(stream.Receive(buffer, sizeof buffer, std::chrono::milliseconds(100)).status,
              ReceiveResult::Status::TimedOut);
    ASSERT_TRUE(stream.SendAll("ping", std::chrono::seconds(1)));
    ASSERT_EQ(recv(peer, buffer, sizeof buffer, 0), 4);
    ASSERT_EQ(send(peer, "pong", 4, 0), 4);
    const ReceiveResult data = stream.Receive(buffer, sizeof buffer, std::chrono::seconds(5));
    EXPECT_EQ(data.status, ReceiveResult::Status::Data);
    EXPECT_EQ(std::string(buffer, data.count), "pong");
    close(peer);
    EXPECT_EQ(stream.Receive(buffer, sizeof buffer, std::chrono::seconds(5)).status,
              ReceiveResult::Status::Closed);
    EXPECT_FALSE(stream.SendAll(std::string(1 << 20, 'x'), std::chrono::seconds(5)))
        << "a send to a closed peer fails instead of raising SIGPIPE";
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    close(listener);
}

}  // namespace
}  // namespace orvalis
