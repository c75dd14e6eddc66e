#pragma once

#include <functional>

#include <QListView>
#include <QTreeView>

// The file lists' views. Qt decides when a drag starts (the button held on a
// selected row past the drag distance); what is dragged is the owner's choice,
// through the drag starter. Without one the view does not drag at all.
//
// User-interface thread only.
using TDragStarter = std::function<void(Qt::DropActions supported)>;

class TDragTreeView final : public QTreeView
{
public:
    using QTreeView::QTreeView;
    void setDragStarter(TDragStarter starter) { m_starter = std::move(starter); }

protected:
    void startDrag(Qt::DropActions supported) override;

private:
    TDragStarter m_starter;
};

class TDragListView final : public QListView
{
public:
    using QListView::QListView;
    void setDragStarter(TDragStarter starter) { m_starter = std::move(starter); }

protected:
    void startDrag(Qt::DropActions supported) override;

private:
    TDragStarter m_starter;
};
