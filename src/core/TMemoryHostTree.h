#pragma once

#include <memory>
#include <vector>

#include "core/THostTree.h"

// A host tree held in memory: for the command-line tool, for tests, and as the
// model a tree widget can mirror.
class TMemoryHostTree final : public THostTree
{
public:
    class MemoryNode final : public Node
    {
    public:
        MemoryNode(MemoryNode* parent, QString caption, std::shared_ptr<THost> host);

        QString caption() const override { return m_caption; }
        std::shared_ptr<THost> host() const override { return m_host; }
        int childCount() const override { return static_cast<int>(m_children.size()); }
        MemoryNode* child(int index) const override;

        MemoryNode* parent() const { return m_parent; }
        void setCaption(const QString& caption) { m_caption = caption; }
        void setHost(std::shared_ptr<THost> host) { m_host = std::move(host); }

    private:
        friend class TMemoryHostTree;
        MemoryNode* m_parent;
        QString m_caption;
        std::shared_ptr<THost> m_host;
        std::vector<std::unique_ptr<MemoryNode>> m_children;
    };

    void clear() override { m_topLevel.clear(); }
    MemoryNode* addNode(Node* parent, const QString& caption, std::shared_ptr<THost> host) override;
    int topLevelCount() const override { return static_cast<int>(m_topLevel.size()); }
    MemoryNode* topLevelNode(int index) const override;

    // Removes a node with everything below it.
    void removeNode(Node* node);
    // Moves a node (with its children) to the end of `newParent`'s children (top
    // level when null). Refuses (false) to move a node below itself.
    bool moveNode(Node* node, Node* newParent);

    // Calls `visit` for every node in depth-first document order, with the
    // captions of its ancestors (outermost first).
    template <typename Visit>
    void forEach(Visit visit) const
    {
        std::vector<QString> path;
        for (const auto& node : m_topLevel)
            walk(*node, path, visit);
    }

private:
    template <typename Visit>
    static void walk(const MemoryNode& node, std::vector<QString>& path, Visit& visit)
    {
        visit(node, static_cast<const std::vector<QString>&>(path));
        path.push_back(node.caption());
        for (const auto& child : node.m_children)
            walk(*child, path, visit);
        path.pop_back();
    }

    std::vector<std::unique_ptr<MemoryNode>>& siblingsOf(MemoryNode* parent);
    std::unique_ptr<MemoryNode> detach(MemoryNode* node);

    std::vector<std::unique_ptr<MemoryNode>> m_topLevel;
};
