// TFTPTransfer: uploads of files and directory trees, and the remote paths they need.
#include "queue/TFTPTransfer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "core/PathHelpers.h"
#include "core/TMessageTexts.h"
#include "engine/EngineErrors.h"
#include "ftp/Client.h"
#include "ftp/FtpError.h"
#include "ftp/ListingParser.h"
#include "queue/QueuePaths.h"
#include "queue/TFTPTransferSupport.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TFreshRemoteDirectories.h"
#include "queue/TQueueItem.h"

using namespace transfersupport;

void TFTPTransfer::uploadDirectory()
{
    const QString remoteDir = IncludeTrailingSlash(m_job.RemoteFilename);
    learnNames(remoteDir);
    try {
        changeDirectory(remoteDir);
    } catch (const ftp::ReplyError&) {
        createRemotePath(remoteDir);
    }
    ReportStatus(text(TMessageKey::strRSSTSearchingDirectoryForFiles), TTransferState::tsStarting);
    const QString localDir = IncludeTrailingBackslash(m_job.LocalFilename);
    QList<TSyncQueueItem> expansion;
    QDirIterator it(m_job.LocalFilename,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (!IsSafeEntryName(name)) {
            log(true, QStringLiteral("Skipped the local entry \"%1\" of %2: the name %3")
                          .arg(name, localDir, UnsafeEntryNameReason(name)));
            continue;
        }
        // A link to a directory could lead back into the tree and expand forever.
        if (info.isSymLink() && info.isDir()) {
            log(true,
                QStringLiteral("Skipped %1: links to directories are not followed").arg(localDir + name));
            continue;
        }
        // FIFOs, sockets and devices have no content to send.
        if (!info.isDir() && !info.isFile()) {
            log(true, QStringLiteral("Skipped %1: it is not a regular file").arg(localDir + name));
            continue;
        }
        TSyncQueueItem found;
        found.LocalPath = localDir + name;
        found.IsDirectory = info.isDir();
        expansion.append(found);
    }
    if (stopping())
        throw EEngineError(text(TMessageKey::strRSFTPRemoteTransferStopped));
    onMain([&] {
        if (OnExpansion)
            OnExpansion(this, m_job, expansion);
    });
}

void TFTPTransfer::createRemotePath(const QString& path)
{
    m_currentDirectory.clear();
    const QStringList levels = remoteLevels(path);
    QString absolute; // empty while the path is not absolute
    for (const QString& level : levels) {
        if (level.startsWith(QLatin1Char('/')))
            absolute = level;
        else if (!absolute.isEmpty())
            absolute += QLatin1Char('/') + level;
        const std::string name = utf8(level);
        try {
            m_client->cwd(name);
            continue;
        } catch (const ftp::ReplyError&) {
        }
        std::optional<ftp::ReplyError> mkdFailure;
        try {
            m_client->mkd(name);
            if (FreshDirectories && !absolute.isEmpty())
                FreshDirectories->markCreated(connectionKey(), absolute);
        } catch (const ftp::ReplyError& error) {
            // Another thread may have made it a moment ago: the CWD below decides.
            mkdFailure = error;
        }
        try {
            m_client->cwd(name);
        } catch (const ftp::ReplyError& error) {
            if (mkdFailure)
                throw wrapped<EFTRemoteDirectoryCantCreate>(*mkdFailure);
            if (error.code() == 550)
                ReportStatus(text(TMessageKey::strRSSTNoDirWritePermission), TTransferState::tsError);
            throw wrapped(error);
        }
    }
    // Levels are left relative: only a path ending in "/" names where we are now.
    m_currentDirectory = path.endsWith(QLatin1Char('/')) ? path : QString();
}

QString TFTPTransfer::connectionKey() const
{
    return m_connectedHost + QLatin1Char(':') + QString::number(m_connectedPort) + QLatin1Char(':') +
           m_connectedUser;
}

std::vector<ftp::ListingEntry> TFTPTransfer::remoteEntries(const std::string& name)
{
    // MLST (RFC 3659 section 7) answers for exactly one name on the control
    // connection; LIST needs a data connection of its own for every file. Names
    // beyond ASCII go the LIST way, which encodes them as the server expects.
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (ascii && m_client->hasFeature("MLST")) {
        const ftp::Reply reply = m_client->raw("MLST " + name);
        if (reply.code == 250) {
            // The facts line is the one that starts with a blank (section 7.2).
            for (const std::string& line : reply.lines) {
                if (line.empty() || line.front() != ' ')
                    continue;
                ftp::ListingParseOptions options;
                options.machineListing = true;
                std::vector<ftp::ListingEntry> entries = ftp::parseListing(line.substr(1), options).entries;
                if (!entries.empty())
                    return entries;
            }
            return {ftp::ListingEntry{}}; // there, size unknown
        }
        if (reply.code == 450 || reply.code == 550)
            return {};
        // Anything else (not implemented after all): ask the LIST way.
    }
    try {
        return m_client->list(name);
    } catch (const ftp::ReplyError& error) {
        // Many servers answer the listing of a missing name with 450 or 550 ("No
        // such file"): the file is simply not there yet.
        if (error.code() != 450 && error.code() != 550)
            throw;
    }
    return {};
}

