#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/tcp_stream.h"

namespace orvalis {

/// A TLS client session over an open TcpStream, with the same bounded waits. The server's
/// certificate must chain to the system's trust store (or to an extra authority given for the
/// session) and name the host the connection was meant for.
class TlsStream {
   public:
    /// A session that will run over `tcp`, which must outlive it.
    explicit TlsStream(TcpStream& tcp);
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    /// Runs the handshake for `host` (name or numeric address) within `timeout`, trusting also
    /// the authorities in the PEM file `extraCaFile` when it is not empty. False with a text for
    /// the user in `error`.
    bool Handshake(const std::string& host, const std::string& extraCaFile,
                   std::chrono::milliseconds timeout, std::string& error);
    /// Sends all of `data`, waiting at most `timeout` in all.
    bool SendAll(std::string_view data, std::chrono::milliseconds timeout);
    /// Receives at most `size` bytes, waiting at most `timeout` for the first of them.
    ReceiveResult Receive(char* buffer, std::size_t size, std::chrono::milliseconds timeout);
    /// Tells the server the session ends, without waiting for it; the TCP stream stays open.
    void Close();

   private:
    struct Session;
    TcpStream& tcp_;
    Session* session_ = nullptr;
};

}  // namespace orvalis
