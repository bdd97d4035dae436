#include "platform/tcp_stream.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "alerts/smtp_client.h"

namespace orvalis {
namespace {

// A loopback listener that never accepts, with its one-place queue already taken, so the next
// connection attempt gets no answer at all.
class StalledListener {
   public:
    StalledListener() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener_, 0);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        filler_ = socket(AF_INET, SOCK_STREAM, 0);
        connect(filler_, reinterpret_cast<sockaddr*>(&address), length);
    }
    ~StalledListener() {
        close(filler_);
        close(listener_);
    }
    int Port() const { return port_; }

   private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

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
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    TcpStream stream;
    ASSERT_EQ(stream.Connect("127.0.0.1", ntohs(address.sin_port), std::chrono::seconds(5)),
              ConnectResult::Connected);
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
