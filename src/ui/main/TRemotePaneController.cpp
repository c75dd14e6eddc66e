#include "ui/main/TRemotePaneController.h"

#include <exception>
#include <vector>

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeView>

#include "core/EMaskException.h"
#include "core/Format.h"
#include "core/PathHelpers.h"
#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "engine/TFTPWorker.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "ui/main/TRemotePathBox.h"

TRemotePaneController::TRemotePaneController(TRemotePane& pane, TFTPWorker& worker, TBrowsingState& state)
    : m_pane(pane)
    , m_worker(worker)
    , m_state(state)
{
    // Direct: counted on the thread that reports, before anyone can take the error.
    QObject::connect(
        &m_worker, &TFTPWorker::workerError, this, [this] { m_errorsReported.fetch_add(1); },
        Qt::DirectConnection);
    QObject::connect(&m_worker, &TFTPWorker::commandFinished, this, &TRemotePaneController::commandFinished,
                     Qt::QueuedConnection);
    m_pane.model().setRenameHandler(
        [this](int, const QString& oldName, const QString& newName) { return renameRow(oldName, newName); });
}

TRemotePaneController::~TRemotePaneController()
{
    m_pane.model().setRenameHandler({});
}

bool TRemotePaneController::canBrowse() const
{
    // While the worker shuts down, its local event loop still delivers posted
    // work (a caption edit that just ended, a queued click); its thread may be
    // closing the connection then.
    return m_state.isAuthenticated() && !m_worker.isInterruptionRequested() && !m_worker.isFinished();
}

void TRemotePaneController::log(TLogKind kind, const QString& text)
{
    emit m_pane.logRequested(kind, text);
}

// --- Worker events ---------------------------------------------------------

void TRemotePaneController::connected()
{
    m_selectionMemory.emplace();
}

void TRemotePaneController::disconnected()
{
    m_pane.model().clear();
    m_pane.pathBox()->clearDirectories();
    m_selectionMemory.reset();
    m_directory.clear();
    m_pendingNewFolder.clear();
    m_pendingUploadedName.clear();
    m_deleteList.clear();
    m_deleteRunning = false;
}

void TRemotePaneController::listed()
{
    if (!m_worker.IsConnected())
        return;
    showListing(m_worker.Listing(), m_worker.CurrentDir());
}

void TRemotePaneController::showListing(TListingPtr listing, const QString& directory)
{
    TRemoteListModel& model = m_pane.model();
    m_directory = directory;
    model.setListing(std::move(listing));
    m_pane.pathBox()->showDirectory(directory, MainConfig() ? MainConfig()->MaxRemoteMRUPaths() : 12);

    QAbstractItemView* view = m_pane.activeView();
    if (!m_pendingNewFolder.isEmpty()) {
        view->setEnabled(true);
        view->setFocus();
        const int row = model.rowOfName(m_pendingNewFolder);
        if (row >= 0) {
            m_pane.selectRows({row}, true, true);
            m_pane.editName(row);
        }
    } else if (!m_pendingUploadedName.isEmpty()) {
        view->setEnabled(true);
        const int row = model.rowOfName(m_pendingUploadedName);
        if (row >= 0)
            m_pane.selectRows({row}, true, true);
    } else {
        restoreSelection();
    }
    m_pendingNewFolder.clear();
    m_pendingUploadedName.clear();
}

void TRemotePaneController::deleted()
{
    // OnDeleted fires once every tree is gone.
    if (!m_worker.DeleteNames().isEmpty())
        return;
    m_deleteList.clear();
    m_deleteRefreshed = true;
    m_worker.InvalidateDir(m_worker.CurrentDir());
    m_worker.List();
}

void TRemotePaneController::commandFinished(WorkerCommand command)
{
    if (command != WorkerCommand::DeleteRecursive || !m_deleteRunning)
        return;
    m_deleteRunning = false;
    // A delete that stopped part-way has removed something all the same: show
    // what is left.
    if (!m_deleteRefreshed && canBrowse()) {
        m_worker.InvalidateDir(m_worker.CurrentDir());
        m_worker.List();
    }
}

