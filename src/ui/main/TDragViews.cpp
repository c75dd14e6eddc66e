#include "ui/main/TDragViews.h"

void TDragTreeView::startDrag(Qt::DropActions supported)
{
    if (m_starter)
        m_starter(supported);
}

void TDragListView::startDrag(Qt::DropActions supported)
{
    if (m_starter)
        m_starter(supported);
}
