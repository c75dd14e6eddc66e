#include "CliCertificate.h"

#include <cstdio>

#include "ftp/CertificateInfo.h"

namespace cli {

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

bool fingerprintMatches(const std::optional<std::string>& given, const TCertificatePrompt& prompt)
{
    return given && ftp::CertificateInfo::sameFingerprint(*given, utf8(prompt.Fingerprint));
}

void printUntrustedCertificate(const TCertificatePrompt& prompt, const std::optional<std::string>& given)
{
    // Every reason the verification found, one a line.
    std::string reasons;
    for (const QString& error :
         prompt.VerifyErrors.isEmpty() ? QStringList{prompt.VerifyError} : prompt.VerifyErrors)
        reasons += "  not trusted: " + utf8(error) + "\n";
    std::fprintf(stderr,
                 "The certificate of %s:%d is not trusted.\n%s  subject:  %s\n  issuer:   %s\n"
                 "  valid:    %s to %s\n  SHA-256:  %s\n",
                 utf8(prompt.Host).c_str(), prompt.Port, reasons.c_str(), utf8(prompt.Subject).c_str(),
                 utf8(prompt.Issuer).c_str(), utf8(prompt.NotBefore.toString(Qt::ISODate)).c_str(),
                 utf8(prompt.NotAfter.toString(Qt::ISODate)).c_str(), utf8(prompt.FingerprintText).c_str());
    if (!prompt.PreviouslyTrustedFingerprint.isEmpty())
        std::fprintf(stderr,
                     "  WARNING: another certificate (SHA-256 %s) was trusted for this server before.\n",
                     utf8(prompt.PreviouslyTrustedFingerprint).c_str());
    if (given && !fingerprintMatches(given, prompt))
        std::fprintf(
            stderr,
            "  It does not match --trust-fingerprint: %s was given, the server's certificate has %s.\n",
            given->c_str(), utf8(prompt.Fingerprint).c_str());
}

void printCertificateRefusal(const TCertificatePrompt& prompt, const std::optional<std::string>& given)
{
    const std::string fingerprint = utf8(prompt.Fingerprint);
    if (given && !fingerprintMatches(given, prompt))
        std::fprintf(
            stderr,
            "vantor-ftp-cli: refused the certificate: its SHA-256 fingerprint %s does not match %s given "
            "with --trust-fingerprint\n",
            fingerprint.c_str(), given->c_str());
    else
        std::fprintf(stderr,
                     "vantor-ftp-cli: refused the certificate with SHA-256 fingerprint %s; accept it with "
                     "--trust-fingerprint %s\n",
                     utf8(prompt.FingerprintText).c_str(), fingerprint.c_str());
}

} // namespace cli
