#include "ui/main/TQueueProgressDelegate.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QStyle>

#include "ui/main/TQueueListModel.h"

namespace {

QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

constexpr int kImageMargin = 2;

} // namespace

TQueueProgressDelegate::TQueueProgressDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_download(themeIcon("go-down", QStyle::SP_ArrowDown))
    , m_upload(themeIcon("go-up", QStyle::SP_ArrowUp))
{}

int TQueueProgressDelegate::directionImageWidth(const QStyleOptionViewItem& option)
{
    const int side = option.decorationSize.isValid() ? option.decorationSize.height() : 16;
    return side + 2 * kImageMargin;
}

void TQueueProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    switch (index.column()) {
    case TQueueListModel::colProgress:
        paintProgress(painter, option, index);
        return;
    case TQueueListModel::colFilename:
        paintFileName(painter, option, index);
        return;
    default:
        QStyledItemDelegate::paint(painter, option, index);
    }
}

void TQueueProgressDelegate::paintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // The column's text (the percent) is for screen readers, not drawn.
    cell.text.clear();
    QStyle* style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);

    const int percent = index.data(TQueueListModel::ProgressBarRole).toInt();
    if (percent <= 0)
        return;
    QStyleOptionProgressBar bar;
    bar.initFrom(option.widget);
    // Qt 6 tells a horizontal bar by its state alone.
    bar.state = (option.state & (QStyle::State_Enabled | QStyle::State_Active)) | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.palette = option.palette;
    bar.fontMetrics = option.fontMetrics;
    bar.rect = option.rect.adjusted(1, 1, -1, -1);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = std::min(percent, 100);
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.text = QLocale().toString(bar.progress) + QLatin1Char('%');
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

void TQueueProgressDelegate::paintFileName(QPainter* painter, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const
{
    using TDirectionImage = TQueueListModel::TDirectionImage;
    const auto direction = TDirectionImage(index.data(TQueueListModel::DirectionRole).toInt());
    const int imageWidth = directionImageWidth(option);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    QStyle* style = styleOf(option);
    // The whole cell's background first, then the arrow in its own place, then
    // icon and name behind it, as a list view draws its state images.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, option.widget);
    if (direction != TDirectionImage::None) {
        const QIcon& icon = direction == TDirectionImage::Download ? m_download : m_upload;
        const int side = imageWidth - 2 * kImageMargin;
        const QRect place(cell.rect.left() + kImageMargin, cell.rect.top() + (cell.rect.height() - side) / 2,
                          side, side);
        const QIcon::Mode mode = (cell.state & QStyle::State_Selected) ? QIcon::Selected : QIcon::Normal;
        icon.paint(painter, place, Qt::AlignCenter, mode);
    }
    cell.rect.setLeft(cell.rect.left() + imageWidth);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
}

QSize TQueueProgressDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == TQueueListModel::colFilename)
        size.rwidth() += directionImageWidth(option);
    return size;
}
