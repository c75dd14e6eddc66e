#pragma once

#include <functional>

#include <QStyledItemDelegate>

// Edits the captions of a list in place, in one column only. A confirmed edit
// whose text is empty or blank keeps the caption it had; every confirmed edit
// is reported (the editors then count as changed).
class TCaptionDelegate final : public QStyledItemDelegate
{
public:
    TCaptionDelegate(int column, std::function<void()> confirmed, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    int m_column;
    std::function<void()> m_confirmed;
};
