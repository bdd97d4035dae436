#pragma once

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace orvalis::test {

/// A certificate authority made for one test: its certificate, and server certificates it
/// signs, as PEM files in a folder of its own.
class TestAuthority {
   public:
    /// A server certificate and its key.
    struct Issued {
        std::string certificateFile;  ///< PEM certificate
        std::string keyFile;          ///< PEM private key
    };

    /// Makes the authority's key and certificate; throws std::runtime_error when it cannot.
    TestAuthority();
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    /// The authority's certificate, to hand to a client that should trust it.
    std::string CertificateFile() const;
    /// Signs a server certificate for `altName` ("IP:127.0.0.1", "DNS:mail.example.test"),
    /// valid from `validFrom` to `validUntil` seconds from now, under the name `name`.
    Issued Issue(const std::string& name, const std::string& altName, long validFrom = -3600,
                 long validUntil = 24 * 3600);

   private:
    TempDir folder_;
    void* key_ = nullptr;          // EVP_PKEY
    void* certificate_ = nullptr;  // X509
    long serial_ = 1;
};

}  // namespace orvalis::test
