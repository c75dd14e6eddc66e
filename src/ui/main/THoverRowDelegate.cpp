#include "ui/main/THoverRowDelegate.h"

void THoverRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    if (!m_row.isValid() || index.row() != m_row.row() || index.parent() != m_row.parent()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem hover(option);
    hover.state |= QStyle::State_Selected | QStyle::State_Active;
    QStyledItemDelegate::paint(painter, hover, index);
}
