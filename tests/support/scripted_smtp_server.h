#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvalis::test {

/// The points of an SMTP session where the server answers.
enum class SmtpStep { Greeting, Helo, MailFrom, RcptTo, Data, EndOfData, Quit };

/// What the server does at one step.
struct SmtpAnswer {
    /// The kind of answer.
    enum class Kind { Reply, Close, Silent };
    Kind kind = Kind::Reply;                   ///< reply, hang up, or never answer again
    std::vector<std::string> packets;          ///< a reply's bytes, sent as separate packets
    std::chrono::milliseconds stopReading{0};  ///< after replying, read nothing for this long

    /// A reply sent as one packet (`text` carries its own line ends).
    static SmtpAnswer Reply(std::string text) { return {Kind::Reply, {std::move(text)}}; }
    /// A reply sent in several packets with a short pause between them.
    static SmtpAnswer Packets(std::vector<std::string> parts) {
        return {Kind::Reply, std::move(parts)};
    }
    /// Closes the connection instead of answering.
    static SmtpAnswer Close() { return {Kind::Close, {}}; }
    /// Never answers again; keeps reading until the client leaves.
    static SmtpAnswer Silent() { return {Kind::Silent, {}}; }
    /// A reply, after which the server reads nothing for `pause` (the client's sends back up).
    static SmtpAnswer ReplyThenStopReading(std::string text, std::chrono::milliseconds pause) {
        return {Kind::Reply, {std::move(text)}, pause};
    }
};

/// An SMTP server on 127.0.0.1 (free port, own thread) that answers every step as scripted
/// (by default like a willing server) and records what it receives. Sessions are served one
/// after another. Destruction stops it promptly whatever the client does.
class ScriptedSmtpServer {
   public:
    ScriptedSmtpServer();
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    /// The port it listens on.
    int Port() const { return port_; }
    /// Sets the answer for `step` (every RCPT TO gets the same one).
    void Answer(SmtpStep step, SmtpAnswer answer);
    /// The command lines received so far, without their line ends, in order.
    std::vector<std::string> Commands() const;
    /// The content of the last DATA as it came over the wire, up to and including the line end
    /// before the terminating ".\r\n".
    std::string Data() const;
    /// When the server last finished answering `step`; the epoch when it never did.
    std::chrono::steady_clock::time_point AnsweredAt(SmtpStep step) const;
    /// Waits until `count` sessions have ended; false when `timeout` passed first.
    bool WaitForSessionsEnded(int count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10));

   private:
    void Run();
    void Serve(int fd);
    bool Respond(int fd, SmtpStep step, bool& silent);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::map<SmtpStep, SmtpAnswer> answers_;
    std::map<SmtpStep, std::chrono::steady_clock::time_point> answeredAt_;
    std::vector<std::string> commands_;
    std::string data_;
    int sessionsEnded_ = 0;
    std::thread thread_;
};

}  // namespace orvalis::test
