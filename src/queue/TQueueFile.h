#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QString>

// The queue file format (Queue.xml and any queue file the user saves or loads):
//
//   <?xml version="1.0"?>
//   <QueueList>
//     <QueueItem HostID="{...}" RemoteFilename="/pub/a.txt" RemoteRoot="/pub/" IsDirectory="False"
//                FileSize="12" FileModifiedDateTime="3/5/2024 2:07:09 PM" LocalRoot="/home/me/"
//                LocalFilename="/home/me/a.txt" TransferDirection="Download"/>
//
// Attributes in exactly that order; every value as text, the date in the user's
// locale. This class only reads and writes the texts; TQueueManager turns them
// into items.

// One element's attributes as they stand in the file; a missing attribute is empty.
struct TQueueFileRecord
{
    QString HostID;
    QString RemoteFilename;
    QString RemoteRoot;
    QString IsDirectory;
    QString FileSize;
    QString FileModifiedDateTime;
    QString LocalRoot;
    QString LocalFilename;
    QString TransferDirection;
};

class TQueueFile final
{
public:
    TQueueFile() = delete;

    // Hands out the records to write one by one; false when there are no more.
    using TRecordSource = std::function<bool(TQueueFileRecord& record)>;
    // Takes the records read one by one; false stops the reading.
    using TRecordSink = std::function<bool(const TQueueFileRecord& record)>;

    // Replaces the children of the file's document element with one QueueItem per
    // record (the declaration and the root element, whatever its name, stay), or
    // creates a new file with the root QueueList. Written through a temporary file
    // and a rename, one line at a time. An existing file that is not well-formed
    // XML is left as it is and the save fails with the parser's reason.
    static bool Write(const QString& path, const TRecordSource& records, QString* error = nullptr);
    static bool Write(const QString& path, const QList<TQueueFileRecord>& records, QString* error = nullptr);
    // Adds the records behind what the file holds (every element kept as it is),
    // or writes a new file when there is none.
    static bool Append(const QString& path, const QList<TQueueFileRecord>& records, QString* error = nullptr);

    // Every element child of the document element, in order. False, with the
    // reason, when the file cannot be read or is not well-formed (nothing was
    // handed out then).
    static bool ForEach(const QString& path, const TRecordSink& sink, QString* error = nullptr);
    static std::optional<QList<TQueueFileRecord>> Read(const QString& path, QString* error = nullptr);

    // The text conversions of the format, with the messages a failure shows.
    static QString BooleanToText(bool value)
    {
        return value ? QStringLiteral("True") : QStringLiteral("False");
    }
    // "True"/"False" in any case, or a number (0 is false); else "'%s' is not a valid boolean value".
    static std::optional<bool> TextToBoolean(const QString& text, QString* error = nullptr);
    // A decimal 64-bit integer with an optional sign; else "'%s' is not a valid integer value".
    static std::optional<qint64> TextToInteger(const QString& text, QString* error = nullptr);
};
