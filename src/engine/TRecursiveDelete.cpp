#include "engine/TRecursiveDelete.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "engine/EFTRemoteFileCantDelete.h"
#include "engine/EFTRemoteSymbolicLinkInRecursiveDelete.h"
#include "engine/RemoteNames.h"
#include "engine/TFTPWorker.h"
#include "ftp/ListingParser.h"

TRecursiveDelete::RmdRefusal TRecursiveDelete::classifyRmdRefusal(const std::string& replyText)
{
    std::string text = replyText;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // pure-ftpd "Can't remove directory: Directory not empty", proftpd "d: Directory
    // not empty", pyftpdlib "Directory not empty.", IIS "The directory is not empty."
    if (text.find("not empty") != std::string::npos)
        return RmdRefusal::NotEmpty;
    // The same servers pass the system's reason on: "Permission denied", "Operation
    // not permitted", "No such file or directory".
    for (const char* reason :
         {"denied", "permission", "not permitted", "not allowed", "no such", "read-only", "read only"}) {
        if (text.find(reason) != std::string::npos)
            return RmdRefusal::Refused;
    }
    // vsftpd gives "Remove directory operation failed." whatever the reason.
    return RmdRefusal::Unexplained;
}

TRecursiveDelete::TRecursiveDelete(TFTPWorker& worker)
    : m_worker(worker)
{}

void TRecursiveDelete::run()
{
    TFTPWorker& w = m_worker;
    w.setStatusText(TMessageKey::strRSSTDeletingFilesandDirectories);
    w.fire(TWorkerEvent::OnBusy);
    w.clearCommand(WorkerCommand::DeleteRecursive);
    QString start;
    std::unique_ptr<EEngineError> error;
    bool started = false;
    try {
        // A connection the server closed meanwhile is reopened in the same directory.
        started = w.onConnection([&] { start = w.pwd(); });
    } catch (const ftp::FtpError& e) {
        auto failed = std::make_unique<EFTRemoteFileCantDelete>();
        failed->setCause(e);
        error = std::move(failed);
    }
    if (started && !error) {
        QString current; // the tree being deleted
        bool stopped = false;
        try {
            for (;;) {
                w.throwIfStopped();
                {
                    QMutexLocker guard(&w.m_stateLock);
                    if (w.m_deleteNames.isEmpty())
                        break;
                    current = w.m_deleteNames.takeFirst();
                }
                deleteTree(current, 0);
                current.clear();
                w.m_client.cwd(TFTPWorker::utf8(start));
                w.log(TLogKind::lkDebug, QStringLiteral("Back in %1").arg(start));
            }
            w.fire(TWorkerEvent::OnDeleted);
        } catch (const TFTPWorker::EStopped&) {
            // No failure: what is not deleted yet stays in DeleteNames, the tree
            // that was cut off in the middle first.
            stopped = true;
            if (!current.isEmpty()) {
                QMutexLocker guard(&w.m_stateLock);
                w.m_deleteNames.prepend(current);
            }
            w.log(TLogKind::lkStatus, QStringLiteral("The delete was stopped"));
        } catch (const EEngineError& e) {
            // The link warning, or a tree too deep: reported as it is.
            error = e.clone();
        } catch (const ftp::FtpError& e) {
            auto failed = std::make_unique<EFTRemoteFileCantDelete>();
            failed->setCause(e);
            error = std::move(failed);
        }
        if (error || stopped) {
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
    for (const std::string& file : files) {
        w.throwIfStopped();
        w.m_client.dele(file);
    }
    for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
        w.throwIfStopped();
        deleteTree(*it, depth + 1);
    }
    w.m_client.cdup();
    try {
        w.m_client.rmd(TFTPWorker::utf8(name));
    } catch (const ftp::ReplyError& e) {
        const RmdRefusal why = classifyRmdRefusal(e.text());
        if (why == RmdRefusal::Refused ||
            (why == RmdRefusal::Unexplained && !holdsHiddenEntries(name, parent)))
            throw; // a directory that could not be deleted: the delete failed
        // The server hides some entries from its listing (dot files, mostly), so the
        // directory is not empty. What could be deleted is gone; that is no failure.
        w.log(TLogKind::lkStatus,
              QStringLiteral("%1 was left in place: it holds entries the listing did not show (%2)")
                  .arg(expected, QString::fromUtf8(e.what())));
    }
}

bool TRecursiveDelete::holdsHiddenEntries(const QString& name, const QString& parent)
{
    // "LIST -a" shows what a plain LIST hides on the servers that hide anything
    // (vsftpd, pure-ftpd and proftpd leave dot files out).
    TFTPWorker& w = m_worker;
    try {
        w.m_client.cwd(TFTPWorker::utf8(name));
    } catch (const ftp::ReplyError&) {
        return false; // cannot be entered: nothing tells it is not empty
    }
    bool hidden = false;
    try {
        const ftp::ListingParseResult listed = ftp::parseListing(w.m_client.listRaw(std::string("-a")));
        hidden = std::any_of(listed.entries.begin(), listed.entries.end(),
                             [](const ftp::ListingEntry& e) { return e.name != "." && e.name != ".."; });
    } catch (const ftp::ReplyError&) {
        // The option is not understood: nothing tells it is not empty.
    } catch (const ftp::AbortedError&) {
        if (w.abortedByStop())
            throw TFTPWorker::EStopped();
        throw;
    }
    w.m_client.cwd(TFTPWorker::utf8(parent));
    return hidden;
}
