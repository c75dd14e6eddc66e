#include "ui/main/TLocalFileModel.h"

#include <QDir>

#include "core/SizeFormat.h"
#include "ui/main/TFileTypes.h"

TLocalFileModel::TLocalFileModel(QObject* parent)
    : QFileSystemModel(parent)
{
    // Hidden and system entries are shown, "." and ".." are not.
    setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    // Names are edited in place (F2, and a new folder right after it was made).
    setReadOnly(false);
}

void TLocalFileModel::setColumnTitles(const QStringList& titles)
{
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

QVariant TLocalFileModel::data(const QModelIndex& index, int role) const
{
    // Icons and type names as the remote list shows them: by extension, in the
    // window's language where the desktop gives one, with fallbacks of our own.
    if (index.isValid() && index.column() == kName && role == Qt::DecorationRole)
        return isDir(index) ? TFileTypes::shared().folderIcon()
                            : TFileTypes::shared().iconFor(fileName(index.siblingAtColumn(kName)));
    if (index.isValid() && index.column() == kType && role == Qt::DisplayRole)
        return isDir(index) ? TFileTypes::shared().folderTypeName()
                            : TFileTypes::shared().typeNameFor(fileName(index.siblingAtColumn(kName)));
    if (index.isValid() && index.column() == kSize) {
        if (role == Qt::DisplayRole) {
            if (isDir(index))
                return QString();
            return FormatSizeKB(size(index));
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QFileSystemModel::data(index, role);
}

QVariant TLocalFileModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_titles.size() && !m_titles.at(section).isEmpty())
        return m_titles.at(section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section == kSize)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QFileSystemModel::headerData(section, orientation, role);
}
