#pragma once

#include <QFileSystemModel>
#include <QStringList>

// The rows of the local list: the file system as QFileSystemModel reads it, with
// the window's own column titles and sizes in kilobytes as the remote list shows
// them (FormatSizeKB); folders show no size; icons and type names from
// TFileTypes, as in the remote list. Columns: Name, Size, Type, Date.
//
// User-interface thread only.
class TLocalFileModel final : public QFileSystemModel
{
    Q_OBJECT

public:
    enum TColumn
    {
        kName,
        kSize,
        kType,
        kDate,
        kColumnCount
    };

    explicit TLocalFileModel(QObject* parent = nullptr);

    void setColumnTitles(const QStringList& titles);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_titles;
};
