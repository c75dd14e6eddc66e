#pragma once

#include <memory>

#include <QString>

class THost;

// The host tree as the host manager shows it, without any widget: nodes with a
// caption, an optional host record and children. THosts fills such a tree and
// saves from it; the host manager adapts its tree view to this interface.
//
// A node with a host record is a host; every other node is a group named by its
// caption. The records are shared with the host store: editing a record through
// the tree edits the store's record.
class THostTree
{
public:
    class Node
    {
    public:
        virtual ~Node() = default;
        virtual QString caption() const = 0;
        // The host this node stands for; null for a group.
        virtual std::shared_ptr<THost> host() const = 0;
        virtual int childCount() const = 0;
        virtual Node* child(int index) const = 0;
    };

    virtual ~THostTree() = default;

    // Removes every node.
    virtual void clear() = 0;
    // Appends a node as the last child of `parent` (top level when null) and
    // returns it; the tree owns it.
    virtual Node* addNode(Node* parent, const QString& caption, std::shared_ptr<THost> host) = 0;
    virtual int topLevelCount() const = 0;
    virtual Node* topLevelNode(int index) const = 0;
};
