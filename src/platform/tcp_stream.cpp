#include "platform/tcp_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/wait_cancel.h"

namespace orvalis {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Polls `fd` for `events` for up to `timeoutMs`, and with it the calling thread's cancel when it
// adopted one. As poll: above zero when ready, zero on time-out, below zero on an error; a fired
// cancel counts as an error (ECANCELED).
int PollStream(int fd, short events, int timeoutMs) {
    const WaitCancel* cancel = WaitCancel::OfThisThread();
    pollfd entries[2] = {{fd, events, 0}, {cancel ? cancel->Descriptor() : -1, POLLIN, 0}};
    const int ready = poll(entries, cancel ? 2 : 1, timeoutMs);
    if (ready > 0 && entries[1].revents != 0) {
        errno = ECANCELED;
        return -1;
    }
    return ready;
}

// Waits until `fd` is ready for `events` or the deadline passes; false on time-out, error or
// cancel.
bool WaitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const int ready = PollStream(fd, events, RemainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) {
        return false;
    }
    return fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// Connects `fd` to `address` before the deadline; the socket is blocking again afterwards.
bool ConnectBefore(int fd, const addrinfo& address, Clock::time_point deadline) {
    if (!SetBlocking(fd, false)) {
        return false;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            return false;
        }
        if (!WaitReady(fd, POLLOUT, deadline)) {
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return false;
        }
    }
    return SetBlocking(fd, true);
}

}  // namespace

TcpStream::~TcpStream() { Close(); }

ConnectResult TcpStream::Connect(const std::string& host, int port,
                                 std::chrono::milliseconds timeout) {
    Close();
    const auto deadline = Clock::now() + timeout;

    const WaitCancel* cancel = WaitCancel::OfThisThread();
    if (cancel && cancel->Fired()) {
        return ConnectResult::Failed;
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* addresses = nullptr;
    const std::string service = std::to_string(port);
    if (host.empty() || getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses) != 0) {
        return ConnectResult::Failed;
    }

    bool anySocket = false;
    for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
        const int fd =
            socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            continue;
        }
        anySocket = true;
        if (ConnectBefore(fd, *address, deadline)) {
            fd_ = fd;
            break;
        }
        close(fd);
        if (RemainingMs(deadline) == 0) {
            break;
        }
    }
    freeaddrinfo(addresses);
    if (fd_ >= 0) {
        return ConnectResult::Connected;
    }
    return anySocket ? ConnectResult::Failed : ConnectResult::NoSocket;
}

bool TcpStream::SendAll(std::string_view data, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!data.empty()) {
        const long sent = SendSome(data, std::chrono::milliseconds(RemainingMs(deadline)));
        if (sent <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return fd_ >= 0;
}

long TcpStream::SendSome(std::string_view data, std::chrono::milliseconds timeout) {
    if (fd_ < 0) {
        return -1;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (!WaitReady(fd_, POLLOUT, deadline)) {
            return RemainingMs(deadline) == 0 ? 0 : -1;
        }
        const ssize_t sent = send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            return static_cast<long>(sent);
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
    }
}

ReceiveResult TcpStream::Receive(char* buffer, std::size_t size,
                                 std::chrono::milliseconds timeout) {
    using Status = ReceiveResult::Status;
    if (fd_ < 0) {
        return {Status::Error, 0};
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const int ready = PollStream(fd_, POLLIN, RemainingMs(deadline));
        if (ready == 0) {
            return {Status::TimedOut, 0};
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {Status::Error, 0};
        }
        const ssize_t received = recv(fd_, buffer, size, MSG_DONTWAIT);
        if (received > 0) {
            return {Status::Data, static_cast<std::size_t>(received)};
        }
        if (received == 0) {
            return {Status::Closed, 0};
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return {Status::Error, 0};
        }
    }
}

std::string TcpStream::LocalAddress() const {
    if (fd_ < 0) {
        return {};
    }
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = nullptr;
    if (address.ss_family == AF_INET) {
        raw = &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr;
    } else if (address.ss_family == AF_INET6) {
        raw = &reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr;
    } else {
        return {};
    }
    if (inet_ntop(address.ss_family, raw, text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

void TcpStream::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace orvalis
