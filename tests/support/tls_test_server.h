#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace orvalis::test {

/// An HTTPS server on 127.0.0.1 whose certificate names 127.0.0.1 correctly but is signed by
/// itself, so only a client that skips certificate checks gets its page ("secure", status 200).
class TlsTestServer {
   public:
    /// Makes the key and certificate and starts listening on a free port.
    TlsTestServer();
    /// Stops the server; never waits for a client.
    ~TlsTestServer();

    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    /// "https://127.0.0.1:port/".
    std::string Url() const;
    /// Number of TLS handshakes that completed.
    int Handshakes() const;

   private:
    void AcceptLoop();
    void ServeConnection(int fd);

    void* context_ = nullptr;  // SSL_CTX
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    int currentFd_ = -1;
    int handshakes_ = 0;
};

}  // namespace orvalis::test
