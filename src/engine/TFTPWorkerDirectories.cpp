// The browsing worker's directory work: listing the current directory (with
// the link probe), changing, making, renaming and deleting, and SITE commands.
#include "engine/TFTPWorker.h"

#include "engine/EFTRemoteCantRename.h"
#include "engine/EFTRemoteDirectoryCantChange.h"
#include "engine/EFTRemoteDirectoryCantCreate.h"
#include "engine/EFTRemoteDirectoryCantRead.h"
#include "engine/EFTRemoteDirectoryParseFailed.h"
#include "engine/EFTRemoteFileCantDelete.h"
#include "engine/RemoteNames.h"
#include "engine/SocketErrorRule.h"
#include "engine/TFTPWorkerSupport.h"
#include "engine/TLinkProbe.h"

using workersupport::fromUtf8;
using workersupport::replyFailure;

TListing TFTPWorker::usableEntries(std::vector<ftp::ListingEntry> entries)
{
    // Filtered in place: a second array of a large listing would double its memory.
    const auto kept = std::remove_if(entries.begin(), entries.end(), [this](const ftp::ListingEntry& e) {
        if (e.name == "." || e.name == ".." || isUsableRemoteName(e.name))
            return false;
        log(TLogKind::lkError,
            QStringLiteral("Skipped a listing entry whose name cannot be used in a command: \"%1\"")
                .arg(printableRemoteName(e.name)));
        return true;
    });
    entries.erase(kept, entries.end());
    return entries;
}

TListing TFTPWorker::listCurrentDirectory()
{
    throwIfStopped();
    try {
        return usableEntries(m_client.list());
    } catch (const ftp::AbortedError&) {
        if (abortedByStop())
            throw EStopped();
        throw;
    }
}

void TFTPWorker::probeLinks(TListing& entries, const QString& returnDirectory)
{
    TLinkProbe probe(m_client, m_stopRequested,
                     [this](TLogKind kind, const QString& text) { log(kind, text); });
    probe.run(entries, utf8(returnDirectory));
}

void TFTPWorker::runList()
{
    bracket(TMessageKey::strRSSTListingDirectory, [&] {
        {
            QMutexLocker guard(&m_stateLock);
            m_listing.reset();
        }
        const QString directory = CurrentDir();
        if (TListingPtr cached = m_cache.find(directory)) {
            QMutexLocker guard(&m_stateLock);
            m_listing = std::move(cached);
        } else {
            try {
                TListing entries;
                if (onConnection([&] { entries = listCurrentDirectory(); })) {
                    // A reconnect may have landed elsewhere than asked.
                    const QString listed = CurrentDir();
                    probeLinks(entries, listed);
                    auto listing = std::make_shared<const TListing>(std::move(entries));
                    m_cache.add(listed, listing);
                    QMutexLocker guard(&m_stateLock);
                    m_listing = std::move(listing);
                }
            } catch (const EStopped&) {
                // Nothing of a listing cut off is kept: the pane shows none.
                log(TLogKind::lkStatus, QStringLiteral("The listing was stopped"));
            } catch (const ftp::SocketError& e) {
                report(MakeSocketError(e));
            } catch (const ftp::ReplyError& e) {
                report(replyFailure<EFTRemoteDirectoryCantRead>(e));
            } catch (const ftp::FtpError& e) {
                report(replyFailure<EFTRemoteDirectoryParseFailed>(e));
            }
        }
        fire(TWorkerEvent::OnListed);
    });
    consumeStop();
}

// --- Synchronous operations -----------------------------------------------------------

void TFTPWorker::ChangeDir(const QString& directory)
{
    bracket(TMessageKey::strRSSTChangingDirectory, [&] {
        if (directory == CurrentDir())
            return;
        if (!isSendableArgument(directory)) {
            log(TLogKind::lkError,
                QStringLiteral("Refused to change to a directory whose name holds a line break"));
            report(std::make_unique<EFTRemoteDirectoryCantChange>());
            return;
        }
        try {
            QString now;
            if (!onConnection([&] {
                    m_client.cwd(utf8(directory));
                    now = pwd();
                }))
                return;
            setCurrentDir(now);
            fire(TWorkerEvent::OnDirectoryChanged);
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantChange>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug,
                QStringLiteral("Changing directory failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
}

void TFTPWorker::ChangeDirUp()
{
    bracket(TMessageKey::strRSSTChangingDirectory, [&] {
        try {
            QString now;
            if (!onConnection([&] {
                    m_client.cdup();
                    now = pwd();
                }))
                return;
            setCurrentDir(now);
            fire(TWorkerEvent::OnDirectoryChanged);
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantChange>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug,
                QStringLiteral("Changing directory failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
}

void TFTPWorker::MakeDir(const QString& name)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(name)) {
            log(TLogKind::lkError,
                QStringLiteral("Refused to make a directory whose name holds a line break"));
            report(std::make_unique<EFTRemoteDirectoryCantCreate>());
            return;
        }
        try {
            onConnection([&] { m_client.mkd(utf8(name)); });
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantCreate>(e));
        }
    });
    syncConnectionState();
}

void TFTPWorker::Rename(const QString& oldName, const QString& newName)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(oldName) || !isSendableArgument(newName)) {
            log(TLogKind::lkError, QStringLiteral("Refused to rename: a name holds a line break"));
            report(std::make_unique<EFTRemoteCantRename>());
            return;
        }
        try {
            onConnection([&] { m_client.rename(utf8(oldName), utf8(newName)); });
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteCantRename>(e));
        }
    });
    syncConnectionState();
}

void TFTPWorker::DeleteFile(const QString& name)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(name)) {
            log(TLogKind::lkError, QStringLiteral("Refused to delete a file whose name holds a line break"));
            report(std::make_unique<EFTRemoteFileCantDelete>());
            return;
        }
        try {
            onConnection([&] { m_client.dele(utf8(name)); });
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteFileCantDelete>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug, QStringLiteral("Deleting failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
    syncConnectionState();
}

// "SITE CHMOD mode name" and the like: the value first, then the name, which goes
// out as the server spells it.
ftp::Reply TFTPWorker::SiteChmod(const QString& name, const QString& mode)
{
    return site("CHMOD", mode, name);
}

ftp::Reply TFTPWorker::SiteChown(const QString& name, const QString& user)
{
    return site("CHOWN", user, name);
}

ftp::Reply TFTPWorker::SiteChgrp(const QString& name, const QString& group)
{
    return site("CHGRP", group, name);
}

ftp::Reply TFTPWorker::site(const char* command, const QString& value, const QString& name)
{
    ftp::Reply reply;
    bool done = false;
    try {
        done = onConnection([&] { reply = m_client.site(command, utf8(value), utf8(name)); });
    } catch (...) {
        syncConnectionState();
        throw;
    }
    syncConnectionState();
    if (!done) // the reconnect failed and was reported, or no host was ever set
        throw ftp::SocketError(ftp::SocketError::kConnectionReset, 0, "Not connected");
    return reply;
}

bool TFTPWorker::ResumeSupported()
{
    try {
        return m_client.isConnected() && m_client.resumeSupported();
    } catch (const ftp::FtpError&) {
        syncConnectionState();
        return false;
    }
}

// --- State ---------------------------------------------------------------------------
