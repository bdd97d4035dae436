#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace orvalis {

/// How an attempt to open a TCP connection ended.
enum class ConnectResult {
    Connected,  ///< the stream is open
    NoSocket,   ///< no socket could be created for any address of the host
    Failed,     ///< the name did not resolve, or no address accepted within the time-out
};

/// What one receive brought.
struct ReceiveResult {
    /// How the receive ended.
    enum class Status { Data, Closed, Error, TimedOut };
    Status status = Status::Error;  ///< outcome
    std::size_t count = 0;          ///< bytes delivered when `status` is Data
};

/// One blocking TCP client stream with bounded waits. The socket is closed on every path:
/// a failed connect, Close, and destruction. On a thread that adopted a `WaitCancel`, a fired
/// cancel ends every wait at once as a failure.
class TcpStream {
   public:
    TcpStream() = default;
    ~TcpStream();
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    /// Resolves `host` (name or numeric address) and connects to the first address that accepts
    /// within `timeout` in all. Closes any stream open before.
    ConnectResult Connect(const std::string& host, int port, std::chrono::milliseconds timeout);
    /// Sends all of `data`, waiting at most `timeout` in all for the socket to take it.
    bool SendAll(std::string_view data, std::chrono::milliseconds timeout);
    /// Sends as much of `data` as the socket takes, waiting at most `timeout` for room: the count
    /// sent, 0 when there was no room in time, -1 on an error.
    long SendSome(std::string_view data, std::chrono::milliseconds timeout);
    /// Receives at most `size` bytes, waiting at most `timeout` for the first of them.
    ReceiveResult Receive(char* buffer, std::size_t size, std::chrono::milliseconds timeout);
    /// The numeric address of this end of the connection ("192.0.2.7", "::1"); empty if unknown.
    std::string LocalAddress() const;
    /// True while a socket is open.
    bool IsOpen() const { return fd_ >= 0; }
    /// Closes the socket; harmless when none is open.
    void Close();

   private:
    int fd_ = -1;
};

}  // namespace orvalis
