// TRemotePane: the selection of the remote list, read and set by row.
#include "ui/main/TRemotePane.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QListView>
#include <QTreeView>

#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePaneController.h"

QList<int> TRemotePane::selectedRows() const
{
    QList<int> rows;
    const QItemSelection selection = m_listView->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TRemotePane::firstSelectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void TRemotePane::selectRows(const std::vector<int>& rows, bool replace, bool scrollToFirst)
{
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QItemSelection selection;
    const int last = TRemoteListModel::kColumnCount - 1;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] <= sorted[j] + 1)
            ++j;
        selection.append(QItemSelectionRange(m_model->index(sorted[i], 0), m_model->index(sorted[j], last)));
        i = j + 1;
    }
    QItemSelectionModel* model = m_listView->selectionModel();
    if (selection.isEmpty() && !replace)
        return;
    model->select(selection, (replace ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                                 QItemSelectionModel::Rows);
    if (sorted.empty())
        return;
    const QModelIndex first = m_model->index(sorted.front(), 0);
    model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    if (scrollToFirst)
        activeView()->scrollTo(first);
}

void TRemotePane::clearSelection()
{
    m_listView->selectionModel()->clearSelection();
}

void TRemotePane::rememberSelection()
{
    m_controller->rememberSelection();
}

void TRemotePane::selectAllRows()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(m_model->index(0, 0),
                             m_model->index(rows - 1, TRemoteListModel::kColumnCount - 1));
    m_listView->selectionModel()->select(all,
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TRemotePane::invertSelection()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(m_model->index(0, 0),
                             m_model->index(rows - 1, TRemoteListModel::kColumnCount - 1));
    m_listView->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TRemotePane::scrollToRow(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        activeView()->scrollTo(m_model->index(row, 0));
}
