#pragma once

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
class TRecursiveDelete final
{
public:
    // Deeper trees are not deleted: the stack of the thread is finite.
    static constexpr int kMaxDepth = 256;

    explicit TRecursiveDelete(TFTPWorker& worker);
    void run();

private:
    void deleteTree(const QString& name, int depth);

    TFTPWorker& m_worker;
};
