#include "engine/TRecursiveWalk.h"

#include <vector>

#include "engine/TFTPWorker.h"

TRecursiveWalk::TRecursiveWalk(TFTPWorker& worker)
    : m_worker(worker)
{}

void TRecursiveWalk::run()
{
    TFTPWorker& w = m_worker;
    QString start;
    try {
        if (!w.onConnection([&] { start = w.pwd(); }))
            return;
    } catch (const ftp::FtpError& e) {
        w.log(TLogKind::lkDebug,
              QStringLiteral("Recursive search not started: %1").arg(QString::fromUtf8(e.what())));
        return;
    }
    w.log(TLogKind::lkDebug, QStringLiteral("Starting recursive search in %1").arg(start));
    const QString done = QStringLiteral("Recursive search done, changing back to %1").arg(start);
    try {
        walk(w.SearchRoot(), 0);
        w.fire(TWorkerEvent::OnSearchDone);
        w.log(TLogKind::lkDebug, done);
        w.ChangeDir(start);
    } catch (const std::exception& e) {
        w.log(TLogKind::lkDebug,
              QStringLiteral("Recursive search failed: %1").arg(QString::fromUtf8(e.what())));
        w.log(TLogKind::lkDebug, done);
        // Where the server is now is not known: make ChangeDir send the CWD.
        w.setCurrentDir(QString());
        w.ChangeDir(start);
    }
    w.consumeStop();
}

void TRecursiveWalk::changeBack(const QString& directory)
{
    m_worker.m_client.cwd(TFTPWorker::utf8(directory));
    m_worker.setCurrentDir(directory);
}

void TRecursiveWalk::walk(const QString& directory, int depth)
{
    TFTPWorker& w = m_worker;
    if (directory.isEmpty())
        return;
    const QString returnDirectory = w.pwd();
    w.m_client.cwd(TFTPWorker::utf8(directory));
    const QString here = w.pwd();
    w.setCurrentDir(here);
    if (m_entered.count(here)) {
        w.log(TLogKind::lkStatus,
              QStringLiteral("Not searched again: %1 (a link leads back to it)").arg(here));
        changeBack(returnDirectory);
        return;
    }
    if (depth >= kMaxDepth) {
        w.log(TLogKind::lkStatus,
              QStringLiteral("Not searched: %1 is more than %2 levels deep").arg(here).arg(kMaxDepth));
        changeBack(returnDirectory);
        return;
    }
    m_entered.insert(here);

    TListing entries = w.listCurrentDirectory();
    w.probeLinks(entries, here);
    std::vector<QString> directories;
    for (const ftp::ListingEntry& entry : entries) {
        if (entry.type == ftp::EntryType::Directory && entry.name != "." && entry.name != "..")
            directories.push_back(QString::fromStdString(entry.name));
    }
    if (!w.hasSearchListing())
        return;
    w.fireSearchListing(std::make_shared<const TListing>(std::move(entries)));
    for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
        if (!w.hasSearchListing())
            return;
        walk(*it, depth + 1);
    }
    changeBack(returnDirectory);
}