void TFTPTransfer::uploadFile()
{
    const QString remote = m_job.RemoteFilename;
    const QString parent = ExtractRemoteParentPath(remote);
    const std::string name = utf8(ExtractRemoteFileName(remote));
    learnNames(remote);
    try {
        changeDirectory(parent);
    } catch (const ftp::ReplyError&) {
        createRemotePath(parent);
    }
    checkStop();
    // A directory this queue created in this run holds only what its items put
    // there: the first upload of a name in it need not ask the server.
    const bool fresh = FreshDirectories && remote.startsWith(QLatin1Char('/')) &&
                       FreshDirectories->claimUnchecked(connectionKey(), remote);
    const std::vector<ftp::ListingEntry> entries =
        fresh ? std::vector<ftp::ListingEntry>() : remoteEntries(name);
    const bool exists = !entries.empty();
    ftp::Client::StoreMode mode = ftp::Client::StoreMode::Replace;
    if (exists) {
        const ftp::ListingEntry& entry = entryNamed(entries, name);
        qint64 remoteSize = entry.size.value_or(-1);
        // An unknown size is never taken for 0: resuming from it would append the
        // whole file to what the server holds.
        if (remoteSize < 0)
            remoteSize = askSize(name).value_or(-1);
        const bool smaller = remoteSize >= 0 && m_job.FileSize > remoteSize;
        const TFileAlreadyExistsAction action =
            smaller ? m_job.SmallerFileExistsAction : m_job.FileExistsAction;
        if (action != TFileAlreadyExistsAction::faeOverwrite) {
            const QString localDate = DateTimeValueToText(m_job.FileModifiedDateTime);
            const QString remoteDate = DateTimeValueToText(EntryTimeToValue(entry.modified));
            if (!smaller) {
                ReportStatus(text(TMessageKey::strRSFTPRemoteFileAlreadyExists), TTransferState::tsError);
                throw EFTRemoteFileAlreadyExists(remoteDate, localDate, remoteSize, m_job.FileSize);
            }
            if (action != TFileAlreadyExistsAction::faeResume) {
                ReportStatus(text(TMessageKey::strRSFTPRemoteFileAlreadySmallerExists),
                             TTransferState::tsError);
                throw EFTRemoteFileSmallerAlreadyExists(remoteDate, localDate, remoteSize, m_job.FileSize);
            }
            m_resumeOffset.store(remoteSize);
            mode = ftp::Client::StoreMode::Append;
        }
    }
    sendTransferType();
    checkStop();
    try {
        store(name, mode, exists);
    } catch (const ftp::ReplyError& error) {
        if (error.code() == 550)
            ReportStatus(text(TMessageKey::strRSSTNoFileWritePermission), TTransferState::tsError);
        throw wrapped(error);
    }
}

void TFTPTransfer::store(const std::string& name, ftp::Client::StoreMode mode, bool targetExists)
{
    const std::string localPath = utf8(m_job.LocalFilename);
    const qint64 offset = m_resumeOffset.load();
    const auto attempt = [&](ftp::Client::StoreMode how) {
        m_dataBegun = false;
        m_client->store(localPath, name, how, offset);
    };
    try {
        attempt(mode);
        return;
    } catch (const ftp::ReplyError& error) {
        // Only a command the server turned down before any data moved may be
        // tried another way; a broken transfer is an ordinary failure.
        if (m_dataBegun || error.code() < 450)
            throw;
        if (mode == ftp::Client::StoreMode::Append) {
            // Some servers refuse APPE (anonymous upload folders) but take a
            // restarted STOR (RFC 3659 section 5).
            if (!(m_client->hasFeature("REST") &&
                  QString::fromStdString(m_client->featureParameters("REST"))
                      .contains(QLatin1String("STREAM"), Qt::CaseInsensitive)))
                throw;
            log(false, QStringLiteral("The server refused APPE (%1); resuming with REST and STOR instead")
                           .arg(error.code()));
            checkStop();
            attempt(ftp::Client::StoreMode::Restart);
            return;
        }
        // A server that will not let a file be written over (553 "Could not
        // create file", 550 on a read-only file) may still let it be deleted
        // first. Only then is the old copy given up, never before.
        if (!targetExists || (error.code() != 550 && error.code() != 553 && error.code() != 450))
            throw;
    }
    log(false,
        QStringLiteral("The server would not replace %1; deleting it first").arg(m_job.RemoteFilename));
    try {
        m_client->dele(name);
    } catch (const ftp::FtpError& error) {
        ReportStatus(text(TMessageKey::strRSFTPRemoteFileCantDelete), TTransferState::tsError);
        throw wrapped<EFTRemoteFileCantDelete>(error);
    }
    checkStop();
    attempt(ftp::Client::StoreMode::Replace);
}
