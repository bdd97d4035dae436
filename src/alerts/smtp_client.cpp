#include "alerts/smtp_client.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string_view>
#include <utility>

#include "alerts/mail_date.h"
#include "platform/deadline.h"
#include "platform/host_name.h"

namespace orvalis {
namespace {

using Clock = DeadlineClock;

// No reply line is near this long; beyond it only the first four characters are kept, which
// are all that decide the code and whether more lines follow.
constexpr std::size_t kLongestLine = 4096;

// The code of a reply line. A line too short or not starting with three digits has no code and
// shows 0, which no server sends, so "0:..." tells the user the reply was missing or garbled.
int ReplyCode(std::string_view line) {
    if (line.size() < 3) {
        return 0;
    }
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

// A header field or envelope address on one line. A line break inside one would end the command
// or header early and let the rest pass as a command or header of its own.
std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n') {
            line += c;
        }
    }
    return line;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = group << 8 | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= count ? kDigits[group >> (18 - 6 * k) & 0x3F] : '=';
        }
    }
    return text;
}

// The words of one extension line ("AUTH PLAIN LOGIN"; the old "AUTH=LOGIN" form counts too).
std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '=' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

}  // namespace

MailSecurity MailSecurityFromText(const std::string& text) {
    if (SameLetters(text, "STARTTLS")) {
        return MailSecurity::StartTls;
    }
    if (SameLetters(text, "SSL/TLS")) {
        return MailSecurity::Tls;
    }
    return MailSecurity::None;
}

SmtpClient::SmtpClient(std::string serverHost, int port)
    : port_(port), serverHost_(std::move(serverHost)) {}

SmtpClient::~SmtpClient() {
    if (connected_) {
        Disconnect();
    }
}

bool SmtpClient::Connect() {
    if (connected_) {
        return true;
    }
    pending_.clear();
    switch (socket_.Connect(serverHost_, port_, connectTimeout_)) {
        case ConnectResult::Connected:
            break;
        case ConnectResult::NoSocket:
            lastError_ = "Unable to create the socket.";
            return false;
        case ConnectResult::Failed:
            lastError_ =
                "Unable to connect to mail server\n\nPlease check that your SMTP server name is "
                "correct";
            return false;
    }
    // With implicit TLS even the greeting comes over the secured connection.
    if (security_ == MailSecurity::Tls && !Secure()) {
        return false;
    }
    if (!ExpectReply(ReplyKind::Connect)) {
        lastError_ = "Server didn't respond.";
        CloseConnection();
        return false;
    }
    if (!Greet()) {
        CloseConnection();
        return false;
    }
    connected_ = true;
    return true;
}

bool SmtpClient::Greet() {
    // A plain server without a login gets the classic HELO, byte for byte as always.
    if (security_ == MailSecurity::None && user_.empty()) {
        return Command("HELO " + HeloName() + "\r\n", ReplyKind::Generic);
    }
    if (!Ehlo()) {
        return false;
    }
    if (security_ == MailSecurity::StartTls) {
        // Never a silent fall-back to plain text: without STARTTLS the mail does not go out.
        if (!Offers("STARTTLS")) {
            lastError_ =
                "The mail server does not offer STARTTLS, so no secure connection can be made.";
            return false;
        }
        if (!Command("STARTTLS\r\n", ReplyKind::StartTls)) {
            return false;
        }
        // Whatever came before the handshake must not pass for a reply after it.
        pending_.clear();
        // What the server offered in plain text counts no more once the connection is secured.
        if (!Secure() || !Ehlo()) {
            return false;
        }
    }
    return user_.empty() || Login();
}

bool SmtpClient::Ehlo() {
    extensions_.clear();
    if (!Command("EHLO " + HeloName() + "\r\n", ReplyKind::Generic)) {
        return false;
    }
    for (std::size_t i = 1; i < replyLines_.size(); ++i) {
        extensions_.push_back(replyLines_[i].size() > 4 ? replyLines_[i].substr(4) : "");
    }
    return true;
}

bool SmtpClient::Offers(std::string_view keyword) const {
    for (const std::string& line : extensions_) {
        const std::vector<std::string> words = Words(line);
        if (!words.empty() && SameLetters(words.front(), keyword)) {
            return true;
        }
    }
    return false;
}

bool SmtpClient::Secure() {
    tls_ = std::make_unique<TlsStream>(socket_);
    std::string problem;
    if (!tls_->Handshake(serverHost_, extraCaFile_, stepTimeout_, problem)) {
        lastError_ = "No secure connection to the mail server\n\n" + problem;
        CloseConnection();
        return false;
    }
    return true;
}