void TRemotePaneController::idle()
{
    if (m_disconnectWhenIdle && !m_state.busy()) {
        m_disconnectWhenIdle = false;
        m_worker.Disconnect();
    }
}

// --- Selection memory ------------------------------------------------------

void TRemotePaneController::rememberSelection()
{
    if (!m_selectionMemory)
        return;
    const QString prefix = IncludeTrailingSlash(m_directory);
    for (auto it = m_selectionMemory->begin(); it != m_selectionMemory->end();) {
        if (ExtractRemoteParentPath(*it) == prefix)
            it = m_selectionMemory->erase(it);
        else
            ++it;
    }
    const TRemoteListModel& model = m_pane.model();
    for (int row : m_pane.selectedRows())
        m_selectionMemory->insert(prefix + model.nameAt(row));
}

void TRemotePaneController::restoreSelection()
{
    if (!m_selectionMemory || m_selectionMemory->isEmpty())
        return;
    const QString prefix = IncludeTrailingSlash(m_directory);
    QSet<QString> names;
    for (const QString& path : *m_selectionMemory) {
        if (ExtractRemoteParentPath(path) == prefix)
            names.insert(path.mid(prefix.size()));
    }
    if (names.isEmpty())
        return;
    const TRemoteListModel& model = m_pane.model();
    std::vector<int> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (names.contains(model.nameAt(row)))
            rows.push_back(row);
    }
    m_pane.selectRows(rows, true, true);
}

// --- Navigation ------------------------------------------------------------

void TRemotePaneController::changeDirectory(const QString& path)
{
    if (!canBrowse() || path.isEmpty())
        return;
    rememberSelection();
    m_worker.ChangeDir(path);
    m_worker.List();
}

void TRemotePaneController::changeUp()
{
    if (!canBrowse())
        return;
    rememberSelection();
    m_worker.ChangeDirUp();
    m_worker.List();
}

void TRemotePaneController::goHome()
{
    if (!canBrowse())
        return;
    const QString home = m_state.homeDirectory;
    log(TLogKind::lkDebug, QStringLiteral("Changing to ") + home);
    if (home.isEmpty())
        return;
    rememberSelection();
    m_worker.ChangeDir(home);
    m_worker.List();
}

void TRemotePaneController::refresh()
{
    if (!canBrowse())
        return;
    m_worker.InvalidateDir(m_worker.CurrentDir());
    m_worker.List();
}

void TRemotePaneController::openRow(int row)
{
    const TRemoteListModel& model = m_pane.model();
    if (!canBrowse() || row < 0 || row >= model.rowCount())
        return;
    if (model.isDirectoryAt(row))
        changeDirectory(model.nameAt(row));
    else
        emit m_pane.downloadRequested();
}

// --- Commands --------------------------------------------------------------

void TRemotePaneController::makeDirectory()
{
    if (!canBrowse())
        return;
    const TRemoteListModel& model = m_pane.model();
    QSet<QString> taken;
    taken.reserve(model.rowCount());
    for (int row = 0; row < model.rowCount(); ++row)
        taken.insert(model.nameAt(row).toUpper());
    const TFormLanguage& language = m_pane.language();
    QString candidate = language.text(QStringLiteral("IDS_15"));
    for (int i = 1; taken.contains(candidate.toUpper()); ++i) {
        log(TLogKind::lkDebug, QStringLiteral("Nope, found match. Lets get a new name"));
        candidate = Format(language.text(QStringLiteral("IDS_16")), {i});
    }
    try {
        m_worker.MakeDir(candidate);
    } catch (const std::exception& e) {
        log(TLogKind::lkError, QStringLiteral("Other exception: %1").arg(QString::fromUtf8(e.what())));
    }
    m_worker.InvalidateDir(m_worker.CurrentDir());
    m_worker.List();
    m_pendingNewFolder = candidate;
}

