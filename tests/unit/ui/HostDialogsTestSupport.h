#pragma once

// What the tests of the host dialogs (add-host wizard, bookmarks editor) share:
// the dialog environment with a host tree store as well, a tree with a group,
// and a fresh read of Hosts.xml.

#include <memory>

#include <QString>

#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMemoryHostTree.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace hostdialogtest {

class HostDialogEnvironment : public dialogtest::DialogEnvironment
{
public:
    HostDialogEnvironment() { THosts::createGlobal(); }
    ~HostDialogEnvironment() { THosts::destroyGlobal(); }
    HostDialogEnvironment(const HostDialogEnvironment&) = delete;
    HostDialogEnvironment& operator=(const HostDialogEnvironment&) = delete;
};

inline QString hostsFile()
{
    return MainConfig()->dataFilePath(QStringLiteral("Hosts.xml"));
}

// Saves the host tree store as: a top-level host "Top", then a group "Work"
// holding the host "Inner" (with the bookmark /old). Returns Inner's ID.
inline QString saveTreeWithAGroup()
{
    TMemoryHostTree tree;
    THostTree::Node* root = tree.addNode(nullptr, QStringLiteral("Hosts"), nullptr);
    auto top = std::make_shared<THost>();
    top->CommonName = QStringLiteral("Top");
    top->Hostname = QStringLiteral("top.example");
    tree.addNode(root, top->CommonName, top);
    THostTree::Node* group = tree.addNode(root, QStringLiteral("Work"), nullptr);
    auto inner = std::make_shared<THost>();
    inner->CommonName = QStringLiteral("Inner");
    inner->Hostname = QStringLiteral("inner.example");
    inner->AddBookmark(QStringLiteral("/old"));
    tree.addNode(group, inner->CommonName, inner);
    Hosts()->SaveFromTree(tree);
    EXPECT_TRUE(Hosts()->Save());
    return inner->HostIDText();
}

// Hosts.xml as it is on disk now, read by a store of its own.
inline std::unique_ptr<THosts> rereadHosts()
{
    return std::make_unique<THosts>(hostsFile());
}

inline QString attribute(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

} // namespace hostdialogtest
