#pragma once

#include <ctime>
#include <string>
#include <vector>

typedef struct ssl_st SSL;

namespace ftp {

// What the user is shown about a server's certificate before accepting it.
struct CertificateInfo
{
    bool verified = false;                 // chain and host name verified against the system's trust store
    std::string verifyError;               // why not, when not verified: every reason, "; " between them
    std::vector<std::string> verifyErrors; // the same reasons one by one, in the order found
    std::string sha256;                    // fingerprint of the DER form: 64 lower-case hex digits
    std::string subject;                   // one-line RFC 2253 forms
    std::string issuer;
    std::time_t notBefore = 0; // UTC
    std::time_t notAfter = 0;
    std::string pem;

    // "AB:CD:..." form of the fingerprint, as usually shown.
    std::string fingerprintText() const;

    // Makes the verification of `ssl` go on past a failure and remember every one
    // (OpenSSL stops at the first and keeps only the last: an expired certificate
    // reached by the wrong name showed only the name). The connection's
    // verification mode stays as it was; call before the handshake.
    static void collectVerifyErrors(SSL* ssl);
    // The peer certificate of an established TLS connection; empty `sha256` when none.
    static CertificateInfo fromConnection(SSL* ssl);
    // Compares fingerprints written with or without colons, in either case.
    static bool sameFingerprint(const std::string& a, const std::string& b);
};

} // namespace ftp
