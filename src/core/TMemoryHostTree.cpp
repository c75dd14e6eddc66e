#include "core/TMemoryHostTree.h"

#include <algorithm>

#include "core/THost.h"

TMemoryHostTree::MemoryNode::MemoryNode(MemoryNode* parent, QString caption, std::shared_ptr<THost> host)
    : m_parent(parent)
    , m_caption(std::move(caption))
    , m_host(std::move(host))
{}

TMemoryHostTree::MemoryNode* TMemoryHostTree::MemoryNode::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return m_children[static_cast<std::size_t>(index)].get();
}

TMemoryHostTree::MemoryNode* TMemoryHostTree::addNode(Node* parent, const QString& caption,
                                                      std::shared_ptr<THost> host)
{
    auto* owner = static_cast<MemoryNode*>(parent);
    auto& siblings = siblingsOf(owner);
    siblings.push_back(std::make_unique<MemoryNode>(owner, caption, std::move(host)));
    return siblings.back().get();
}

TMemoryHostTree::MemoryNode* TMemoryHostTree::topLevelNode(int index) const
{
    if (index < 0 || index >= topLevelCount())
        return nullptr;
    return m_topLevel[static_cast<std::size_t>(index)].get();
}

std::vector<std::unique_ptr<TMemoryHostTree::MemoryNode>>& TMemoryHostTree::siblingsOf(MemoryNode* parent)
{
    return parent ? parent->m_children : m_topLevel;
}

std::unique_ptr<TMemoryHostTree::MemoryNode> TMemoryHostTree::detach(MemoryNode* node)
{
    auto& siblings = siblingsOf(node->m_parent);
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [node](const std::unique_ptr<MemoryNode>& n) { return n.get() == node; });
    if (it == siblings.end())
        return nullptr;
    std::unique_ptr<MemoryNode> owned = std::move(*it);
    siblings.erase(it);
    return owned;
}

void TMemoryHostTree::removeNode(Node* node)
{
    if (node)
        detach(static_cast<MemoryNode*>(node));
}

bool TMemoryHostTree::moveNode(Node* node, Node* newParent)
{
    auto* moving = static_cast<MemoryNode*>(node);
    auto* target = static_cast<MemoryNode*>(newParent);
    if (!moving)
        return false;
    for (const MemoryNode* p = target; p; p = p->m_parent)
        if (p == moving)
            return false;
    std::unique_ptr<MemoryNode> owned = detach(moving);
    if (!owned)
        return false;
    owned->m_parent = target;
    siblingsOf(target).push_back(std::move(owned));
    return true;
}
