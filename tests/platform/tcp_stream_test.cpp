#include "platform/tcp_stream.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "alerts/smtp_client.h"
#include "platform/wait_cancel.h"
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

// Runs `wait` on a thread that adopted a cancel, fires the cancel once the wait is under way,
// and returns how long the wait took in all.
std::chrono::steady_clock::duration TimeCancelledWait(const std::function<void()>& wait) {
    WaitCancel cancel;
    std::atomic<bool> started{false};
    std::chrono::steady_clock::duration took{};
    std::thread waiter([&] {
        WaitCancel::Scope scope(cancel);
        started = true;
        const auto start = std::chrono::steady_clock::now();
        wait();
        took = std::chrono::steady_clock::now() - start;
    });
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(cancel.Fired());
    cancel.Fire();
    EXPECT_TRUE(cancel.Fired());
    waiter.join();
    return took;
}

// A fired cancel cuts a connect or a receive of its thread short, long before the time-out; a
// stream on another thread does not notice it.
TEST(TcpStream, AFiredCancelEndsTheWaitsOfItsThreadAtOnce) {
    constexpr auto kLong = std::chrono::seconds(30);
    constexpr auto kPrompt = std::chrono::seconds(2);
    StalledListener stalled;
    ConnectResult connected = ConnectResult::Connected;
    EXPECT_LT(TimeCancelledWait(
                  [&] { connected = TcpStream().Connect("127.0.0.1", stalled.Port(), kLong); }),
              kPrompt);
    EXPECT_EQ(connected, ConnectResult::Failed);

    const auto [listener, port] = ListenOnLoopback(4);
    ReceiveResult::Status received = ReceiveResult::Status::Data;
    bool sentAfter = true;
    EXPECT_LT(TimeCancelledWait([&] {
                  TcpStream stream;
                  ASSERT_EQ(stream.Connect("127.0.0.1", port, kLong), ConnectResult::Connected);
                  char buffer[16];
                  received = stream.Receive(buffer, sizeof buffer, kLong).status;
                  sentAfter = stream.SendAll("QUIT\r\n", kLong);
                  EXPECT_EQ(TcpStream().Connect("127.0.0.1", port, kLong), ConnectResult::Failed)
                      << "the cancel stays fired";
              }),
              kPrompt);
    EXPECT_EQ(received, ReceiveResult::Status::Error);
    EXPECT_FALSE(sentAfter);

    TcpStream unaffected;
    ASSERT_EQ(unaffected.Connect("127.0.0.1", port, std::chrono::seconds(5)),
              ConnectResult::Connected);
    char buffer[16];
    EXPECT_EQ(unaffected.Receive(buffer, sizeof buffer, std::chrono::milliseconds(100)).status,
              ReceiveResult::Status::TimedOut);
    close(listener);
}

}  // namespace
}  // namespace orvalis
