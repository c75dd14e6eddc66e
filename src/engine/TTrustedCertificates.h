#pragma once

#include <functional>
#include <memory>
#include <set>
#include <tuple>

#include <QMutex>
#include <QString>

#include "core/TXMLDocument.h"
#include "engine/TCertificatePrompt.h"

namespace ftp {
struct CertificateInfo;
}

// Server certificates the user chose to trust although they could not be
// verified, by host and port: TrustedCertificates.xml in the data folder (one
// element per host and port, written atomically) and, for "accept once", a set
// that lasts until the program ends.
//
// Thread-safe: the browsing worker and the transfer threads decide through the
// same store. The question itself is asked without any lock held.
class TTrustedCertificates final
{
public:
    // An empty path keeps everything in memory (nothing can be remembered).
    explicit TTrustedCertificates(QString filePath);

    // The process-wide store, loaded from the data folder on first use.
    static TTrustedCertificates& instance();
    // Drops the process-wide store; the next instance() loads again (tests,
    // a changed data folder).
    static void resetInstance();

    const TXMLLoadResult& loadResult() const { return m_loadResult; }
    const QString& filePath() const { return m_filePath; }

    bool isTrusted(const QString& host, int port, const QString& fingerprint) const;
    // The fingerprint remembered for the host and port; empty when none.
    QString storedFingerprint(const QString& host, int port) const;
    void trustForThisRun(const QString& host, int port, const QString& fingerprint);
    // Remembers the certificate (replacing any other for the host and port) and
    // saves the file. It is trusted for this run even when saving fails.
    bool trustAlways(const TCertificatePrompt& certificate, QString* error = nullptr);

    using TAsk = std::function<void(TCertificatePrompt& prompt)>;
    // The decision for a server certificate: a verified one passes; an unverified
    // one passes when trusted for its host and port; otherwise `ask` fills in the
    // prompt's answer (no `ask` rejects). `saveError` receives why an "accept
    // always" could not be written.
    bool decide(const QString& host, int port, const ftp::CertificateInfo& info, const TAsk& ask,
                QString* saveError = nullptr);

private:
    static QString hostKey(const QString& host) { return host.toLower(); }

    mutable QMutex m_lock;
    QString m_filePath;
    std::unique_ptr<TXMLDocument> m_document;
    TXMLLoadResult m_loadResult;
    std::set<std::tuple<QString, int, QString>> m_thisRun;
};
