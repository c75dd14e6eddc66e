#pragma once

#include <functional>

#include <QListView>
#include <QTreeView>

// The file lists' views. They are drag-enabled, so that a press on a selected
// row keeps a selection of several rows until the release, but Qt's own start
// of a drag (with the model's data) is replaced: by the drag starter when one
// is set, by nothing otherwise (the window's drag and drop starts the drags
// from the mouse itself, TDragDropController).
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
