#include "engine/TRecursiveDelete.h"

#include <vector>

#include "engine/EFTRemoteFileCantDelete.h"
#include "engine/EFTRemoteSymbolicLinkInRecursiveDelete.h"
#include "engine/RemoteNames.h"
#include "engine/TFTPWorker.h"

TRecursiveDelete::TRecursiveDelete(TFTPWorker& worker)
    : m_worker(worker)
{}

void TRecursiveDelete::run()
{
    TFTPWorker& w = m_worker;
    w.setStatusText(TMessageKey::strRSSTDeletingFilesandDirectories);
    QString start;
    std::unique_ptr<EEngineError> error;
    try {
        start = w.pwd();
    } catch (const ftp::FtpError& e) {
        auto failed = std::make_unique<EFTRemoteFileCantDelete>();
        failed->setCause(e);
        error = std::move(failed);
    }
    w.fire(TWorkerEvent::OnBusy);
    w.clearCommand(WorkerCommand::DeleteRecursive);
    if (!error) {
        try {
            for (;;) {
                QString name;
                {
                    QMutexLocker guard(&w.m_stateLock);
                    if (w.m_deleteNames.isEmpty())
                        break;
                    name = w.m_deleteNames.takeFirst();
                }
                deleteTree(name, 0);
                w.m_client.cwd(TFTPWorker::utf8(start));
                w.log(TLogKind::lkDebug, QStringLiteral("Back in %1").arg(start));
            }
            w.fire(TWorkerEvent::OnDeleted);
        } catch (const EEngineError& e) {
            // The link warning, or a tree too deep: reported as it is.
            error = e.clone();
        } catch (const ftp::FtpError& e) {
            auto failed = std::make_unique<EFTRemoteFileCantDelete>();
            failed->setCause(e);
            error = std::move(failed);
        }
        if (error) {
            try {
                w.m_client.cwd(TFTPWorker::utf8(start));
            } catch (const ftp::FtpError&) {
            }
        }
    }
    if (error)
        w.report(std::move(error));
    w.fire(TWorkerEvent::OnIdle);
    w.consumeStop();
}

void TRecursiveDelete::deleteTree(const QString& name, int depth)
{
    TFTPWorker& w = m_worker;
    if (name.isEmpty())
        return;
    if (!isUsableRemoteName(name)) {
        w.log(TLogKind::lkError, QStringLiteral("Not deleted: \"%1\" is no name of a directory here")
                                     .arg(printableRemoteName(TFTPWorker::utf8(name))));
        return;
    }
    if (depth > kMaxDepth) {
        auto error = EFTRemoteFileCantDelete();
        error.setCause(0, QStringLiteral("The tree is deeper than %1 levels").arg(kMaxDepth), false);
        throw error;
    }
    const QString parent = w.pwd();
    w.m_client.cwd(TFTPWorker::utf8(name));
    const QString here = w.pwd();
    const QString expected = joinRemotePath(parent, name);
    if (here != expected) {
        w.log(TLogKind::lkError, QStringLiteral("\"%1\" led to %2 instead of %3; nothing there is deleted")
                                     .arg(name, here, expected));
        throw EFTRemoteSymbolicLinkInRecursiveDelete();
    }
    const TListing entries = w.listCurrentDirectory();
    std::vector<std::string> files;
    std::vector<QString> directories;
    for (const ftp::ListingEntry& entry : entries) {
        switch (entry.type) {
        case ftp::EntryType::Link:
            w.log(TLogKind::lkError,
                  QStringLiteral("%1 holds the symbolic link \"%2\"; nothing there is deleted")
                      .arg(here, QString::fromStdString(entry.name)));
            throw EFTRemoteSymbolicLinkInRecursiveDelete();
        case ftp::EntryType::File:
            if (isUsableRemoteName(entry.name))
                files.push_back(entry.name);
            break;
        case ftp::EntryType::Directory:
            if (isUsableRemoteName(entry.name))
                directories.push_back(QString::fromStdString(entry.name));
            break;
        case ftp::EntryType::Other:
            break;
        }
    }
    for (const std::string& file : files)
        w.m_client.dele(file);
    for (auto it = directories.rbegin(); it != directories.rend(); ++it)
        deleteTree(*it, depth + 1);
    w.m_client.cdup();
    try {
        w.m_client.rmd(TFTPWorker::utf8(name));
    } catch (const ftp::ReplyError& e) {
        // Servers that hide some files cannot remove the directory; what could be
        // deleted is gone, and that is no failure.
        w.log(TLogKind::lkDebug,
              QStringLiteral("%1 was not removed: %2").arg(expected, QString::fromUtf8(e.what())));
    }
}
