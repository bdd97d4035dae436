#include "support/tls_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "support/loopback_listener.h"

namespace orvalis::test {

namespace {

// A certificate for 127.0.0.1, valid from an hour ago for a day, signed with its own key.
X509* SelfSignedCertificate(EVP_PKEY* key) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    X509V3_CTX extensionContext;
    X509V3_set_ctx_nodb(&extensionContext);
    X509V3_set_ctx(&extensionContext, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* altName =
        X509V3_EXT_conf_nid(nullptr, &extensionContext, NID_subject_alt_name, "IP:127.0.0.1");
    X509_add_ext(certificate, altName, -1);
    X509_EXTENSION_free(altName);
    X509_sign(certificate, key, EVP_sha256());
    return certificate;
}

}  // namespace

TlsTestServer::TlsTestServer() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = key != nullptr ? SelfSignedCertificate(key) : nullptr;
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    const bool ready = certificate != nullptr && context != nullptr &&
                       SSL_CTX_use_certificate(context, certificate) == 1 &&
                       SSL_CTX_use_PrivateKey(context, key) == 1;
    X509_free(certificate);
    EVP_PKEY_free(key);
    context_ = context;
    if (!ready) {
        SSL_CTX_free(context);
        throw std::runtime_error("cannot make a TLS context");
    }

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    const LoopbackListener listener = ListenOnLoopback(16);
    listenFd_ = listener.fd;
    port_ = listener.port;
    thread_ = std::thread([this] { AcceptLoop(); });
}

TlsTestServer::~TlsTestServer() {
    {
        std::lock_guard lock(mutex_);
        if (currentFd_ >= 0) shutdown(currentFd_, SHUT_RDWR);
    }
    const char wake = 1;
    [[maybe_unused]] ssize_t written = write(wakeWrite_, &wake, 1);
    if (thread_.joinable()) thread_.join();
    close(listenFd_);
    close(wakeRead_);
    close(wakeWrite_);
    SSL_CTX_free(static_cast<SSL_CTX*>(context_));
}

std::string TlsTestServer::Url() const {
    return "https://127.0.0.1:" + std::to_string(port_) + "/";
}

int TlsTestServer::Handshakes() const {
    std::lock_guard lock(mutex_);
    return handshakes_;
}

void TlsTestServer::AcceptLoop() {
    while (true) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        {
            std::lock_guard lock(mutex_);
            currentFd_ = fd;
        }
        ServeConnection(fd);
        std::lock_guard lock(mutex_);
        currentFd_ = -1;
        close(fd);
    }
}

// One client at a time; a client that goes quiet is dropped after two seconds.
void TlsTestServer::ServeConnection(int fd) {
    timeval timeout{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    SSL* ssl = SSL_new(static_cast<SSL_CTX*>(context_));
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) == 1) {
        {
            std::lock_guard lock(mutex_);
            ++handshakes_;
        }
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = SSL_read(ssl, buffer, sizeof buffer);
            if (got <= 0) break;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const std::string response =
            "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nsecure";
        SSL_write(ssl, response.data(), static_cast<int>(response.size()));
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
}

}  // namespace orvalis::test