bool TRemotePaneController::renameRow(const QString& oldName, const QString& newName)
{
    // An edit may end after the worker became busy again; the row then keeps its name.
    if (!canBrowse())
        return false;
    const int errorsBefore = m_errorsReported.load();
    const bool pendingBefore = m_worker.HasPendingError();
    try {
        m_worker.Rename(oldName, newName);
    } catch (const std::exception& e) {
        log(TLogKind::lkError, QStringLiteral("Other exception: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    if (m_errorsReported.load() != errorsBefore || (!pendingBefore && m_worker.HasPendingError()))
        return false;
    m_worker.InvalidateDir(m_worker.CurrentDir());
    return true;
}

void TRemotePaneController::deleteSelection()
{
    if (!canBrowse())
        return;
    const TRemoteListModel& model = m_pane.model();
    QStringList files;
    QStringList directories;
    for (int row : m_pane.selectedRows()) {
        if (model.isParentRow(row))
            continue;
        (model.isDirectoryAt(row) ? directories : files).append(model.nameAt(row));
    }
    if (files.isEmpty() && directories.isEmpty())
        return;

    TMessageRequest question;
    question.Type = TMessageRequest::TType::Confirmation;
    question.Text = m_pane.language().text(QStringLiteral("IDS_50"));
    question.Buttons = QMessageBox::Yes | QMessageBox::No;
    question.DefaultButton = QMessageBox::Yes;
    if (TMessageDialog::show(&m_pane, m_pane.language(), question) != QMessageBox::Yes)
        return;
    // The question ran an event loop: the session may have changed meanwhile.
    if (!canBrowse())
        return;

    for (const QString& name : files)
        m_worker.DeleteFile(name);
    if (!files.isEmpty()) {
        m_worker.InvalidateDir(m_worker.CurrentDir());
        m_worker.List();
    }
    m_deleteList = directories;
    if (!directories.isEmpty()) {
        m_deleteRunning = true;
        m_deleteRefreshed = false;
        m_worker.DeleteRecursive(directories);
    }
}

void TRemotePaneController::copyUrl()
{
    const int row = m_pane.firstSelectedRow();
    if (row < 0)
        return;
    const QString url =
        m_state.host().GetURL() + IncludeTrailingSlash(m_directory) + m_pane.model().nameAt(row);
    QGuiApplication::clipboard()->setText(url);
}

void TRemotePaneController::addCurrentDirBookmark()
{
    const QString directory = m_worker.CurrentDir();
    if (directory.isEmpty())
        return;
    THost& host = m_state.host();
    if (host.AddBookmark(directory)) {
        QString error;
        bool saved = true;
        if (Hosts() && Hosts()->FindByID(host.HostIDText()))
            saved = Hosts()->UpdateHost(host, &error);
        else if (QuickHosts())
            saved = QuickHosts()->AddOrUpdate(host, &error);
        if (!saved)
            log(TLogKind::lkError, error);
    }
    m_pane.rebuildBookmarkMenus();
}

void TRemotePaneController::selectFilter(int filterIndex)
{
    const TFilter* filter = Filters() ? Filters()->at(filterIndex) : nullptr;
    if (!filter)
        return;
    const TRemoteListModel& model = m_pane.model();
    const QStringList names = model.namesInViewOrder();
    std::vector<bool> selected(static_cast<std::size_t>(names.size()), false);
    for (int row : m_pane.selectedRows())
        selected[static_cast<std::size_t>(row)] = true;
    const std::vector<bool> before = selected;
    try {
        filter->selectMatching(names, selected);
    } catch (const EMaskException& e) {
        // The rows matched before the bad mask stay selected.
        log(TLogKind::lkError, e.message());
    }
    std::vector<int> added;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (selected[row] && !before[row])
            added.push_back(static_cast<int>(row));
    }
    m_pane.selectRows(added, false, true);
}

void TRemotePaneController::disconnect()
{
    if (m_state.busy()) {
        // The worker's thread is using the connection: stop it and close once idle.
        m_disconnectWhenIdle = true;
        m_worker.Stop();
        return;
    }
    m_worker.Disconnect();
}

void TRemotePaneController::stop()
{
    m_worker.Stop();
}
