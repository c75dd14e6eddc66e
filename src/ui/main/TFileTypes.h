#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

// Icons and type names of files by their name alone (no file needs to exist):
// the MIME type the extension stands for gives the icon (from the desktop's
// icon theme, with a generic fallback) and the type name (its comment). Folders
// have icons and a type name of their own. Cached per extension for the life of
// the object. User-interface thread only.
class TFileTypes final
{
public:
    QIcon iconFor(const QString& fileName);
    QString typeNameFor(const QString& fileName);
    QIcon folderIcon();
    QIcon openFolderIcon();
    QString folderTypeName();

    // The process-wide cache the windows share.
    static TFileTypes& shared();

private:
    struct TEntry
    {
        QIcon icon;
        QString typeName;
    };
    const TEntry& entryFor(const QString& fileName);

    QHash<QString, TEntry> m_byExtension; // lower-case extension, "" for none
    QIcon m_folder;
    QIcon m_openFolder;
    QString m_folderTypeName;
};
