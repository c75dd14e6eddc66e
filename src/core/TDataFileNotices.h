#pragma once

#include <QList>
#include <QString>

// A data file of the program that could not be read at load and was set aside.
struct TDataFileNotice
{
    QString filePath; // the data file (Config.xml, Hosts.xml, Queue.xml ...)
    QString reason;   // why it could not be read
    QString keptAs;   // where the copy went; empty when none could be made (the file is then never written)

    // "Hosts.xml could not be read (reason); it was kept as /path/Hosts.xml.unreadable-...".
    QString text() const;
};

// The notices of every data file set aside since start-up, collected for the
// window, which logs each one and shows them once. Process-wide and thread-safe:
// stores add to it wherever they load (TXMLDocument does for every data file it
// opens, TQueueManager::LoadQueue for Queue.xml).
class TDataFileNotices final
{
public:
    TDataFileNotices() = delete;

    static void add(TDataFileNotice notice);
    // Every notice collected so far, oldest first; the list is empty afterwards.
    static QList<TDataFileNotice> takeAll();
    static qsizetype count();
};
