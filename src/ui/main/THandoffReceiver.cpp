#include "ui/main/THandoffReceiver.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

#include "core/AppRegistry.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "platform/THandoffServer.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/DestinationDirectoryFormUnit.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TVantorApplication.h"

THandoffReceiver::THandoffReceiver(TMainForm& window, platform::THandoffChannel channel)
    : QObject(&window)
    , m_window(window)
    , m_channel(std::move(channel))
    , m_server(new platform::THandoffServer(m_channel, this))
{
    // Queued: the socket's handler ends before a dialog of the message runs.
    connect(m_server, &platform::THandoffServer::received, this, &THandoffReceiver::enqueue,
            Qt::QueuedConnection);
}

THandoffReceiver::~THandoffReceiver() = default;

THandoffReceiver* THandoffReceiver::createFor(TMainForm& window)
{
    const QString folder = MainConfig() ? QDir::fromNativeSeparators(MainConfig()->DataFolder()) : QString();
    if (folder.isEmpty())
        return nullptr;
    auto* receiver = new THandoffReceiver(window, platform::THandoffChannel(folder));
    QString error;
    if (!receiver->m_server->listen(&error))
        window.AddToLog(
            TLogKind::lkError,
            QStringLiteral("Files and addresses from the desktop cannot reach this window: %1").arg(error));
    return receiver;
}

bool THandoffReceiver::isListening() const
{
    return m_server->isListening();
}

void THandoffReceiver::enqueue(int message, qint64 wParam, const QByteArray& block, bool blockValid)
{
    m_pending.push_back({message, wParam, block, blockValid});
    // A message that arrives while another is handled (in the event loop of its
    // destination dialog) waits for its turn instead of nesting.
    if (m_handling)
        return;
    m_handling = true;
    QPointer<THandoffReceiver> alive(this);
    while (alive && !m_pending.empty()) {
        const TMessage next = std::move(m_pending.front());
        m_pending.pop_front();
        dispatch(next);
    }
    if (alive)
        m_handling = false;
}

void THandoffReceiver::dispatch(const TMessage& message)
{
    switch (message.message) {
    case platform::WM_BROWSERURL:
        if (!message.blockValid) {
            m_window.AddToLog(TLogKind::lkError,
                              QStringLiteral("The address from the browser was cut short"));
            return;
        }
        m_window.ReceiveBrowserURL(message.block);
        break;
    case platform::WM_EXPLORERFILES:
        // A block without its end is not used: its last path could be cut.
        m_window.ReceiveExplorerFiles(message.wParam, message.blockValid ? message.block : QByteArray());
        break;
    default:
        m_window.BringToFront();
        break;
    }
}

// ---- the window's handlers -------------------------------------------------------------

void TMainForm::BringToFront()
{
    if (isMinimized() || isHidden())
        showNormal();
    raise();
    activateWindow();
    QApplication::alert(this);
}

void TMainForm::ReceiveBrowserURL(const QByteArray& block)
{
    AddToLog(TLogKind::lkDebug, QStringLiteral("Got message about URL from browser"));
    const std::optional<QString> url = platform::DecodeUrlBlock(block);
    if (!url) {
        // A line break in it would end up in the commands sent to the server.
        AddToLog(TLogKind::lkError, QStringLiteral("The address from the browser holds control characters"));
        return;
    }
    AddToLog(TLogKind::lkDebug, QStringLiteral("Got URL from browser %1").arg(*url));
    THost host;
    host.SetFromURL(*url);
    if (TQuickHosts* quick = QuickHosts()) {
        QString error;
        if (!quick->AddOrUpdate(host, &error) && !error.isEmpty())
            AddToLog(TLogKind::lkError, error);
    }
    ConnectToHost(host);
}

void TMainForm::ReceiveExplorerFiles(qint64 hostIndex, const QByteArray& block)
{
    AddToLog(TLogKind::lkDebug, QStringLiteral("Got message about files from explorer"));
    const std::unique_ptr<platform::TRegistryStore> registry = OpenAppRegistry();
    if (!registry || !registry->keyExists(THosts::kRegistryKey))
        return;
    const QStringList ids = registry->subKeys(THosts::kRegistryKey);
    if (hostIndex < 0 || hostIndex >= ids.size())
        return;
    THosts* hosts = Hosts();
    const THost* found = hosts ? hosts->FindByID(ids[int(hostIndex)]) : nullptr;
    if (!found)
        return;
    // A copy: the host store may be reloaded while the dialog runs.
    const THost host = *found;
    const QStringList files = platform::SplitFileList(block);
    BringToFront();

    QPointer<TDestinationDirectoryForm> dialog = new TDestinationDirectoryForm(this);
    dialog->setUp(host);
    const bool confirmed = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return; // the window went away while the dialog ran
    const QString destination = dialog->uploadDirectory();
    delete dialog;
    if (!confirmed || !m_queue)
        return;
    for (const QString& file : files) {
        AddToLog(TLogKind::lkDebug, QStringLiteral("Got file from explorer %1").arg(file));
        const QString native = QDir::toNativeSeparators(file);
        const qsizetype separator = native.lastIndexOf(QDir::separator());
        try {
            m_queue->AddUpload(host, native.left(separator + 1), true, destination, native);
        } catch (const std::exception& error) {
            // A file gone since the file manager listed it: the others still go.
            AddToLog(TLogKind::lkError, TVantorApplication::describe(error));
        }
    }
    AddToLog(TLogKind::lkDebug, QStringLiteral("Uploading all to %1%2").arg(host.CommonName, destination));
}
