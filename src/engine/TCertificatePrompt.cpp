#include "engine/TCertificatePrompt.h"

#include "ftp/CertificateInfo.h"

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TCertificatePrompt TCertificatePrompt::fromCertificate(const QString& host, int port,
                                                       const ftp::CertificateInfo& info)
{
    TCertificatePrompt prompt;
    prompt.Host = host;
    prompt.Port = port;
    prompt.Subject = fromUtf8(info.subject);
    prompt.Issuer = fromUtf8(info.issuer);
    prompt.NotBefore = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(info.notBefore), Qt::UTC);
    prompt.NotAfter = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(info.notAfter), Qt::UTC);
    prompt.VerifyError = fromUtf8(info.verifyError);
    for (const std::string& error : info.verifyErrors)
        prompt.VerifyErrors.append(fromUtf8(error));
    prompt.Fingerprint = fromUtf8(info.sha256).toLower();
    prompt.FingerprintText = fromUtf8(info.fingerprintText());
    prompt.Pem = fromUtf8(info.pem);
    return prompt;
}
