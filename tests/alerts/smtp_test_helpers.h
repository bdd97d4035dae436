#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "alerts/smtp_client.h"
#include "support/python_smtp_sink.h"
#include "support/test_authority.h"

namespace orvalis::test {

/// Short waits so the time-out cases finish quickly.
inline constexpr std::chrono::milliseconds kTestTimeout{400};

/// The client's protected steps, opened up for direct checks.
class OpenSmtpClient : public SmtpClient {
   public:
    OpenSmtpClient(std::string host, int port) : SmtpClient(std::move(host), port) {
        SetTimeouts(kTestTimeout, kTestTimeout);
        SetHostNameReader([] { return std::string("tester.local"); });
    }
    using SmtpClient::BuildHeader;
    using SmtpClient::EscapeBody;
    using SmtpClient::PrepareMessage;
};

/// A loopback port nobody listens on (bound once, then released).
inline int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

/// A real SMTP server (aiosmtpd from the system's packages) receives what we send; the test is
/// skipped where the server is not installed.
class RealSmtpServer : public testing::Test {
   protected:
    /// Starts the server, or skips the test when it is missing.
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

    /// The running server.
    PythonSmtpSink sink_;
};

/// Real SMTP servers with TLS: a certificate authority made for the test, whose certificate
/// the clients are given, and servers the test starts as it needs them.
class SecureSmtpServer : public testing::Test {
   protected:
    /// Starts `sink` with the options of smtp_sink.py; false when it does not run, the test then
    /// being skipped (aiosmtpd missing) or failed.
    bool Launch(PythonSmtpSink& sink, const std::vector<std::string>& options) {
        std::string why;
        switch (sink.Launch(why, options)) {
            case PythonSmtpSink::Start::Running:
                return true;
            case PythonSmtpSink::Start::Missing:
                [&] { GTEST_SKIP() << why; }();
                return false;
            case PythonSmtpSink::Start::Failed:
                ADD_FAILURE() << why;
                return false;
        }
        return false;
    }

    /// The authority the servers' certificates come from.
    TestAuthority authority_;
    /// A certificate for 127.0.0.1, where the servers listen.
    TestAuthority::Issued loopback_ = authority_.Issue("loopback", "IP:127.0.0.1");
};

}  // namespace orvalis::test
