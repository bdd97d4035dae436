#include "platform/tls_stream.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>

#include "platform/deadline.h"

namespace orvalis {
namespace {

using Clock = DeadlineClock;

// What the TLS library's reads and writes go through: our TCP stream, waiting at most until the
// deadline of the operation under way.
struct Link {
    TcpStream* tcp = nullptr;
    Clock::time_point deadline;
    bool ended = false;  // the server closed its side
};

int LinkWrite(BIO* bio, const char* data, std::size_t size, std::size_t* written) {
    BIO_clear_retry_flags(bio);
    auto* link = static_cast<Link*>(BIO_get_data(bio));
    const long sent = link->tcp->SendSome({data, size}, Remaining(link->deadline));
    if (sent > 0) {
        *written = static_cast<std::size_t>(sent);
        return 1;
    }
    if (sent == 0) {
        BIO_set_retry_write(bio);
    }
    return 0;
}

int LinkRead(BIO* bio, char* data, std::size_t size, std::size_t* read) {
    BIO_clear_retry_flags(bio);
    auto* link = static_cast<Link*>(BIO_get_data(bio));
    const ReceiveResult received = link->tcp->Receive(data, size, Remaining(link->deadline));
    switch (received.status) {
        case ReceiveResult::Status::Data:
            *read = received.count;
            return 1;
        case ReceiveResult::Status::TimedOut:
            BIO_set_retry_read(bio);
            return 0;
        case ReceiveResult::Status::Closed:
            link->ended = true;
            return 0;
        case ReceiveResult::Status::Error:
            return 0;
    }
    return 0;
}

long LinkControl(BIO* bio, int command, long, void*) {
    switch (command) {
        case BIO_CTRL_FLUSH:
            return 1;
        case BIO_CTRL_EOF:
            return static_cast<Link*>(BIO_get_data(bio))->ended ? 1 : 0;
        default:
            return 0;
    }
}

int LinkCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

const BIO_METHOD* LinkMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "orvalis tcp");
        BIO_meth_set_write_ex(m, LinkWrite);
        BIO_meth_set_read_ex(m, LinkRead);
        BIO_meth_set_ctrl(m, LinkControl);
        BIO_meth_set_create(m, LinkCreate);
        return m;
    }();
    return method;
}

bool IsNumericAddress(const std::string& host) {
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// Why the server's certificate was refused, in the user's words.
std::string CertificateProblem(long result, const std::string& host) {
    switch (result) {
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return "The server's certificate has expired.";
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return "The server's certificate is not valid yet.";
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "The server's certificate is for another host, not " + host + ".";
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            return "The server's certificate is not trusted: no known certificate authority "
                   "signed it.";
        default:
            return std::string("The server's certificate was refused: ") +
                   X509_verify_cert_error_string(result) + ".";
    }
}

}  // namespace

struct TlsStream::Session {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    Link link;

    ~Session() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }

    // Runs `operation` until it succeeds, fails, or the deadline passes while it waits; the
    // TLS library's error code for how it ended (SSL_ERROR_NONE on success).
    template <typename Operation>
    int Run(Operation operation) {
        for (;;) {
            ERR_clear_error();
            const int result = operation();
            if (result > 0) {
                return SSL_ERROR_NONE;
            }
            const int error = SSL_get_error(ssl, result);
            const bool waiting = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
            if (!waiting || Remaining(link.deadline).count() == 0) {
                return error;
            }
        }
    }
};

TlsStream::TlsStream(TcpStream& tcp) : tcp_(tcp) {}

TlsStream::~TlsStream() { delete session_; }

bool TlsStream::Handshake(const std::string& host, const std::string& extraCaFile,
                          std::chrono::milliseconds timeout, std::string& error) {
    delete session_;
    session_ = new Session;
    Session& s = *session_;
    s.link.tcp = &tcp_;
    s.link.deadline = Clock::now() + timeout;

    s.context = SSL_CTX_new(TLS_client_method());
    if (s.context == nullptr) {
        error = "The secure connection could not be prepared.";
        return false;
    }
    SSL_CTX_set_min_proto_version(s.context, TLS1_2_VERSION);
    SSL_CTX_set_verify(s.context, SSL_VERIFY_PEER, nullptr);
    // A server that closes without saying goodbye ends the stream like any other close.
    SSL_CTX_set_options(s.context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_default_verify_paths(s.context);
    if (!extraCaFile.empty() &&
        SSL_CTX_load_verify_locations(s.context, extraCaFile.c_str(), nullptr) != 1) {
        error = "The certificate authority file " + extraCaFile + " cannot be read.";
        return false;
    }

    s.ssl = SSL_new(s.context);
    BIO* bio = s.ssl != nullptr ? BIO_new(LinkMethod()) : nullptr;
    if (bio == nullptr) {
        error = "The secure connection could not be prepared.";
        return false;
    }
    BIO_set_data(bio, &s.link);
    SSL_set_bio(s.ssl, bio, bio);
    if (IsNumericAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(s.ssl), host.c_str());
    } else {
        SSL_set1_host(s.ssl, host.c_str());
        SSL_set_tlsext_host_name(s.ssl, host.c_str());
    }

    if (s.Run([&] { return SSL_connect(s.ssl); }) == SSL_ERROR_NONE) {
        return true;
    }
    const long verified = SSL_get_verify_result(s.ssl);
    if (verified != X509_V_OK) {
        error = CertificateProblem(verified, host);
    } else if (Remaining(s.link.deadline).count() == 0) {
        error = "The server did not complete the secure connection in time.";
    } else {
        const char* reason = ERR_reason_error_string(ERR_peek_last_error());
        error = "The server did not make a secure connection";
        error += reason != nullptr ? std::string(" (") + reason + ")." : ".";
    }
    return false;
}

bool TlsStream::SendAll(std::string_view data, std::chrono::milliseconds timeout) {
    if (session_ == nullptr) {
        return false;
    }
    Session& s = *session_;
    s.link.deadline = Clock::now() + timeout;
    while (!data.empty()) {
        std::size_t written = 0;
        if (s.Run([&] { return SSL_write_ex(s.ssl, data.data(), data.size(), &written); }) !=
            SSL_ERROR_NONE) {
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

ReceiveResult TlsStream::Receive(char* buffer, std::size_t size,
                                 std::chrono::milliseconds timeout) {
    using Status = ReceiveResult::Status;
    if (session_ == nullptr) {
        return {Status::Error, 0};
    }
    Session& s = *session_;
    s.link.deadline = Clock::now() + timeout;
    std::size_t count = 0;
    switch (s.Run([&] { return SSL_read_ex(s.ssl, buffer, size, &count); })) {
        case SSL_ERROR_NONE:
            return {Status::Data, count};
        case SSL_ERROR_ZERO_RETURN:
            return {Status::Closed, 0};
        case SSL_ERROR_WANT_READ:
        case SSL_ERROR_WANT_WRITE:
            return {Status::TimedOut, 0};
        case SSL_ERROR_SYSCALL:
            return {s.link.ended ? Status::Closed : Status::Error, 0};
        default:
            return {Status::Error, 0};
    }
}

void TlsStream::Close() {
    if (session_ != nullptr && session_->ssl != nullptr && SSL_is_init_finished(session_->ssl)) {
        session_->link.deadline = Clock::now();
        SSL_shutdown(session_->ssl);
    }
    delete session_;
    session_ = nullptr;
}

}  // namespace orvalis
