#pragma once

#include <QIcon>
#include <QStyledItemDelegate>

// Paints the queue view's rows: the progress bar over the Progress column while
// an item transfers (TQueueListModel::ProgressBarRole), nothing else there, and
// the download or upload arrow in front of the file name (DirectionRole).
class TQueueProgressDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TQueueProgressDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Width of the arrow in front of the file name, margins included.
    static int directionImageWidth(const QStyleOptionViewItem& option);

private:
    void paintProgress(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintFileName(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QIcon m_download;
    QIcon m_upload;
};
