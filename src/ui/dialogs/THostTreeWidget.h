#pragma once

#include <memory>

#include <QIcon>
#include <QPointer>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "core/THostTree.h"

class QMimeData;
class THost;
class THostTreeWidget;

// A node of the host manager's tree: a group (no record, the root among them)
// or a host, whose record it shares with the host store.
class THostTreeItem final : public QTreeWidgetItem
{
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    THostTreeItem(const QString& caption, std::shared_ptr<THost> host);

    const std::shared_ptr<THost>& host() const { return m_host; }
    bool isHost() const { return m_host != nullptr; }
    bool isRoot() const;
    THostTreeItem* parentNode() const { return static_cast<THostTreeItem*>(parent()); }
    THostTreeItem* childNode(int index) const { return static_cast<THostTreeItem*>(child(index)); }

    // The order of the tree: groups before hosts, then the captions without
    // regard to case by the collation of the user's locale.
    bool operator<(const QTreeWidgetItem& other) const override;

    // The same node as THostTree presents it, and back.
    THostTree::Node& node() { return m_node; }
    static THostTreeItem* fromNode(THostTree::Node* node);

private:
    class TNode final : public THostTree::Node
    {
    public:
        explicit TNode(THostTreeItem& item)
            : m_item(item)
        {}
        QString caption() const override;
        std::shared_ptr<THost> host() const override { return m_item.m_host; }
        int childCount() const override { return m_item.childCount(); }
        Node* child(int index) const override;
        THostTreeItem& item() const { return m_item; }

    private:
        THostTreeItem& m_item;
    };

    std::shared_ptr<THost> m_host;
    TNode m_node;
};

// The tree of the host manager: a root node (the first top-level node, which
// cannot be renamed, dragged or removed), groups and hosts below it, kept in the
// order of THostTreeItem.
//
// Drags offer "FTPHostIndex" (the node's absolute index, depth first from the
// root at 0) and, for a host, its URL as "UniformResourceLocator" and as a link;
// copy and move. Only groups take drops: "FTPHostIndex" of a drag from this tree
// moves the node there or copies it (host copies get new IDs, a group is copied
// with everything below it); a node never goes into itself or below itself. An
// ftp:// link (a URL list, "UniformResourceLocator" or plain text) from anywhere
// becomes a new host as Paste makes it.
//
// Renaming in place keeps the old caption when the new one is empty; a host's
// CommonName follows its caption. User-interface thread only.
class THostTreeWidget final : public QTreeWidget
{
    Q_OBJECT

public:
    static QString hostIndexFormat() { return QStringLiteral("FTPHostIndex"); }
    static QString urlFormat() { return QStringLiteral("UniformResourceLocator"); }

    explicit THostTreeWidget(QWidget* parent = nullptr);

    // The tree as THosts fills and saves it. Filling makes the first top-level
    // node the root; call prepareFilled() afterwards.
    THostTree& hostTree() { return m_adapter; }
    // Gives the filled nodes their images and flags, expands the root and sorts.
    void prepareFilled();

    THostTreeItem* rootNode() const;
    THostTreeItem* currentNode() const { return static_cast<THostTreeItem*>(currentItem()); }
    // Where a new node goes for `selected`: a host's group, a group itself, the
    // root when nothing is selected.
    THostTreeItem* groupFor(THostTreeItem* selected) const;

    THostTreeItem* addGroup(THostTreeItem* parent, const QString& caption);
    THostTreeItem* addHost(THostTreeItem* parent, std::shared_ptr<THost> host);
    // A new host from an ftp:// address below `parent`, selected; null when
    // `text` is no such address (Paste, and links dropped from outside).
    THostTreeItem* addHostFromURL(THostTreeItem* parent, const QString& text);
    // Removes a node with everything below it; never the root.
    bool removeNode(THostTreeItem* item);
    // Starts editing the caption of a node other than the root.
    bool rename(THostTreeItem* item);
    void sortNodes();
    // Whether a caption is being edited.
    bool isEditing() const { return state() == EditingState; }

    int absoluteIndex(const QTreeWidgetItem* item) const;
    THostTreeItem* nodeAtAbsoluteIndex(int index) const;

    // What a drag of `item` carries; null for the root.
    QMimeData* dragData(THostTreeItem* item) const;
    // Whether `target` takes `mime`; `ownDrag`: the drag started in this tree.
    bool acceptsDrop(const THostTreeItem* target, const QMimeData* mime, bool ownDrag) const;
    // Drops `mime` on `target` (move or copy); false when nothing changed.
    bool dropOn(THostTreeItem* target, const QMimeData* mime, Qt::DropAction action, bool ownDrag);

    // The ftp:// address a drop or the clipboard offers, or "".
    static QString urlTextOf(const QMimeData* mime);

signals:
    // The user changed the tree: a node added, removed, moved, copied or renamed.
    void treeChanged();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class TAdapter final : public THostTree
    {
    public:
        explicit TAdapter(THostTreeWidget& tree)
            : m_tree(tree)
        {}
        void clear() override;
        Node* addNode(Node* parent, const QString& caption, std::shared_ptr<THost> host) override;
        int topLevelCount() const override { return m_tree.topLevelItemCount(); }
        Node* topLevelNode(int index) const override;

    private:
        THostTreeWidget& m_tree;
    };
    friend class TAdapter;

    void decorate(THostTreeItem* item) const;
    THostTreeItem* copyNode(const THostTreeItem* source, THostTreeItem* target);
    THostTreeItem* groupAt(const QPoint& position) const;
    void setDropTarget(THostTreeItem* item);
    void captionEdited(THostTreeItem* item, const QString& caption);

    TAdapter m_adapter;
    QIcon m_hostIcon;
    QIcon m_groupIcon;
    THostTreeItem* m_dropTarget = nullptr;
};
