#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace orvalis::test {

namespace {

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

constexpr std::size_t kDefaultPiece = 64 * 1024;

}  // namespace

HttpResponse HttpResponse::Ok(std::string body) { return Status(200, std::move(body)); }

HttpResponse HttpResponse::Status(int status, std::string body) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

HttpResponse HttpResponse::Redirect(std::string location, int status) {
    HttpResponse response;
    response.status = status;
    response.headers.emplace_back("Location", std::move(location));
    return response;
}

HttpTestServer::HttpTestServer(std::string address, std::uint16_t port)
    : address_(std::move(address)) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];

    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (listenFd_ < 0 || inet_pton(AF_INET, address_.c_str(), &local.sin_addr) != 1 ||
        bind(listenFd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(listenFd_, 64) != 0) {
        const std::string reason = std::strerror(errno);
        if (listenFd_ >= 0) close(listenFd_);
        close(wakeRead_);
        close(wakeWrite_);
        throw std::runtime_error("cannot listen on " + address_ + ":" + std::to_string(port) +
                                 ": " + reason);
    }
    socklen_t length = sizeof local;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() { Stop(); }

std::string HttpTestServer::HostPort() const {
    return port_ == 80 ? address_ : address_ + ":" + std::to_string(port_);
}

std::string HttpTestServer::Url(const std::string& path) const {
    return "http://" + HostPort() + path;
}

void HttpTestServer::Serve(const std::string& path, HttpResponse response) {
    ServeSequence(path, {std::move(response)});
}

void HttpTestServer::ServeSequence(const std::string& path, std::vector<HttpResponse> responses) {
    std::lock_guard lock(mutex_);
    Script& script = scripts_[path];
    script.responses = std::move(responses);
    script.requests = 0;
}

int HttpTestServer::RequestCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto found = scripts_.find(path);
    return found == scripts_.end() ? 0 : found->second.requests;
}

std::string HttpTestServer::LastRequest(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto found = scripts_.find(path);
    return found == scripts_.end() ? std::string() : found->second.lastRequest;
}

int HttpTestServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void HttpTestServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
        for (int fd : openFds_) shutdown(fd, SHUT_RDWR);
    }
    const char wake = 1;
    [[maybe_unused]] ssize_t written = write(wakeWrite_, &wake, 1);
    if (acceptThread_.joinable()) acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(connectionThreads_);
    }
    for (std::thread& thread : threads) thread.join();
    close(listenFd_);
    close(wakeRead_);
    close(wakeWrite_);
}

bool HttpTestServer::Stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void HttpTestServer::AcceptLoop() {
    while (true) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        int noDelay = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            close(fd);
            return;
        }
        // Joins the threads of connections that have ended, so a long run keeps few threads.
        for (std::thread::id id : finishedThreads_) {
            auto done =
                std::find_if(connectionThreads_.begin(), connectionThreads_.end(),
                             [id](const std::thread& thread) { return thread.get_id() == id; });
            if (done == connectionThreads_.end()) continue;
            done->join();
            connectionThreads_.erase(done);
        }
        finishedThreads_.clear();
        ++connections_;
        openFds_.push_back(fd);
        connectionThreads_.emplace_back([this, fd] { ServeConnection(fd); });
    }
}

void HttpTestServer::ServeConnection(int fd) {
    std::string pending;
    bool keepOpen = true;
    while (keepOpen) {
        std::size_t headEnd;
        while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
            if (fds[1].revents != 0) break;
            char buffer[4096];
            ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            pending.append(buffer, static_cast<std::size_t>(got));
        }
        if (headEnd == std::string::npos) break;
        const std::string head = pending.substr(0, headEnd + 2);
        pending.erase(0, headEnd + 4);

        const std::size_t methodEnd = head.find(' ');
        const std::size_t targetEnd = head.find(' ', methodEnd + 1);
        if (methodEnd == std::string::npos || targetEnd == std::string::npos) break;
        const std::string method = head.substr(0, methodEnd);
        const std::string path = head.substr(methodEnd + 1, targetEnd - methodEnd - 1);

        const HttpResponse response = NextResponse(path, head);
        keepOpen = Answer(fd, response, method == "HEAD") &&
                   Lower(head).find("connection: close") == std::string::npos;
        std::lock_guard lock(mutex_);
        --atOnce_;
    }
    std::lock_guard lock(mutex_);
    close(fd);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    finishedThreads_.push_back(std::this_thread::get_id());
}

