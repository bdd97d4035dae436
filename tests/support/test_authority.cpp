#include "support/test_authority.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace orvalis::test {
namespace {

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr) throw std::runtime_error("bad certificate extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* NewCertificate(EVP_PKEY* key, const std::string& commonName, long serial, long validFrom,
                     long validUntil) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), validFrom);
    X509_gmtime_adj(X509_getm_notAfter(certificate), validUntil);
    X509_set_pubkey(certificate, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    return certificate;
}

void WritePem(const std::filesystem::path& path, X509* certificate, EVP_PKEY* key) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
    const bool written = certificate != nullptr ? PEM_write_X509(file, certificate) == 1
                                                : PEM_write_PrivateKey(file, key, nullptr, nullptr,
                                                                       0, nullptr, nullptr) == 1;
    std::fclose(file);
    if (!written) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

TestAuthority::TestAuthority() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) throw std::runtime_error("cannot make a key");
    X509* certificate = NewCertificate(key, "Orvalis Test Authority", serial_++, -3600, 24 * 3600);
    X509_set_issuer_name(certificate, X509_get_subject_name(certificate));
    AddExtension(certificate, certificate, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate, certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(certificate, certificate, NID_subject_key_identifier, "hash");
    X509_sign(certificate, key, EVP_sha256());
    key_ = key;
    certificate_ = certificate;
    WritePem(CertificateFile(), certificate, nullptr);
}

TestAuthority::~TestAuthority() {
    X509_free(static_cast<X509*>(certificate_));
    EVP_PKEY_free(static_cast<EVP_PKEY*>(key_));
}

std::string TestAuthority::CertificateFile() const {
    return (folder_.Path() / "authority.pem").string();
}

TestAuthority::Issued TestAuthority::Issue(const std::string& name, const std::string& altName,
                                           long validFrom, long validUntil) {
    auto* issuer = static_cast<X509*>(certificate_);
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) throw std::runtime_error("cannot make a key");
    X509* certificate = NewCertificate(key, name, serial_++, validFrom, validUntil);
    X509_set_issuer_name(certificate, X509_get_subject_name(issuer));
    AddExtension(certificate, issuer, NID_subject_alt_name, altName.c_str());
    AddExtension(certificate, issuer, NID_ext_key_usage, "serverAuth");
    AddExtension(certificate, issuer, NID_authority_key_identifier, "keyid");
    X509_sign(certificate, static_cast<EVP_PKEY*>(key_), EVP_sha256());

    Issued issued{(folder_.Path() / (name + ".pem")).string(),
                  (folder_.Path() / (name + ".key")).string()};
    WritePem(issued.certificateFile, certificate, nullptr);
    WritePem(issued.keyFile, nullptr, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return issued;
}

}  // namespace orvalis::test