bool SmtpClient::Login() {
    if (!tls_) {
        lastError_ =
            "The password is only sent over a secure connection: choose STARTTLS or SSL/TLS for "
            "the mail server.";
        return false;
    }
    bool plain = false;
    bool login = false;
    for (const std::string& line : extensions_) {
        const std::vector<std::string> words = Words(line);
        if (words.empty() || !SameLetters(words.front(), "AUTH")) {
            continue;
        }
        for (const std::string& word : words) {
            plain = plain || SameLetters(word, "PLAIN");
            login = login || SameLetters(word, "LOGIN");
        }
    }
    bool accepted = false;
    if (plain) {
        accepted = Command(
            "AUTH PLAIN " + Base64(std::string(1, '\0') + user_ + '\0' + password_) + "\r\n",
            ReplyKind::LoginAccepted);
    } else if (login) {
        accepted = Command("AUTH LOGIN\r\n", ReplyKind::LoginNext) &&
                   Command(Base64(user_) + "\r\n", ReplyKind::LoginNext) &&
                   Command(Base64(password_) + "\r\n", ReplyKind::LoginAccepted);
    } else {
        lastError_ = "The mail server offers no login this program can use (PLAIN or LOGIN).";
        return false;
    }
    if (!accepted && !replyLines_.empty()) {
        // The server's own words say best why: a wrong password, a locked account, ...
        lastError_ = "The mail server refused the login\n\n";
        for (std::size_t i = 0; i < replyLines_.size(); ++i) {
            lastError_ += (i > 0 ? "\n" : "") + replyLines_[i];
        }
    }
    return accepted;
}

bool SmtpClient::Send(MailMessage& message) {
    if (!connected_) {
        lastError_ = "Must be connected";
        return false;
    }
    if (!PrepareMessage(message)) {
        return false;
    }
    return TransmitMessage(message);
}

bool SmtpClient::Disconnect() {
    if (!connected_) {
        return true;
    }
    const bool confirmed = Command("QUIT\r\n", ReplyKind::Quit);
    CloseConnection();
    return confirmed;
}

std::string SmtpClient::LastError() const { return lastError_; }

void SmtpClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds step) {
    connectTimeout_ = connect;
    stepTimeout_ = step;
}

void SmtpClient::SetHostNameReader(std::function<std::string()> reader) {
    hostNameReader_ = std::move(reader);
}

void SmtpClient::SetSecurity(MailSecurity security, std::string extraCaFile) {
    security_ = security;
    extraCaFile_ = std::move(extraCaFile);
}

void SmtpClient::SetLogin(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
}

bool SmtpClient::PrepareMessage(MailMessage& message) {
    if (!BuildHeader(message)) {
        return false;
    }
    // A body ending in a bare line feed already ends in a line end once it is on the wire.
    if (message.body.empty() || (message.body.back() != '\n' && message.body.back() != '\r')) {
        message.body += "\r\n";
    }
    return true;
}

bool SmtpClient::BuildHeader(MailMessage& message) {
    if (message.RecipientCount() == 0) {
        lastError_ = "No Recipients";
        return false;
    }
    std::string to;
    for (int i = 0; i < message.RecipientCount(); ++i) {
        std::string address;
        std::string name;
        message.GetRecipient(i, address, name);
        if (i > 0) {
            to += ",";
        }
        to += OneLine(name) + "<" + OneLine(address) + ">";
    }
    message.date = std::time(nullptr);
    message.header = "Date: " + FormatMailDate(message.date) +
                     "\r\nFrom: " + OneLine(message.from) + "\r\nTo: " + to +
                     "\r\nSubject: " + OneLine(message.subject) + "\r\nX-Mailer: <" + mailerName_ +
                     ">\r\n\r\n";
    return true;
}

std::string SmtpClient::EscapeBody(const MailMessage& message) const {
    const std::string_view body = message.body;
    std::string wire;
    wire.reserve(body.size() + body.size() / 8 + 2);
    std::size_t lineStart = 0;
    while (lineStart < body.size()) {
        // The receiver strips the first dot of every line that starts with one (RFC 5321
        // section 4.5.2), so every such line gets one more.
        if (body[lineStart] == '.') {
            wire += '.';
        }
        const std::size_t end = body.find_first_of("\r\n", lineStart);
        if (end == std::string_view::npos) {
            wire.append(body.substr(lineStart));
            break;
        }
        wire.append(body.substr(lineStart, end - lineStart));
        // RFC 5321 allows no bare CR or LF in mail data: each of CRLF, LF and CR ends a line.
        wire += "\r\n";
        lineStart = end + 1;
        if (body[end] == '\r' && lineStart < body.size() && body[lineStart] == '\n') {
            ++lineStart;
        }
    }
    return wire;
}

