#include "engine/TLinkProbe.h"

#include <utility>

#include "engine/RemoteNames.h"
#include "ftp/Client.h"
#include "ftp/FtpError.h"

TLinkProbe::TLinkProbe(ftp::Client& client, std::atomic<bool>& stopRequested, TLog log)
    : m_client(client)
    , m_stopRequested(stopRequested)
    , m_log(std::move(log))
{}

void TLinkProbe::run(TListing& entries, const std::string& returnDirectory)
{
    for (ftp::ListingEntry& entry : entries) {
        if (m_stopRequested.exchange(false)) {
            m_log(TLogKind::lkStatus, QStringLiteral("Stopped resolving symbolic links"));
            return;
        }
        if (entry.type != ftp::EntryType::Link)
            continue;
        if (!isUsableRemoteName(entry.name)) {
            entry.type = ftp::EntryType::File;
            continue;
        }
        try {
            m_client.cwd(entry.name);
        } catch (const ftp::ReplyError&) {
            entry.type = ftp::EntryType::File;
            continue;
        }
        entry.type = ftp::EntryType::Directory;
        try {
            m_client.cwd(returnDirectory);
        } catch (const ftp::ReplyError&) {
            entry.type = ftp::EntryType::File;
        }
    }
}
