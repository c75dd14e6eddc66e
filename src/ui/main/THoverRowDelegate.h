#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// Paints the row a drag is over (the drop target) as highlighted; every other
// row as the default delegate does. The owner sets and clears the row and
// repaints the view.
class THoverRowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Any index of the row; an invalid one: no row.
    void setHoverRow(const QModelIndex& index)
    {
        m_row = index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
    }
    QModelIndex hoverRow() const { return m_row; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QPersistentModelIndex m_row;
};
