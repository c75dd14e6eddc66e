#pragma once

#include <string>

#include <QString>

class TFTPWorker;

// Deletes whole directory trees below the worker's current directory, one name of
// its DeleteNames after the other, on the worker's thread.
//
// It refuses to delete through a symbolic link: a tree holding a link anywhere
// stops before anything in the directory with the link is deleted. Since some
// listings show a link as a plain directory, every directory entered is checked
// too: after "CWD name" the server must be in the parent's path plus the name,
// otherwise nothing there is deleted and the delete stops.
//
// A refused RMD fails the delete (EFTRemoteFileCantDelete), unless the directory
// is not empty because the server hides entries from its listing: then the
// directory stays and the delete goes on. The reply says which where the server
// says why; where it does not (vsftpd), "LIST -a" in the directory tells.
class TRecursiveDelete final
{
public:
    // Deeper trees are not deleted: the stack of the thread is finite.
    static constexpr int kMaxDepth = 256;

    explicit TRecursiveDelete(TFTPWorker& worker);
    void run();

    enum class RmdRefusal
    {
        NotEmpty,   // the server says so
        Refused,    // for a reason that is not content: permission, gone
        Unexplained // the reply does not say
    };
    static RmdRefusal classifyRmdRefusal(const std::string& replyText);

private:
    void deleteTree(const QString& name, int depth);
    // In the parent of `name`, after a refused RMD: whether the directory holds
    // entries. Comes back to `parent`.
    bool holdsHiddenEntries(const QString& name, const QString& parent);

    TFTPWorker& m_worker;
};
