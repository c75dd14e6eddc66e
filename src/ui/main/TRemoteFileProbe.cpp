#include "ui/main/TRemoteFileProbe.h"

#include "engine/TFTPWorker.h"
#include "engine/TListing.h"
#include "queue/DateTimeValue.h"

TRemoteFileProbe::TRemoteFileProbe(const THost& host, const QString& directory, const QString& name,
                                   TDone done, TCertificateAsker askCertificate, QObject* parent)
    : QObject(parent)
    , m_directory(directory)
    , m_name(name)
    , m_done(std::move(done))
    , m_askCertificate(std::move(askCertificate))
    , m_worker(std::make_unique<TFTPWorker>())
{
    m_host.Assign(host);
    m_worker->setOnCertificate(this, [this](TFTPWorker&, TCertificatePrompt& prompt) {
        if (m_askCertificate)
            m_askCertificate(prompt);
        else
            prompt.Answer = TCertificateAnswer::caReject;
    });
    // commandFinished comes from the worker's thread; queued here, the worker is
    // idle when it runs, so the short ChangeDir may run on this thread.
    connect(
        m_worker.get(), &TFTPWorker::commandFinished, this,
        [this](WorkerCommand command) {
            if (command == WorkerCommand::List)
                listed();
            else if (command == WorkerCommand::Login ||
                     (command == WorkerCommand::Connect && !m_worker->IsConnected()))
                loggedIn();
        },
        Qt::QueuedConnection);
}

TRemoteFileProbe::~TRemoteFileProbe()
{
    m_worker->clearEvents();
    m_worker->Shutdown();
}

void TRemoteFileProbe::start()
{
    m_worker->start();
    m_worker->SetHost(m_host);
}

QString TRemoteFileProbe::takeError()
{
    std::unique_ptr<EEngineError> error = m_worker->TakePendingError();
    if (!error)
        return {};
    QString text = error->Message();
    if (!error->ServerText().isEmpty())
        text += QStringLiteral(" (%1)").arg(error->ServerText().trimmed());
    return text;
}

void TRemoteFileProbe::loggedIn()
{
    if (m_finished)
        return;
    QString error = takeError();
    if (error.isEmpty() && !m_worker->IsConnected())
        error = QStringLiteral("not connected");
    if (!error.isEmpty()) {
        finish({false, false, -1, -1, error});
        return;
    }
    m_worker->ChangeDir(m_directory);
    error = takeError();
    if (!error.isEmpty()) {
        finish({false, false, -1, -1, error});
        return;
    }
    m_worker->List();
}

void TRemoteFileProbe::listed()
{
    if (m_finished)
        return;
    const QString error = takeError();
    const TListingPtr listing = m_worker->Listing();
    if (!error.isEmpty() || !listing) {
        finish({false, false, -1, -1, error.isEmpty() ? QStringLiteral("no listing") : error});
        return;
    }
    TRemoteFileFacts facts;
    facts.Checked = true;
    for (const ftp::ListingEntry& entry : *listing) {
        if (QString::fromStdString(entry.name) != m_name || entry.isDirectory())
            continue;
        facts.Exists = true;
        facts.Size = entry.size.value_or(-1);
        facts.Modified = EntryTimeToValue(entry.modified);
        break;
    }
    finish(facts);
}

void TRemoteFileProbe::finish(const TRemoteFileFacts& facts)
{
    m_finished = true;
    if (m_done)
        m_done(facts);
}