bool SmtpClient::TransmitMessage(MailMessage& message) {
    if (!connected_) {
        lastError_ = "Must be connected";
        return false;
    }
    if (!Command("MAIL From: <" + OneLine(message.from) + ">\r\n", ReplyKind::Generic)) {
        return false;
    }
    for (int i = 0; i < message.RecipientCount(); ++i) {
        std::string address;
        std::string name;
        message.GetRecipient(i, address, name);
        // A refused recipient neither stops nor fails the message; a lost connection does.
        if (!Command("RCPT TO: <" + OneLine(address) + ">\r\n", ReplyKind::Generic) &&
            !connected_) {
            return false;
        }
    }
    const std::string wireBody = EscapeBody(message);
    if (!Command("DATA\r\n", ReplyKind::Data)) {
        return false;
    }
    // The message and its reply are one step with one bound. Whatever part fails to go out ends
    // the transfer there: the end of the data after a cut-off part would make the server take
    // the rest for the whole message.
    const auto deadline = StepDeadline();
    return SendCommand(message.header, deadline) && SendCommand(wireBody, deadline) &&
           SendCommand("\r\n.\r\n", deadline) && ExpectReply(ReplyKind::Generic, deadline);
}

Clock::time_point SmtpClient::StepDeadline() const { return Clock::now() + stepTimeout_; }

bool SmtpClient::Command(std::string_view text, ReplyKind kind) {
    const auto deadline = StepDeadline();
    return SendCommand(text, deadline) && ExpectReply(kind, deadline);
}

bool SmtpClient::ExpectReply(ReplyKind kind, Clock::time_point deadline) {
    const ExpectedReply& expected = kExpectedReplies[static_cast<int>(kind)];
    int code = 0;
    switch (ReadReply(code, deadline)) {
        case ReplyStatus::Complete:
            break;
        case ReplyStatus::Closed:
            // The server hung up: a reply without a code, and nothing more can be said.
            CloseConnection();
            break;
        case ReplyStatus::Failed:
            // A receive error or a silent server: a late reply would be misread as the next
            // one, so the connection is given up and destruction does not wait for a QUIT reply.
            lastError_ = "Socket Error";
            CloseConnection();
            return false;
    }
    if (code == expected.code) {
        return true;
    }
    lastError_ = std::to_string(code) + ":" + expected.text;
    return false;
}

SmtpClient::ReplyStatus SmtpClient::ReadReply(int& code, Clock::time_point deadline) {
    replyLines_.clear();
    int firstCode = -1;
    char replyBuffer[1024];
    for (;;) {
        // A reply is complete with the first line whose fourth character is not "-"; its first
        // line's code decides.
        for (std::size_t end = pending_.find('\n'); end != std::string::npos;
             end = pending_.find('\n')) {
            const std::string_view line(pending_.data(), end);
            if (firstCode < 0) {
                firstCode = ReplyCode(line);
            }
            const bool last = line.size() < 4 || line[3] != '-';
            replyLines_.emplace_back(line.substr(0, line.size() - (line.ends_with('\r') ? 1 : 0)));
            pending_.erase(0, end + 1);
            if (last) {
                code = firstCode;
                return ReplyStatus::Complete;
            }
        }
        if (pending_.size() > kLongestLine) {
            pending_.resize(4);
        }
        const auto left = Remaining(deadline);
        if (left.count() == 0) {
            return ReplyStatus::Failed;
        }
        const ReceiveResult received = tls_
                                           ? tls_->Receive(replyBuffer, sizeof replyBuffer, left)
                                           : socket_.Receive(replyBuffer, sizeof replyBuffer, left);
        switch (received.status) {
            case ReceiveResult::Status::Data:
                pending_.append(replyBuffer, received.count);
                break;
            case ReceiveResult::Status::Closed:
                // A reply cut off by the close is as good as none.
                code = 0;
                replyLines_.clear();
                return ReplyStatus::Closed;
            case ReceiveResult::Status::Error:
            case ReceiveResult::Status::TimedOut:
                replyLines_.clear();
                return ReplyStatus::Failed;
        }
    }
}

std::string SmtpClient::HeloName() const {
    std::string name = hostNameReader_ ? hostNameReader_() : LocalHostName();
    if (!name.empty()) {
        return name;
    }
    // Without a name RFC 5321 asks for an address literal of this end of the connection.
    const std::string address = socket_.LocalAddress();
    if (address.empty()) {
        return "localhost";
    }
    if (address.find(':') != std::string::npos) {
        return "[IPv6:" + address + "]";
    }
    return "[" + address + "]";
}

bool SmtpClient::SendCommand(std::string_view text, Clock::time_point deadline) {
    const bool sent = tls_ ? tls_->SendAll(text, Remaining(deadline))
                           : socket_.SendAll(text, Remaining(deadline));
    if (sent) {
        return true;
    }
    // Part of the text may have gone out, so nothing sent later could be read as meant.
    lastError_ = "Socket Error";
    CloseConnection();
    return false;
}

void SmtpClient::CloseConnection() {
    if (tls_) {
        tls_->Close();
        tls_.reset();
    }
    socket_.Close();
    connected_ = false;
    pending_.clear();
}

}  // namespace orvalis
