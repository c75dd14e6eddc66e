#pragma once

#include <memory>
#include <utility>

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include "core/TFileTransferType.h"
#include "core/TXMLDocument.h"

// The user's table of file-name extensions moved as text or as binary data, kept
// in FileTransferTypes.xml in the data folder:
//
//   <FileTransferTypesList>
//     <FileTransferType Extension=".txt" TransferType="ASCII"/>
//
// Extensions keep their leading dot and compare without case; the first entry of
// an extension wins. Only the exact value "ASCII" means text; any other value is
// binary. Main thread for changes; GetTransferType may be called from any thread
// (the transfer threads ask it before every file).
class TFileTransferTypes final
{
public:
    using TPair = std::pair<QString, QString>; // extension, transfer type text

    // Opens (or creates, with an empty root) the file at `path`; the default is
    // FileTransferTypes.xml in the data folder.
    explicit TFileTransferTypes(const QString& path = QString());
    // Saves, when the table was changed since it was read or saved.
    ~TFileTransferTypes();
    TFileTransferTypes(const TFileTransferTypes&) = delete;
    TFileTransferTypes& operator=(const TFileTransferTypes&) = delete;

    // The process-wide table; createGlobal() replaces an earlier one.
    static TFileTransferTypes& createGlobal(const QString& path = QString());
    static void destroyGlobal();

    // Rereads the file into TypeList.
    void Load();
    // Writes TypeList to the file (atomically). False with a reason on failure.
    bool Save(QString* error = nullptr);

    TFileTransferType GetTransferType(const QString& extension) const;

    // The pairs in file order, "%s=%s" joined for display.
    QList<TPair> TypeList() const;
    QStringList TypeListTexts() const;
    void setTypeList(QList<TPair> types);

    // Why the file could not be read or created; empty when all went well.
    const QString& loadError() const { return m_loadError; }
    const QString& filePath() const { return m_document.filePath(); }

private:
    void rebuildIndex();

    mutable QMutex m_lock; // guards m_types and m_index
    TXMLDocument m_document;
    QList<TPair> m_types;
    QHash<QString, qsizetype> m_index; // lower-cased extension -> first position
    QString m_loadError;
    bool m_modified = false;
};

// The process-wide table; nullptr when none was created.
TFileTransferTypes* FileTransferTypes();

// The extension of a file name including its dot ("a.tar.gz" -> ".gz"), empty
// when the name part has no dot.
QString FileNameExtension(const QString& fileName);

// The command that sets the transfer type for a file: "TYPE A" when the table (or,
// for an extension it lacks, the setting DefaultFileTransferType) says ASCII,
// otherwise "TYPE I". `types` may be null: then only the setting counts.
QString TransferTypeCommand(const TFileTransferTypes* types, const QString& localFileName);
