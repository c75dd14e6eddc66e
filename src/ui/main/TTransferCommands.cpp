#include "ui/main/TTransferCommands.h"

#include <QDir>
#include <QMessageBox>

#include "core/PathHelpers.h"
#include "engine/TFTPWorker.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TLocalPane.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "ui/main/TVantorApplication.h"

TTransferCommands::TTransferCommands(TBrowsingState& state, TFTPWorker& worker, TRemotePane& remote,
                                     TLocalPane& local, const TFormLanguage& language, QWidget* dialogParent,
                                     TLog log)
    : m_state(state)
    , m_worker(worker)
    , m_remote(remote)
    , m_local(local)
    , m_language(language)
    , m_dialogParent(dialogParent)
    , m_log(std::move(log))
{}

QString TTransferCommands::remoteRoot() const
{
    return IncludeTrailingSlash(m_worker.CurrentDir());
}

QString TTransferCommands::localRoot() const
{
    return IncludeTrailingBackslash(QDir::toNativeSeparators(m_local.directory()));
}

void TTransferCommands::uploadLocalSelection(bool active)
{
    if (!m_queue || !m_state.isAuthenticated())
        return;
    queueUploads(m_local.selectedPaths(), localRoot(), active, remoteRoot());
    if (active)
        schedule();
}

void TTransferCommands::downloadRemoteSelection(bool active)
{
    if (!m_queue || !m_state.isAuthenticated())
        return;
    QList<int> rows = m_remote.selectedRows();
    if (rows.isEmpty() && active) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Confirmation;
        request.Text = m_language.text(QStringLiteral("IDS_51"));
        request.Buttons = QMessageBox::Yes | QMessageBox::No;
        request.DefaultButton = QMessageBox::Yes;
        if (TMessageDialog::show(m_dialogParent, m_language, request) == QMessageBox::Yes) {
            for (int row = 0; row < m_remote.model().rowCount(); ++row)
                rows.append(row);
        }
    }
    queueRemoteRows(rows, active, localRoot());
    // Download schedules also when nothing was added.
    if (active)
        schedule();
}

int TTransferCommands::queueUploads(const QStringList& paths, const QString& localRoot, bool active,
                                    const QString& remoteRoot)
{
    if (!m_queue)
        return 0;
    int queued = 0;
    try {
        for (const QString& path : paths) {
            m_queue->AddUpload(m_state.host(), localRoot, active, remoteRoot, QDir::toNativeSeparators(path));
            ++queued;
        }
    } catch (const std::exception& error) {
        m_log(TLogKind::lkError, TVantorApplication::describe(error));
    }
    return queued;
}

int TTransferCommands::queueRemoteRows(const QList<int>& rows, bool active, const QString& localRoot)
{
    if (!m_queue)
        return 0;
    const TRemoteListModel& model = m_remote.model();
    const QString remote = IncludeTrailingSlash(m_remote.directory());
    int queued = 0;
    try {
        for (int row : rows) {
            const ftp::ListingEntry* entry = model.entryAt(row);
            if (!entry || model.isParentRow(row))
                continue;
            const bool directory = model.isDirectoryAt(row);
            // The whole 64-bit size: files over 4 GB are queued with their real size.
            const qint64 size = directory ? 0 : model.fileSizeAt(row).value_or(-1);
            m_queue->AddDownload(m_state.host(), remote, active, EntryTimeToValue(entry->modified), size,
                                 directory, localRoot, remote + model.nameAt(row));
            ++queued;
        }
    } catch (const std::exception& error) {
        m_log(TLogKind::lkError, TVantorApplication::describe(error));
    }
    return queued;
}

void TTransferCommands::schedule()
{
    if (m_queue)
        m_queue->Schedule();
}
