#pragma once

#include <set>

#include <QString>

class TFTPWorker;

// The recursive walk behind the advanced search and the size of a selection: each
// directory below the worker's SearchRoot is listed (links resolved) and handed
// to OnSearchListing, on the worker's thread. Clearing OnSearchListing ends the
// walk after the directory being listed; the worker then returns to where it was.
//
// A link loop ("a -> .") cannot keep it going: a directory whose PWD was entered
// before is not walked again, and the walk goes no deeper than kMaxDepth (servers
// that show a link's own path in PWD give every round of a loop a new path).
class TRecursiveWalk final
{
public:
    static constexpr int kMaxDepth = 32;

    explicit TRecursiveWalk(TFTPWorker& worker);
    void run();

private:
    // False once the walk is to end.
    void walk(const QString& directory, int depth);
    void changeBack(const QString& directory);

    TFTPWorker& m_worker;
    std::set<QString> m_entered;
};
