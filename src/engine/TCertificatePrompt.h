#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ftp {
struct CertificateInfo;
}

enum class TCertificateAnswer
{
    caReject,       // close the connection; the error is EFTRemoteCertificateRejected
    caAcceptOnce,   // trust this certificate for this host and port until the program ends
    caAcceptAlways, // and remember it in TrustedCertificates.xml
};

// The question asked when a server's certificate could not be verified and is
// not trusted: every fact a dialog or a terminal shows, and the answer, which
// the one asked fills in. Rejecting is the default.
class TCertificatePrompt final
{
public:
    static TCertificatePrompt fromCertificate(const QString& host, int port,
                                              const ftp::CertificateInfo& info);

    QString Host;
    int Port = 21;
    QString Subject;
    QString Issuer;
    QDateTime NotBefore; // UTC
    QDateTime NotAfter;
    QString VerifyError;      // why the certificate could not be verified, every reason ("; " between)
    QStringList VerifyErrors; // the same reasons one by one
    QString Fingerprint;      // SHA-256 of the certificate, 64 lower-case hex digits
    QString FingerprintText;  // "AB:CD:..." as usually shown
    QString Pem;
    // Set when another certificate is trusted for this host and port: the server's
    // certificate changed (renewed, or someone is in between).
    QString PreviouslyTrustedFingerprint;

    TCertificateAnswer Answer = TCertificateAnswer::caReject;
};
