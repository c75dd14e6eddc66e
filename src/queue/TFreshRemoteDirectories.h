#pragma once

#include <QMutex>
#include <QSet>
#include <QString>

// Remote directories this queue created itself during the run (their MKD
// succeeded, so they did not exist before), and the upload targets claimed in
// them. A file in such a directory can only be there because an item of this run
// put it there; an upload that is the first to claim its name may skip asking the
// server whether the target exists, which saves a round trip per file when a tree
// goes up into a new directory. Every other upload asks as before.
//
// Shared by the transfer threads of one queue manager; thread-safe.
class TFreshRemoteDirectories final
{
public:
    // `connection` tells servers and logins apart (host, port, user).
    void markCreated(const QString& connection, const QString& directory);
    // Claims `file` (an absolute remote path). True only when its directory was
    // created in this run and no upload claimed the same path before; a retry of
    // the same item therefore asks the server again.
    bool claimUnchecked(const QString& connection, const QString& file);

    // Forgets everything: the directories may hold others' files from now on.
    void clear();

private:
    static QString key(const QString& connection, const QString& path);

    QMutex m_lock;
    QSet<QString> m_created;
    QSet<QString> m_claimed;
};
