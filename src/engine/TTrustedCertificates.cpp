#include "engine/TTrustedCertificates.h"

#include <tuple>

#include <QDir>

#include "core/AppData.h"
#include "core/EInOutError.h"
#include "ftp/CertificateInfo.h"

namespace {

constexpr const char* kFileName = "TrustedCertificates.xml";
constexpr const char* kRoot = "TrustedCertificates";
constexpr const char* kElement = "Certificate";

QString normalizedFingerprint(const QString& fingerprint)
{
    QString result = fingerprint.toLower();
    result.remove(QLatin1Char(':'));
    return result;
}

QMutex s_instanceLock;
std::unique_ptr<TTrustedCertificates> s_instance;

} // namespace

TTrustedCertificates::TTrustedCertificates(QString filePath)
    : m_filePath(std::move(filePath))
{
    m_document = std::make_unique<TXMLDocument>(m_filePath, QString::fromLatin1(kRoot));
    if (m_filePath.isEmpty()) {
        m_loadResult.status = TXMLLoadStatus::Created;
        return;
    }
    m_loadResult = m_document->open();
}

TTrustedCertificates& TTrustedCertificates::instance()
{
    QMutexLocker guard(&s_instanceLock);
    if (!s_instance) {
        QString path;
        try {
            path = QDir(GetAppDataFolder()).filePath(QString::fromLatin1(kFileName));
        } catch (const EInOutError&) {
            // No data folder: trust decisions last for this run only.
        }
        s_instance = std::make_unique<TTrustedCertificates>(path);
    }
    return *s_instance;
}

void TTrustedCertificates::resetInstance()
{
    QMutexLocker guard(&s_instanceLock);
    s_instance.reset();
}

QString TTrustedCertificates::storedFingerprint(const QString& host, int port) const
{
    QMutexLocker guard(&m_lock);
    const QString key = hostKey(host);
    for (pugi::xml_node node : m_document->root().children(kElement)) {
        if (hostKey(xmlAttribute(node, "Host")) == key && xmlAttribute(node, "Port").toInt() == port)
            return normalizedFingerprint(xmlAttribute(node, "SHA256"));
    }
    return {};
}

bool TTrustedCertificates::isTrusted(const QString& host, int port, const QString& fingerprint) const
{
    const QString wanted = normalizedFingerprint(fingerprint);
    if (wanted.isEmpty())
        return false;
    {
        QMutexLocker guard(&m_lock);
        if (m_thisRun.count({hostKey(host), port, wanted}))
            return true;
    }
    return storedFingerprint(host, port) == wanted;
}

void TTrustedCertificates::trustForThisRun(const QString& host, int port, const QString& fingerprint)
{
    QMutexLocker guard(&m_lock);
    m_thisRun.insert({hostKey(host), port, normalizedFingerprint(fingerprint)});
}

bool TTrustedCertificates::trustAlways(const TCertificatePrompt& certificate, QString* error)
{
    trustForThisRun(certificate.Host, certificate.Port, certificate.Fingerprint);
    QMutexLocker guard(&m_lock);
    pugi::xml_node root = m_document->root();
    const QString key = hostKey(certificate.Host);
    for (pugi::xml_node node = root.child(kElement); node;) {
        pugi::xml_node next = node.next_sibling(kElement);
        if (hostKey(xmlAttribute(node, "Host")) == key &&
            xmlAttribute(node, "Port").toInt() == certificate.Port)
            root.remove_child(node);
        node = next;
    }
    pugi::xml_node node = root.append_child(kElement);
    setXmlAttribute(node, "Host", key);
    setXmlAttribute(node, "Port", QString::number(certificate.Port));
    setXmlAttribute(node, "SHA256", normalizedFingerprint(certificate.Fingerprint));
    setXmlAttribute(node, "Subject", certificate.Subject);
    setXmlAttribute(node, "Issuer", certificate.Issuer);
    setXmlAttribute(node, "NotAfter", certificate.NotAfter.toString(Qt::ISODate));
    m_document->markModified();
    if (m_filePath.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("there is no data folder to keep %1 in").arg(QString::fromLatin1(kFileName));
        return false;
    }
    return m_document->save(error);
}

bool TTrustedCertificates::decide(const QString& host, int port, const ftp::CertificateInfo& info,
                                  const TAsk& ask, QString* saveError)
{
    if (info.verified)
        return true;
    const QString fingerprint = QString::fromStdString(info.sha256);
    if (isTrusted(host, port, fingerprint))
        return true;
    if (!ask)
        return false;
    TCertificatePrompt prompt = TCertificatePrompt::fromCertificate(host, port, info);
    const QString previous = storedFingerprint(host, port);
    if (previous != prompt.Fingerprint)
        prompt.PreviouslyTrustedFingerprint = previous;
    ask(prompt);
    switch (prompt.Answer) {
    case TCertificateAnswer::caAcceptOnce:
        trustForThisRun(host, port, prompt.Fingerprint);
        return true;
    case TCertificateAnswer::caAcceptAlways: {
        QString error;
        if (!trustAlways(prompt, &error) && saveError)
            *saveError = error;
        return true;
    }
    case TCertificateAnswer::caReject:
        break;
    }
    return false;
}
