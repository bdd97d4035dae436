#include "support/scripted_smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "support/loopback_listener.h"

namespace orvalis::test {
namespace {

constexpr int kPollMs = 20;
constexpr auto kPacketPause = std::chrono::milliseconds(30);

SmtpStep StepOf(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    std::transform(verb.begin(), verb.end(), verb.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (verb == "HELO" || verb == "EHLO") return SmtpStep::Helo;
    if (verb == "MAIL") return SmtpStep::MailFrom;
    if (verb == "RCPT") return SmtpStep::RcptTo;
    if (verb == "DATA") return SmtpStep::Data;
    if (verb == "QUIT") return SmtpStep::Quit;
    return SmtpStep::Greeting;  // unknown command; answered with 500
}

}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer() {
    answers_[SmtpStep::Greeting] = SmtpAnswer::Reply("220 test.local ready\r\n");
    answers_[SmtpStep::Helo] = SmtpAnswer::Reply("250 test.local\r\n");
    answers_[SmtpStep::MailFrom] = SmtpAnswer::Reply("250 sender ok\r\n");
    answers_[SmtpStep::RcptTo] = SmtpAnswer::Reply("250 recipient ok\r\n");
    answers_[SmtpStep::Data] = SmtpAnswer::Reply("354 go ahead\r\n");
    answers_[SmtpStep::EndOfData] = SmtpAnswer::Reply("250 queued\r\n");
    answers_[SmtpStep::Quit] = SmtpAnswer::Reply("221 bye\r\n");

    const LoopbackListener listener = ListenOnLoopback(8);
    listenFd_ = listener.fd;
    port_ = listener.port;
    thread_ = std::thread([this] { Run(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    stop_ = true;
    thread_.join();
    close(listenFd_);
}

void ScriptedSmtpServer::Answer(SmtpStep step, SmtpAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_[step] = std::move(answer);
}

std::vector<std::string> ScriptedSmtpServer::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string ScriptedSmtpServer::Data() const {
    std::lock_guard lock(mutex_);
    return data_;
}

std::chrono::steady_clock::time_point ScriptedSmtpServer::AnsweredAt(SmtpStep step) const {
    std::lock_guard lock(mutex_);
    const auto found = answeredAt_.find(step);
    return found == answeredAt_.end() ? std::chrono::steady_clock::time_point{} : found->second;
}

bool ScriptedSmtpServer::WaitForSessionsEnded(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [&] { return sessionsEnded_ >= count; });
}

void ScriptedSmtpServer::Run() {
    while (!stop_) {
        pollfd entry{listenFd_, POLLIN, 0};
        if (poll(&entry, 1, kPollMs) <= 0) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Serve(fd);
        close(fd);
        {
            std::lock_guard lock(mutex_);
            ++sessionsEnded_;
        }
        ended_.notify_all();
    }
}

// Sends the scripted answer of `step`; false when the session is over (closed by script).
bool ScriptedSmtpServer::Respond(int fd, SmtpStep step, bool& silent) {
    SmtpAnswer answer;
    {
        std::lock_guard lock(mutex_);
        answer = answers_[step];
    }
    switch (answer.kind) {
        case SmtpAnswer::Kind::Close:
            return false;
        case SmtpAnswer::Kind::Silent:
            silent = true;
            return true;
        case SmtpAnswer::Kind::Reply:
            break;
    }
    for (std::size_t i = 0; i < answer.packets.size() && !stop_; ++i) {
        if (i > 0) std::this_thread::sleep_for(kPacketPause);
        const std::string& packet = answer.packets[i];
        send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    const auto answered = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        answeredAt_[step] = answered;
    }
    const auto readAgain = answered + answer.stopReading;
    while (!stop_ && std::chrono::steady_clock::now() < readAgain) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ScriptedSmtpServer::Serve(int fd) {
    bool silent = false;
    if (!Respond(fd, SmtpStep::Greeting, silent)) return;

    std::string buffer;
    bool inData = false;
    std::size_t searched = 0;  // how far the data was searched for its end without finding it
    std::vector<char> chunk(64 * 1024);
    while (!stop_) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, kPollMs) <= 0) continue;
        const ssize_t received = recv(fd, chunk.data(), chunk.size(), 0);
        if (received <= 0) return;
        buffer.append(chunk.data(), static_cast<std::size_t>(received));
        if (silent) continue;

        for (;;) {
            if (inData) {
                std::size_t end;
                std::size_t contentEnd;
                if (buffer.rfind(".\r\n", 0) == 0) {
                    end = 3;
                    contentEnd = 0;
                } else if ((end = buffer.find("\r\n.\r\n", searched)) != std::string::npos) {
                    contentEnd = end + 2;
                    end += 5;
                } else {
                    searched = buffer.size() < 4 ? 0 : buffer.size() - 4;
                    break;
                }
                searched = 0;
                {
                    std::lock_guard lock(mutex_);
                    data_ = buffer.substr(0, contentEnd);
                }
                buffer.erase(0, end);
                inData = false;
                if (!Respond(fd, SmtpStep::EndOfData, silent)) return;
                if (silent) break;
                continue;
            }
            const std::size_t end = buffer.find('\n');
            if (end == std::string::npos) break;
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(line);
            }
            const SmtpStep step = StepOf(line);
            if (step == SmtpStep::Greeting) {
                send(fd, "500 unknown command\r\n", 21, MSG_NOSIGNAL | MSG_DONTWAIT);
                continue;
            }
            SmtpAnswer answer;
            {
                std::lock_guard lock(mutex_);
                answer = answers_[step];
            }
            if (!Respond(fd, step, silent)) return;
            if (silent) break;
            if (step == SmtpStep::Quit) return;
            if (step == SmtpStep::Data && answer.kind == SmtpAnswer::Kind::Reply) {
                std::string reply;
                for (const std::string& packet : answer.packets) reply += packet;
                inData = reply.rfind("354", 0) == 0;
            }
        }
    }
    // Leaving on a stop request: the caller closes the connection.
}

}  // namespace orvalis::test
