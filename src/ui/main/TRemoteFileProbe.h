#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "core/THost.h"
#include "engine/TCertificatePrompt.h"

class TFTPWorker;

// What a fresh listing says of one remote file.
struct TRemoteFileFacts
{
    bool Checked = false; // the directory was listed; false: Error says why
    bool Exists = false;
    qint64 Size = -1;     // -1: the listing gave none
    double Modified = -1; // as EntryTimeToValue; -1: none
    QString Error;
};

// Lists one remote directory over a session of its own and reports what it says
// of one file in it, then closes that session.
//
// A connection of its own rather than the browsing worker's or a transfer
// thread's: the browsing session may be busy or on another host, and listing
// through it would move the remote pane to that directory; transfer threads
// list nothing and exist only while items run. One extra login is the price.
//
// Main thread. `done` is called once, on the main thread, unless the probe is
// destroyed first; the probe may be destroyed from inside `done`'s caller only
// after it returned (use deleteLater()).
class TRemoteFileProbe final : public QObject
{
    Q_OBJECT

public:
    using TDone = std::function<void(const TRemoteFileFacts&)>;
    using TCertificateAsker = std::function<void(TCertificatePrompt&)>;

    TRemoteFileProbe(const THost& host, const QString& directory, const QString& name, TDone done,
                     TCertificateAsker askCertificate, QObject* parent = nullptr);
    ~TRemoteFileProbe() override;

    void start();

private:
    void loggedIn();
    void listed();
    void finish(const TRemoteFileFacts& facts);
    QString takeError();

    THost m_host;
    QString m_directory;
    QString m_name;
    TDone m_done;
    TCertificateAsker m_askCertificate;
    std::unique_ptr<TFTPWorker> m_worker;
    bool m_finished = false;
};
