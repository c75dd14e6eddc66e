#include "ui/main/TMainFormPanes.h"

#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

#include "core/TDataFileNotices.h"
#include "engine/EEngineError.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/CertificateFormUnit.h"
#include "ui/dialogs/FTPWorkerErrorFormUnit.h"
#include "ui/dialogs/QuickConnectFormUnit.h"
#include "ui/dialogs/TFileExistsDialogPrompter.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TBrowsingState.h"

struct TMainFormPanes::TParts
{
    std::unique_ptr<TFileExistsDialogPrompter> fileExists;
    QPointer<QWidget> local;
    QPointer<QWidget> remote;
    QPointer<QWidget> queue;
    QPointer<QWidget> log;
    QPointer<QPlainTextEdit> logEdit;
    TQueueManager* queueManager = nullptr;
};

TMainFormPanes::TMainFormPanes(TMainForm& window, TBrowsingState& state, const TFormLanguage& language)
    : m_window(window)
    , m_state(state)
    , m_language(language)
    , m_parts(std::make_unique<TParts>())
{
    m_parts->local = new QWidget;
    m_parts->local->setObjectName(QStringLiteral("LocalPanel"));
    m_parts->remote = new QWidget;
    m_parts->remote->setObjectName(QStringLiteral("RemotePanel"));
    m_parts->queue = new QWidget;
    m_parts->log = new QWidget;
    auto* layout = new QVBoxLayout(m_parts->log);
    layout->setContentsMargins(0, 0, 0, 0);
    m_parts->logEdit = new QPlainTextEdit(m_parts->log);
    m_parts->logEdit->setObjectName(QStringLiteral("LogEdit"));
    m_parts->logEdit->setReadOnly(true);
    layout->addWidget(m_parts->logEdit);
}

TMainFormPanes::~TMainFormPanes() = default;

QWidget* TMainFormPanes::localPanel()
{
    return m_parts->local;
}
QWidget* TMainFormPanes::remotePanel()
{
    return m_parts->remote;
}
QWidget* TMainFormPanes::queuePage()
{
    return m_parts->queue;
}
QWidget* TMainFormPanes::logPage()
{
    return m_parts->log;
}
QToolBar* TMainFormPanes::queueToolbar()
{
    return nullptr;
}
QMenu* TMainFormPanes::localViewMenu()
{
    return nullptr;
}
void TMainFormPanes::fillRemoteMenu(QMenu*) {}
QAction* TMainFormPanes::action(const QString&) const
{
    return nullptr;
}
void TMainFormPanes::applyLanguage() {}
void TMainFormPanes::applyViewSettings() {}
void TMainFormPanes::applyViewStyles() {}
void TMainFormPanes::applySortSettings() {}
void TMainFormPanes::saveSortSettings() {}
void TMainFormPanes::showToolbar(const QString& showAction, bool on, QToolBar* mainToolbar)
{
    if (showAction == QLatin1String("ShowMainToolbarAction") && mainToolbar)
        mainToolbar->setVisible(on);
}
void TMainFormPanes::updateActions() {}
void TMainFormPanes::workerConnected() {}
void TMainFormPanes::workerDisconnected() {}
void TMainFormPanes::workerLoggedIn() {}
void TMainFormPanes::workerListed() {}
void TMainFormPanes::workerDeleted() {}
void TMainFormPanes::workerBusy() {}
void TMainFormPanes::workerIdle() {}
void TMainFormPanes::askCertificate(TCertificatePrompt& prompt)
{
    AskCertificate(&m_window, prompt);
}

void TMainFormPanes::showWorkerError(std::unique_ptr<EEngineError> error)
{
    TFTPWorkerErrorForm::ShowWorkerError(&m_window, std::move(error), [this](const QString& line) {
        m_window.AddToLog(TLogKind::lkDebug, line);
    });
}

void TMainFormPanes::attachQueue(TQueueManager& queue)
{
    m_parts->queueManager = &queue;
    m_parts->fileExists = std::make_unique<TFileExistsDialogPrompter>(&m_window);
    queue.setFileExistsPrompter(m_parts->fileExists.get());
    queue.setCertificatePrompter([this](TCertificatePrompt& prompt) { AskCertificate(&m_window, prompt); });
}

void TMainFormPanes::detachQueue()
{
    if (m_parts->queueManager) {
        m_parts->queueManager->setFileExistsPrompter(nullptr);
        m_parts->queueManager->setCertificatePrompter({});
    }
    m_parts->queueManager = nullptr;
}

void TMainFormPanes::addToLog(TLogKind kind, const QString& text)
{
    QPointer<QPlainTextEdit> edit = m_parts->logEdit;
    const QString prefix = kind == TLogKind::lkCommand ? QStringLiteral("Command> ")
                           : kind == TLogKind::lkReply ? QStringLiteral("Reply> ")
                                                       : QStringLiteral("Status> ");
    QMetaObject::invokeMethod(edit, [edit, line = prefix + text] {
        if (edit)
            edit->appendPlainText(line);
    });
}
std::optional<THost> TMainFormPanes::quickConnect()
{
    TQuickConnectForm dialog(&m_window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.host();
}
void TMainFormPanes::queueRemoteSelection(bool) {}
void TMainFormPanes::changeLocalDirectory(const QString&) {}
void TMainFormPanes::findInFocusedList() {}
void TMainFormPanes::popUpFilters() {}
void TMainFormPanes::refreshFocusedList() {}
void TMainFormPanes::rebuildFilterMenus() {}
void TMainFormPanes::editHosts() {}
void TMainFormPanes::addHost() {}
void TMainFormPanes::settings() {}
void TMainFormPanes::about() {}
void TMainFormPanes::editFilters() {}
void TMainFormPanes::closeSplash() {}
void TMainFormPanes::reportDataFileNotices()
{
    // Each file the stores set aside is logged, and the user is told once.
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    if (notices.isEmpty())
        return;
    QStringList lines;
    for (const TDataFileNotice& notice : notices) {
        m_window.AddToLog(TLogKind::lkError, notice.text());
        lines.append(notice.text());
    }
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Warning;
    request.Text = lines.join(QStringLiteral("\n\n"));
    TMessageDialog::show(&m_window, m_language, request);
}

void TMainFormPanes::firstRun() {}
void TMainFormPanes::checkDefaultFtpProgram() {}
void TMainFormPanes::tipOfTheDay() {}
void TMainFormPanes::deleteTemporaryFiles() {}
