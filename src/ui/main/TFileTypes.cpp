#include "ui/main/TFileTypes.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

namespace {

QString extensionOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || dot == fileName.size() - 1)
        return {};
    return fileName.mid(dot + 1).toLower();
}

QIcon standardIcon(QStyle::StandardPixmap which)
{
    return QApplication::style() ? QApplication::style()->standardIcon(which) : QIcon();
}

} // namespace

TFileTypes& TFileTypes::shared()
{
    static TFileTypes instance;
    return instance;
}

const TFileTypes::TEntry& TFileTypes::entryFor(const QString& fileName)
{
    const QString extension = extensionOf(fileName);
    auto found = m_byExtension.constFind(extension);
    if (found != m_byExtension.constEnd())
        return *found;
    static const QMimeDatabase database;
    // "bogus." + the extension: the type is decided by the extension alone.
    const QMimeType mime =
        database.mimeTypeForFile(QStringLiteral("bogus.") + extension, QMimeDatabase::MatchExtension);
    TEntry entry;
    entry.icon = QIcon::fromTheme(
        mime.iconName(), QIcon::fromTheme(mime.genericIconName(), standardIcon(QStyle::SP_FileIcon)));
    entry.typeName = mime.comment();
    return *m_byExtension.insert(extension, entry);
}

QIcon TFileTypes::iconFor(const QString& fileName)
{
    return entryFor(fileName).icon;
}

QString TFileTypes::typeNameFor(const QString& fileName)
{
    return entryFor(fileName).typeName;
}

QIcon TFileTypes::folderIcon()
{
    if (m_folder.isNull())
        m_folder = QIcon::fromTheme(QStringLiteral("folder"), standardIcon(QStyle::SP_DirClosedIcon));
    return m_folder;
}

QIcon TFileTypes::openFolderIcon()
{
    if (m_openFolder.isNull())
        m_openFolder = QIcon::fromTheme(QStringLiteral("folder-open"), standardIcon(QStyle::SP_DirOpenIcon));
    return m_openFolder;
}

QString TFileTypes::folderTypeName()
{
    if (m_folderTypeName.isEmpty()) {
        static const QMimeDatabase database;
        m_folderTypeName = database.mimeTypeForName(QStringLiteral("inode/directory")).comment();
    }
    return m_folderTypeName;
}
