#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/mail_message.h"
#include "platform/tcp_stream.h"
#include "platform/tls_stream.h"

namespace orvalis {

/// Which reply a step waits for; indexes the table of expected replies.
enum class ReplyKind {
    Generic = 0,        ///< 250 after HELO, MAIL FROM, each RCPT TO and the end of data
    Connect = 1,        ///< 220, the server's greeting
    Data = 2,           ///< 354 after DATA
    Quit = 3,           ///< 221 after QUIT
    StartTls = 4,       ///< 220 after STARTTLS
    LoginNext = 5,      ///< 334, the server asks for the next part of a login
    LoginAccepted = 6,  ///< 235 at the end of a login
};

/// The code that means success for one `ReplyKind` and the text used when another code arrives.
struct ExpectedReply {
    int code;          ///< the success code
    const char* text;  ///< the failure text shown after the received code
};

/// The expected replies, indexed by `ReplyKind`.
inline constexpr ExpectedReply kExpectedReplies[] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
    {220, "SMTP server refused STARTTLS"},
    {334, "SMTP server refused the login"},
    {235, "SMTP server refused the login"},
};

/// How the connection to the mail server is secured.
enum class MailSecurity {
    None,      ///< plain text throughout
    StartTls,  ///< a plain greeting, then STARTTLS before anything else is said
    Tls,       ///< TLS from the first byte (usually port 465)
};

/// The security a stored setting names: "STARTTLS", "SSL/TLS", anything else None.
MailSecurity MailSecurityFromText(const std::string& text);

/// A small blocking SMTP client: one connection to one server, plain or over TLS, with an
/// optional login. Every failure leaves a text for the user in LastError. A client destroyed
/// while connected says QUIT first.
class SmtpClient {
   public:
    /// How long connecting and each step may take unless SetTimeouts says otherwise.
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};

    /// A closed client for `serverHost` (name or numeric address) on `port`.
    SmtpClient(std::string serverHost, int port);
    virtual ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    /// Connects, reads the greeting and says HELO; true at once when already connected.
    bool Connect();
    /// Delivers `message` over the open connection; the message gets its header and line end.
    bool Send(MailMessage& message);
    /// Says QUIT and closes; true when not connected or when the server confirmed the QUIT.
    bool Disconnect();
    /// The text of the last failure ("OK" before any).
    std::string LastError() const;
    /// True while a connection is open.
    bool IsConnected() const { return connected_; }

    /// Bounds connecting, and each step: sending a command (or the whole message) and waiting for
    /// its whole reply together, however the time is split between them.
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds step);
    /// Replaces how the local host name for HELO is read; an empty result means unreadable.
    void SetHostNameReader(std::function<std::string()> reader);
    /// Secures the next connection; the server's certificate must chain to the system's trust
    /// store or to the authorities in the PEM file `extraCaFile` (when not empty).
    void SetSecurity(MailSecurity security, std::string extraCaFile = {});
    /// Logs in as `user` on the next connection (only over TLS); an empty user means no login.
    void SetLogin(std::string user, std::string password);

   protected:
    /// Builds the header and makes the body end in a line end.
    virtual bool PrepareMessage(MailMessage& message);
    /// Sets the message's date to now and its header from date, sender, recipients and subject.
    bool BuildHeader(MailMessage& message);
    /// The body as it goes on the wire: every line end CRLF, every leading dot doubled.
    std::string EscapeBody(const MailMessage& message) const;
    /// Runs MAIL FROM, RCPT TO for each recipient, DATA and the message text.
    bool TransmitMessage(MailMessage& message);
    /// The moment by which a step starting now must have ended.
    std::chrono::steady_clock::time_point StepDeadline() const;
    /// Reads one whole reply before `deadline` and checks its code against `kind`.
    bool ExpectReply(ReplyKind kind, std::chrono::steady_clock::time_point deadline);
    /// Reads one whole reply within a step of its own and checks its code against `kind`.
    bool ExpectReply(ReplyKind kind) { return ExpectReply(kind, StepDeadline()); }
    /// Sends `text` and reads its reply, both within one step.
    bool Command(std::string_view text, ReplyKind kind);
    /// The name HELO carries.
    std::string HeloName() const;

   private:
    /// How reading a reply ended.
    enum class ReplyStatus { Complete, Closed, Failed };
    ReplyStatus ReadReply(int& code, std::chrono::steady_clock::time_point deadline);
    bool SendCommand(std::string_view text, std::chrono::steady_clock::time_point deadline);
    bool Greet();
    bool Ehlo();
    bool Offers(std::string_view keyword) const;
    bool Secure();
    bool Login();
    void CloseConnection();

    std::string lastError_ = "OK";
    bool connected_ = false;
    int port_;
    std::string mailerName_ = "Vesk Mail";
    std::string serverHost_;
    TcpStream socket_;
    std::string pending_;  // bytes received beyond the replies read so far
    std::chrono::milliseconds connectTimeout_ = kDefaultTimeout;
    std::chrono::milliseconds stepTimeout_ = kDefaultTimeout;
    std::function<std::string()> hostNameReader_;
    MailSecurity security_ = MailSecurity::None;
    std::string extraCaFile_;
    std::string user_;
    std::string password_;
    std::unique_ptr<TlsStream> tls_;       // set while the connection is secured
    std::vector<std::string> replyLines_;  // the last complete reply, without line ends
    std::vector<std::string> extensions_;  // what the server offered after EHLO
};

}  // namespace orvalis
