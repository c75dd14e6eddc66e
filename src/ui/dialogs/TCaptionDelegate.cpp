#include "ui/dialogs/TCaptionDelegate.h"

#include <QLineEdit>

TCaptionDelegate::TCaptionDelegate(int column, std::function<void()> confirmed, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_column(column)
    , m_confirmed(std::move(confirmed))
{}

QWidget* TCaptionDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    if (index.column() != m_column)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void TCaptionDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    const auto* edit = qobject_cast<const QLineEdit*>(editor);
    if (edit && !edit->text().trimmed().isEmpty())
        QStyledItemDelegate::setModelData(editor, model, index);
    if (m_confirmed)
        m_confirmed();
}