// Sends the answer after its delay; false when the connection must not serve another request.
bool HttpTestServer::Answer(int fd, const HttpResponse& response, bool headRequest) {
    if (response.delay.count() > 0) {
        pollfd fds[1] = {{wakeRead_, POLLIN, 0}};
        if (poll(fds, 1, static_cast<int>(response.delay.count())) != 0) return false;
    }
    if (response.neverAnswer) {
        HoldOpen(fd);
        return false;
    }
    return SendResponse(fd, response, headRequest);
}

int HttpTestServer::MostAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostAtOnce_;
}

// Also counts the request as being answered from now on.
HttpResponse HttpTestServer::NextResponse(const std::string& path, const std::string& head) {
    std::lock_guard lock(mutex_);
    mostAtOnce_ = std::max(mostAtOnce_, ++atOnce_);
    Script& script = scripts_[path];
    const int index = script.requests++;
    script.lastRequest = head;
    if (script.responses.empty()) return HttpResponse::Status(404, "");
    const std::size_t last = script.responses.size() - 1;
    return script.responses[std::min(static_cast<std::size_t>(index), last)];
}

// Returns true when the connection may serve another request.
bool HttpTestServer::SendResponse(int fd, const HttpResponse& response, bool headRequest) {
    const std::string pattern =
        (response.repeatTo > 0 || response.endless) && response.body.empty() ? "x" : response.body;
    const std::uint64_t total = response.endless        ? UINT64_MAX
                                : response.repeatTo > 0 ? response.repeatTo
                                                        : pattern.size();
    std::uint64_t limit = total;
    if (response.closeAfter) limit = std::min<std::uint64_t>(limit, *response.closeAfter);
    if (response.stallAfter) limit = std::min<std::uint64_t>(limit, *response.stallAfter);
    const bool closes = response.endless || response.closeAfter || response.stallAfter;

    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       ReasonPhrase(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (!response.endless) {
        head += "Content-Length: " + std::to_string(total) + "\r\n";
    }
    if (closes) head += "Connection: close\r\n";
    head += "\r\n";
    if (!SendAll(fd, head.data(), head.size())) return false;
    if (headRequest) return !closes;

    const bool repeating = response.repeatTo > 0 || response.endless;
    const std::size_t piece = response.pieceSize > 0 ? response.pieceSize
                              : repeating            ? kDefaultPiece
                                                     : std::max<std::size_t>(pattern.size(), 1);
    // A repeated pattern is laid out past one piece, so any piece is a contiguous slice of it.
    std::string cycle;
    if (repeating) {
        while (cycle.size() < piece + pattern.size()) cycle += pattern;
    }

    std::uint64_t sent = 0;
    bool first = true;
    while (sent < limit) {
        if (!first && response.pieceDelay.count() > 0) {
            pollfd fds[1] = {{wakeRead_, POLLIN, 0}};
            if (poll(fds, 1, static_cast<int>(response.pieceDelay.count())) != 0) return false;
        }
        first = false;
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece, total - sent));
        const std::size_t allowed =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, limit - sent));
        const char* data = repeating ? cycle.data() + sent % pattern.size() : pattern.data() + sent;
        if (response.chunked) {
            char sizeLine[32];
            const int length = std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", size);
            std::string frame(sizeLine, static_cast<std::size_t>(length));
            frame.append(data, allowed);
            if (allowed == size) frame += "\r\n";
            if (!SendAll(fd, frame.data(), frame.size())) return false;
        } else if (!SendAll(fd, data, allowed)) {
            return false;
        }
        sent += allowed;
    }
    if (response.stallAfter && sent < total) {
        HoldOpen(fd);
        return false;
    }
    if (closes) return false;
    if (response.chunked && !SendAll(fd, "0\r\n\r\n", 5)) return false;
    return true;
}

bool HttpTestServer::SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = send(fd, data, size, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0 || Stopping()) return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Keeps the connection open, reading and discarding, until the client leaves or the server stops.
void HttpTestServer::HoldOpen(int fd) {
    while (true) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
        char buffer[1024];
        if (recv(fd, buffer, sizeof buffer, 0) <= 0) return;
    }
}

}  // namespace orvalis::test
