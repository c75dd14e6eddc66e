#pragma once

#include <memory>
#include <string>
#include <vector>

#include <openssl/types.h>

namespace testsupport {

// A self-signed certificate with its private key, made in memory at test time.
// EC P-256 keeps creation in the low milliseconds, so tests may make their own.
class TlsIdentity final
{
public:
    struct Params
    {
        std::string commonName = "127.0.0.1";
        // OpenSSL subjectAltName syntax ("IP:...", "DNS:...").
        std::vector<std::string> altNames = {"IP:127.0.0.1", "IP:::1", "DNS:localhost"};
        long notBeforeDays = -1; // relative to now; both negative makes an expired certificate
        long notAfterDays = 365;
        // RSA 2048 instead of EC P-256 (slower to make; needed for cipher suites
        // with RSA key exchange).
        bool rsaKey = false;
    };

    static std::shared_ptr<const TlsIdentity> create(const Params& params);
    // One identity per process with the default parameters, made on first use.
    static std::shared_ptr<const TlsIdentity> shared();

    ~TlsIdentity();
    TlsIdentity(const TlsIdentity&) = delete;
    TlsIdentity& operator=(const TlsIdentity&) = delete;

    const std::string& certificatePem() const { return m_certificatePem; }
    const std::string& privateKeyPem() const { return m_privateKeyPem; }
    // SHA-256 of the DER certificate: 64 lower-case hex digits, no separators.
    const std::string& fingerprintSha256() const { return m_fingerprint; }

    // A new server context (TLS 1.2 and up) using this identity, with a session
    // cache so data connections can resume the control connection's session.
    // The caller frees it with SSL_CTX_free.
    SSL_CTX* makeServerContext() const;

private:
    TlsIdentity() = default;

    X509* m_certificate = nullptr;
    EVP_PKEY* m_key = nullptr;
    std::string m_certificatePem;
    std::string m_privateKeyPem;
    std::string m_fingerprint;
};

} // namespace testsupport
