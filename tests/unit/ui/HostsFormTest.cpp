#include "ui/dialogs/HostsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMemoryHostTree.h"
#include "ui/dialogs/THostTreeWidget.h"
#include "ui/dialogs/TPortKeyFilter.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

// The dialog environment with a host tree store as well.
class HostsEnvironment : public dialogtest::DialogEnvironment
{
public:
    HostsEnvironment() { THosts::createGlobal(); }
    ~HostsEnvironment() { THosts::destroyGlobal(); }
    HostsEnvironment(const HostsEnvironment&) = delete;
    HostsEnvironment& operator=(const HostsEnvironment&) = delete;
};

// Hosts.xml as it is on disk now, read by a store of its own.
std::unique_ptr<THosts> rereadHosts()
{
    return std::make_unique<THosts>(MainConfig()->dataFilePath(QStringLiteral("Hosts.xml")));
}

QString attribute(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

template <class T = QLineEdit>
T* child(QWidget& form, const char* name)
{
    return dialogtest::child<T>(form, name);
}

QAction* action(THostsForm& form, const char* name)
{
    auto* found = form.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The captions of a node's children, in the order shown.
QStringList captions(const QTreeWidgetItem* node)
{
    QStringList list;
    for (int i = 0; i < node->childCount(); ++i)
        list << node->child(i)->text(0);
    return list;
}

// The caption editor open in the tree (an editor closed before may not be deleted yet).
QLineEdit* captionEditor(THostTreeWidget* tree)
{
    for (QLineEdit* editor : tree->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

THostTreeItem* childNamed(const QTreeWidgetItem* node, const QString& caption)
{
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == caption)
            return static_cast<THostTreeItem*>(node->child(i));
    ADD_FAILURE() << "no node " << caption.toStdString();
    return nullptr;
}

std::shared_ptr<THost> newHost(const QString& name)
{
    auto host = std::make_shared<THost>();
    host->CommonName = name;
    host->Hostname = name.toLower() + QStringLiteral(".example");
    return host;
}

// Root: group "Work" > group "Deep" > host "Nested"; top-level host "Top"
// (bob / secret, port 2121). Returns Top's ID.
QString saveNestedTree()
{
    TMemoryHostTree tree;
    THostTree::Node* root = tree.addNode(nullptr, QStringLiteral("Hosts"), nullptr);
    auto top = newHost(QStringLiteral("Top"));
    top->Username = QStringLiteral("bob");
    top->Password = QStringLiteral("secret");
    top->Port = 2121;
    tree.addNode(root, top->CommonName, top);
    THostTree::Node* work = tree.addNode(root, QStringLiteral("Work"), nullptr);
    THostTree::Node* deep = tree.addNode(work, QStringLiteral("Deep"), nullptr);
    auto nested = newHost(QStringLiteral("Nested"));
    tree.addNode(deep, nested->CommonName, nested);
    Hosts()->SaveFromTree(tree);
    EXPECT_TRUE(Hosts()->Save());
    return top->HostIDText();
}

std::vector<THost> storedHosts()
{
    const std::unique_ptr<THosts> reread = rereadHosts();
    std::vector<THost> hosts;
    for (const auto& host : reread->hosts())
        hosts.push_back(*host);
    return hosts;
}

const THost* storedNamed(const std::vector<THost>& hosts, const QString& name)
{
    for (const THost& host : hosts)
        if (host.CommonName == name)
            return &host;
    return nullptr;
}

class HostsFormTest : public ::testing::Test
{
protected:
    // Shown and active, so focus and shortcuts behave as on the screen.
    void showAndActivate(THostsForm& form)
    {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    void select(THostsForm& form, QTreeWidgetItem* item)
    {
        form.tree()->setCurrentItem(item);
        form.tree()->setFocus();
        form.updateActions();
    }

    HostsEnvironment env;
};

TEST_F(HostsFormTest, NestedGroupsShowGroupsBeforeHostsInCaseInsensitiveOrderAtEveryLevel)
{
    TMemoryHostTree tree;
    THostTree::Node* root = tree.addNode(nullptr, QStringLiteral("Hosts"), nullptr);
    tree.addNode(root, QStringLiteral("zeta"), newHost(QStringLiteral("zeta")));
    THostTree::Node* beta = tree.addNode(root, QStringLiteral("beta"), nullptr);
    tree.addNode(root, QStringLiteral("Beta host"), newHost(QStringLiteral("Beta host")));
    tree.addNode(root, QStringLiteral("Alpha group"), nullptr);
    tree.addNode(beta, QStringLiteral("b"), newHost(QStringLiteral("b")));
    THostTree::Node* z = tree.addNode(beta, QStringLiteral("Z"), nullptr);
    tree.addNode(beta, QStringLiteral("A"), newHost(QStringLiteral("A")));
    tree.addNode(beta, QStringLiteral("a"), nullptr);
    tree.addNode(z, QStringLiteral("x"), newHost(QStringLiteral("x")));
    tree.addNode(z, QStringLiteral("Y"), nullptr);
    Hosts()->SaveFromTree(tree);
    ASSERT_TRUE(Hosts()->Save());

    THostsForm form;
    THostTreeItem* shownRoot = form.tree()->rootNode();
    ASSERT_NE(shownRoot, nullptr);
    EXPECT_EQ(shownRoot->text(0), QStringLiteral("Hosts"));
    EXPECT_TRUE(shownRoot->isExpanded());
    EXPECT_EQ(form.tree()->topLevelItemCount(), 1);
    EXPECT_EQ(captions(shownRoot), (QStringList{QStringLiteral("Alpha group"), QStringLiteral("beta"),
                                                QStringLiteral("Beta host"), QStringLiteral("zeta")}));
    THostTreeItem* shownBeta = childNamed(shownRoot, QStringLiteral("beta"));
    ASSERT_NE(shownBeta, nullptr);
    // "a" before "Z" although 'Z' < 'a' in code points.
    EXPECT_EQ(captions(shownBeta), (QStringList{QStringLiteral("a"), QStringLiteral("Z"), QStringLiteral("A"),
                                                QStringLiteral("b")}));
    EXPECT_EQ(captions(childNamed(shownBeta, QStringLiteral("Z"))),
              (QStringList{QStringLiteral("Y"), QStringLiteral("x")}));
    EXPECT_FALSE(form.isModified());
    EXPECT_FALSE(child<QPushButton>(form, "ApplyButton")->isEnabled());
}

TEST_F(HostsFormTest, SelectingShowsTheHostAndAGroupDisablesThePagesWithoutChangingTheFlag)
{
    const QString topID = saveNestedTree();
    THostsForm form;
    THostTreeItem* root = form.tree()->rootNode();
    EXPECT_FALSE(child<QWidget>(form, "GeneralTabSheet")->isEnabled());
    EXPECT_FALSE(child<QWidget>(form, "ProxyTabSheet")->isEnabled());

    THostTreeItem* top = childNamed(root, QStringLiteral("Top"));
    select(form, top);
    EXPECT_TRUE(child<QWidget>(form, "GeneralTabSheet")->isEnabled());
    EXPECT_EQ(child(form, "HostnameEdit")->text(), QStringLiteral("top.example"));
    EXPECT_EQ(child(form, "PortEdit")->text(), QStringLiteral("2121"));
    EXPECT_EQ(child(form, "UsernameEdit")->text(), QStringLiteral("bob"));
    EXPECT_EQ(child(form, "PasswordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(child<QLabel>(form, "HostIDLabel")->text(), QStringLiteral("Host-ID: ") + topID);
    EXPECT_FALSE(form.isModified());

    // What was typed goes into the record when the selection leaves the host.
    child(form, "PortEdit")->setText(QStringLiteral("2222"));
    EXPECT_TRUE(form.isModified());
    select(form, childNamed(root, QStringLiteral("Work")));
    EXPECT_FALSE(child<QWidget>(form, "DirectoriesTabSheet")->isEnabled());
    EXPECT_EQ(child<QLabel>(form, "HostIDLabel")->text(), QStringLiteral("Host-ID: N/A"));
    EXPECT_EQ(top->host()->Port, 2222);
    EXPECT_TRUE(form.isModified());
    select(form, top);
    EXPECT_EQ(child(form, "PortEdit")->text(), QStringLiteral("2222"));
}

TEST_F(HostsFormTest, PortEditRefusesALetterWithTheBalloonAndABadPortIsStoredAs21)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    QLineEdit* port = child(form, "PortEdit");
    port->setFocus();
    QTest::keyClick(port, Qt::Key_End);
    QTest::keyClick(port, Qt::Key_A);
    EXPECT_EQ(port->text(), QStringLiteral("2121"));
    auto* filter = port->findChild<TPortKeyFilter*>();
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->balloonShown());
    EXPECT_EQ(filter->balloonTitle(), QStringLiteral("Error"));
    EXPECT_EQ(filter->balloonText(), QStringLiteral("Value must be an integer"));

    port->clear();
    ASSERT_TRUE(form.apply());
    EXPECT_EQ(storedNamed(storedHosts(), QStringLiteral("Top"))->Port, 21);

    port->setText(QStringLiteral("x1")); // pasted text passes no key filter
    ASSERT_TRUE(form.apply());
    EXPECT_EQ(storedNamed(storedHosts(), QStringLiteral("Top"))->Port, 21);
    EXPECT_FALSE(form.isModified());
}

TEST_F(HostsFormTest, AnonymousReplacesUserAndPasswordAndApplyStoresThem)
{
    saveNestedTree();
    THostsForm form;
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    child<QCheckBox>(form, "IsAnonymousCheckBox")->click();
    QLineEdit* user = child(form, "UsernameEdit");
    QLineEdit* password = child(form, "PasswordEdit");
    EXPECT_EQ(user->text(), QStringLiteral("anonymous"));
    EXPECT_EQ(password->text(), MainConfig()->AnonymousEmail());
    EXPECT_FALSE(user->isEnabled());
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(form.isModified());

    ASSERT_TRUE(form.apply());
    const std::vector<THost> hosts = storedHosts();
    const THost* stored = storedNamed(hosts, QStringLiteral("Top"));
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->IsAnonymous);
    EXPECT_EQ(stored->Username, QStringLiteral("anonymous"));
    EXPECT_EQ(stored->Password, MainConfig()->AnonymousEmail());

    child<QCheckBox>(form, "IsAnonymousCheckBox")->click();
    EXPECT_TRUE(user->isEnabled());
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
}

TEST_F(HostsFormTest, CopyByDragMakesASecondHostWithANewIDAndMoveRelocatesTheSource)
{
    const QString topID = saveNestedTree();
    THostsForm form;
    THostTreeWidget* tree = form.tree();
    THostTreeItem* root = tree->rootNode();
    THostTreeItem* top = childNamed(root, QStringLiteral("Top"));
    THostTreeItem* work = childNamed(root, QStringLiteral("Work"));

    std::unique_ptr<QMimeData> mime(tree->dragData(top));
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->data(THostTreeWidget::hostIndexFormat()), QByteArray::number(tree->absoluteIndex(top)));
    EXPECT_TRUE(mime->hasUrls());
    EXPECT_FALSE(tree->acceptsDrop(top, mime.get(), true)) << "a host takes no drop";
    EXPECT_EQ(tree->dragData(root), nullptr);

    ASSERT_TRUE(tree->dropOn(work, mime.get(), Qt::CopyAction, true));
    EXPECT_TRUE(form.isModified());
    EXPECT_EQ(captions(work), (QStringList{QStringLiteral("Deep"), QStringLiteral("Top")}));
    THostTreeItem* copy = childNamed(work, QStringLiteral("Top"));
    EXPECT_EQ(top->host()->HostIDText(), topID);
    EXPECT_NE(copy->host()->HostIDText(), topID);
    EXPECT_EQ(copy->host()->Username, QStringLiteral("bob"));
    EXPECT_EQ(copy->host()->Port, 2121);
    ASSERT_TRUE(form.apply());
    std::vector<THost> stored = storedHosts();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_NE(stored[0].HostIDText(), stored[2].HostIDText());

    // A group copied keeps its whole subtree, each host with an ID of its own.
    THostTreeItem* deep = childNamed(work, QStringLiteral("Deep"));
    mime.reset(tree->dragData(deep));
    ASSERT_TRUE(tree->dropOn(root, mime.get(), Qt::CopyAction, true));
    THostTreeItem* deepCopy = childNamed(root, QStringLiteral("Deep"));
    ASSERT_EQ(deepCopy->childCount(), 1);
    EXPECT_NE(deepCopy->childNode(0)->host()->HostIDText(), deep->childNode(0)->host()->HostIDText());

    // Moved: the source itself goes, with its ID.
    mime.reset(tree->dragData(top));
    ASSERT_TRUE(tree->dropOn(deepCopy, mime.get(), Qt::MoveAction, true));
    EXPECT_EQ(captions(deepCopy), (QStringList{QStringLiteral("Nested"), QStringLiteral("Top")}));
    EXPECT_EQ(childNamed(deepCopy, QStringLiteral("Top"))->host()->HostIDText(), topID);
    EXPECT_EQ(captions(root), (QStringList{QStringLiteral("Deep"), QStringLiteral("Work")}));
}

TEST_F(HostsFormTest, AGroupDroppedIntoItsOwnSubgroupLeavesTheTreeUnchanged)
{
    saveNestedTree();
    THostsForm form;
    THostTreeWidget* tree = form.tree();
    THostTreeItem* root = tree->rootNode();
    THostTreeItem* work = childNamed(root, QStringLiteral("Work"));
    THostTreeItem* deep = childNamed(work, QStringLiteral("Deep"));
    std::unique_ptr<QMimeData> mime(tree->dragData(work));
    for (const Qt::DropAction dropAction : {Qt::MoveAction, Qt::CopyAction}) {
        EXPECT_FALSE(tree->dropOn(deep, mime.get(), dropAction, true));
        EXPECT_FALSE(tree->dropOn(work, mime.get(), dropAction, true));
    }
    EXPECT_EQ(captions(root), (QStringList{QStringLiteral("Work"), QStringLiteral("Top")}));
    EXPECT_EQ(captions(work), (QStringList{QStringLiteral("Deep")}));
    EXPECT_EQ(captions(deep), (QStringList{QStringLiteral("Nested")}));
    EXPECT_FALSE(form.isModified());
}

TEST_F(HostsFormTest, AnFtpLinkDroppedOnAGroupBecomesAHostAndOtherLinksAreRefused)
{
    saveNestedTree();
    THostsForm form;
    THostTreeWidget* tree = form.tree();
    THostTreeItem* work = childNamed(tree->rootNode(), QStringLiteral("Work"));
    QMimeData http;
    http.setUrls({QUrl(QStringLiteral("http://www.example.org/"))});
    EXPECT_FALSE(tree->acceptsDrop(work, &http, false));
    QMimeData ftp;
    ftp.setData(THostTreeWidget::urlFormat(), QByteArray("ftp://files.example.org/pub/\0", 29));
    ASSERT_TRUE(tree->dropOn(work, &ftp, Qt::CopyAction, false));
    THostTreeItem* made = childNamed(work, QStringLiteral("files.example.org"));
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->host()->IsAnonymous);
    EXPECT_EQ(made->host()->InitialRemoteDirectory, QStringLiteral("/pub/"));
}

TEST_F(HostsFormTest, ALinkDraggedOverTheTreeIsTakenOnlyOverAGroup)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeWidget* tree = form.tree();
    THostTreeItem* top = childNamed(tree->rootNode(), QStringLiteral("Top"));
    THostTreeItem* work = childNamed(tree->rootNode(), QStringLiteral("Work"));
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("ftp://mirror.example.org/"))});
    const auto moveOver = [&](QTreeWidgetItem* item) {
        const QPointF at = tree->visualItemRect(item).center();
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::LinkAction, &link, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
        return move.isAccepted();
    };
    QDragEnterEvent enter(tree->visualItemRect(work).center(), Qt::CopyAction, &link, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_FALSE(moveOver(top));
    EXPECT_TRUE(moveOver(work));

    QDropEvent drop(QPointF(tree->visualItemRect(work).center()), Qt::CopyAction, &link, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(captions(work), (QStringList{QStringLiteral("Deep"), QStringLiteral("mirror.example.org")}));
    EXPECT_TRUE(form.isModified());
}

TEST_F(HostsFormTest, RenameToTheEmptyTextKeepsTheNameAndANewNameBecomesTheCommonName)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeItem* top = childNamed(form.tree()->rootNode(), QStringLiteral("Top"));
    select(form, top);

    const auto renameTo = [&](const QString& caption) {
        action(form, "RenameAction")->trigger();
        QLineEdit* editor = captionEditor(form.tree());
        ASSERT_NE(editor, nullptr);
        editor->setText(caption);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    };
    renameTo(QString());
    EXPECT_EQ(top->text(0), QStringLiteral("Top"));
    EXPECT_EQ(top->host()->CommonName, QStringLiteral("Top"));
    EXPECT_FALSE(form.isModified());

    // F2 in the tree starts the editing as well.
    QTest::keyClick(form.tree(), Qt::Key_F2);
    QLineEdit* editor = captionEditor(form.tree());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Another"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(top->text(0), QStringLiteral("Another"));
    EXPECT_EQ(top->host()->CommonName, QStringLiteral("Another"));
    EXPECT_TRUE(form.isModified());
    // Re-sorted: "Another" is still after the group.
    EXPECT_EQ(captions(form.tree()->rootNode()),
              (QStringList{QStringLiteral("Work"), QStringLiteral("Another")}));

    select(form, form.tree()->rootNode());
    EXPECT_FALSE(action(form, "RenameAction")->isEnabled());
}

TEST_F(HostsFormTest, DeleteKeyOnTheRootRemovesNothingAndOnAGroupRemovesItsSubtree)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeWidget* tree = form.tree();
    select(form, tree->rootNode());
    EXPECT_FALSE(action(form, "DeleteAction")->isEnabled());
    QTest::keyClick(tree, Qt::Key_Delete);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->rootNode()->childCount(), 2);
    EXPECT_FALSE(form.isModified());

    select(form, childNamed(tree->rootNode(), QStringLiteral("Work")));
    EXPECT_TRUE(action(form, "DeleteAction")->isEnabled());
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(captions(tree->rootNode()), (QStringList{QStringLiteral("Top")}));
    EXPECT_TRUE(form.isModified());
    ASSERT_TRUE(form.apply());
    const std::vector<THost> stored = storedHosts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].CommonName, QStringLiteral("Top"));
}

TEST_F(HostsFormTest, CancelWithChangesAsksAndEachAnswerDoesItsOwnThing)
{
    saveNestedTree();
    int asked = 0;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        ++asked;
        EXPECT_EQ(request.Text, QStringLiteral("You've made changes to one or more hosts. Do you want the "
                                               "changes to be saved before you exit?"));
        EXPECT_EQ(request.Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        request.Result = answer;
    });
    const auto changeTop = [&](THostsForm& form, const QString& hostname) {
        form.show();
        select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
        child(form, "HostnameEdit")->setText(hostname);
    };

    {
        THostsForm form;
        changeTop(form, QStringLiteral("kept.example"));
        answer = QMessageBox::Cancel;
        child<QPushButton>(form, "CancelButton")->click();
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.isModified());
        EXPECT_EQ(child(form, "HostnameEdit")->text(), QStringLiteral("kept.example"));

        answer = QMessageBox::No;
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(asked, 2);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_FALSE(form.savedChanges());
    }
    EXPECT_EQ(storedNamed(storedHosts(), QStringLiteral("Top"))->Hostname, QStringLiteral("top.example"));

    {
        THostsForm form;
        changeTop(form, QStringLiteral("saved.example"));
        answer = QMessageBox::Yes;
        form.close();
        EXPECT_EQ(asked, 3);
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(form.savedChanges());
    }
    EXPECT_EQ(storedNamed(storedHosts(), QStringLiteral("Top"))->Hostname, QStringLiteral("saved.example"));

    {
        THostsForm form; // nothing changed: nothing asked
        form.show();
        form.reject();
        EXPECT_EQ(asked, 3);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(HostsFormTest, ClosingWithoutSavingLeavesTheStoresRecordsAsTheFileHasThem)
{
    const QString topID = saveNestedTree();
    THost anonymous;
    anonymous.CommonName = anonymous.Hostname = QStringLiteral("anon.example");
    anonymous.IsAnonymous = true;
    anonymous.Username = QStringLiteral("kept");
    ASSERT_TRUE(Hosts()->UpdateHost(anonymous));
    TMessageDialog::setAnswerer([](TMessageRequest& request) { request.Result = QMessageBox::No; });
    {
        THostsForm form;
        form.show();
        THostTreeItem* root = form.tree()->rootNode();
        select(form, childNamed(root, QStringLiteral("anon.example")));
        EXPECT_EQ(child(form, "UsernameEdit")->text(), QStringLiteral("anonymous"));
        select(form, childNamed(root, QStringLiteral("Top")));
        child(form, "HostnameEdit")->setText(QStringLiteral("unsaved.example"));
        form.tree()->removeNode(childNamed(root, QStringLiteral("Work")));
        select(form, root);
        form.reject();
        EXPECT_FALSE(form.isVisible());
    }
    ASSERT_NE(Hosts()->FindByID(topID), nullptr);
    EXPECT_EQ(Hosts()->FindByID(topID)->Hostname, QStringLiteral("top.example"));
    EXPECT_EQ(Hosts()->FindByID(anonymous.HostIDText())->Username, QStringLiteral("kept"));
    EXPECT_EQ(Hosts()->count(), 3);
}

TEST_F(HostsFormTest, OkSavesAndRemembersOnlyASelectedHost)
{
    const QString topID = saveNestedTree();
    MainConfig()->SetLastConnectedHostID(QStringLiteral("{previous}"));
    {
        THostsForm form;
        form.show();
        THostTreeItem* work = childNamed(form.tree()->rootNode(), QStringLiteral("Work"));
        select(form, work);
        action(form, "NewHostAction")->trigger();
        select(form, work);
        child<QPushButton>(form, "OKButton")->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    EXPECT_EQ(MainConfig()->LastConnectedHostID(), QStringLiteral("{previous}"));
    EXPECT_NE(storedNamed(storedHosts(), QStringLiteral("New host")), nullptr);

    {
        THostsForm form;
        form.show();
        select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
        child<QCheckBox>(form, "ShowOnStartupCheckBox")->setChecked(true);
        child<QPushButton>(form, "OKButton")->click();
    }
    EXPECT_EQ(MainConfig()->LastConnectedHostID(), topID);
    EXPECT_TRUE(MainConfig()->ShowHostManagerOnStartup());
}

TEST_F(HostsFormTest, ConnectWritesBackCallsTheMainWindowAndClosesWithOk)
{
    const QString topID = saveNestedTree();
    THostsForm form;
    std::vector<THost> connected;
    form.setConnectToHost([&](const THost& host) { connected.push_back(host); });
    form.show();
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Work")));
    EXPECT_FALSE(action(form, "ConnectSelectedAction")->isEnabled());
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    child(form, "HostnameEdit")->setText(QStringLiteral("changed.example"));
    action(form, "ConnectSelectedAction")->trigger();
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected[0].Hostname, QStringLiteral("changed.example"));
    EXPECT_EQ(connected[0].HostIDText(), topID);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(MainConfig()->LastConnectedHostID(), topID);
    EXPECT_EQ(storedNamed(storedHosts(), QStringLiteral("Top"))->Hostname, QStringLiteral("changed.example"));
}

TEST_F(HostsFormTest, PasteOfAnFtpAddressInTheTreeMakesAHostInTheSelectedGroup)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeWidget* tree = form.tree();
    THostTreeItem* nested =
        childNamed(childNamed(childNamed(tree->rootNode(), QStringLiteral("Work")), QStringLiteral("Deep")),
                   QStringLiteral("Nested"));
    select(form, nested);

    QApplication::clipboard()->setText(QStringLiteral("http://www.example.org/"));
    form.updateActions();
    EXPECT_FALSE(action(form, "EditPaste")->isEnabled());

    QApplication::clipboard()->setText(QStringLiteral("FTP://joe:pw@files.example.org:2100/pub/"));
    form.updateActions();
    ASSERT_TRUE(action(form, "EditPaste")->isEnabled());
    QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
    THostTreeItem* made = tree->currentNode();
    ASSERT_NE(made, nullptr);
    ASSERT_TRUE(made->isHost());
    EXPECT_EQ(made->parentNode(), nested->parentNode());
    EXPECT_EQ(made->text(0), QStringLiteral("files.example.org"));
    const THost& host = *made->host();
    EXPECT_EQ(host.Hostname, QStringLiteral("files.example.org"));
    EXPECT_EQ(host.Port, 2100);
    EXPECT_EQ(host.Username, QStringLiteral("joe"));
    EXPECT_EQ(host.Password, QStringLiteral("pw"));
    EXPECT_EQ(host.InitialRemoteDirectory, QStringLiteral("/pub/"));
    EXPECT_TRUE(host.Passive);
    EXPECT_TRUE(form.isModified());

    // Copy puts the host's URL on the clipboard, never an account's password.
    QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ftp://joe:@files.example.org:2100/"));

    // Cut: the same, and the node goes.
    select(form, made);
    QApplication::clipboard()->clear();
    QTest::keyClick(tree, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ftp://joe:@files.example.org:2100/"));
    EXPECT_EQ(captions(nested->parentNode()), (QStringList{QStringLiteral("Nested")}));
    QApplication::clipboard()->setText(QStringLiteral("ftp://files.example.org/"));
    QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
    select(form, nested);

    // In an edit, Paste is the edit's own.
    QLineEdit* remote = child(form, "InitialRemoteDirectoryEdit");
    remote->setFocus();
    remote->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("/incoming/"));
    form.updateActions();
    action(form, "EditPaste")->trigger();
    EXPECT_EQ(remote->text(), QStringLiteral("/incoming/"));
    EXPECT_EQ(captions(nested->parentNode()).size(), 2);
}

TEST_F(HostsFormTest, TheContextMenuSelectsTheNodeUnderThePointerButNotFromTheKeyboard)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeWidget* tree = form.tree();
    THostTreeItem* top = childNamed(tree->rootNode(), QStringLiteral("Top"));
    THostTreeItem* work = childNamed(tree->rootNode(), QStringLiteral("Work"));
    select(form, top);
    auto* menu = form.findChild<QMenu*>(QStringLiteral("HostsPopupMenu"));
    ASSERT_NE(menu, nullptr);

    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), tree->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(tree, &key);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(tree->currentItem(), top);
    EXPECT_TRUE(action(form, "ConnectSelectedAction")->isEnabled());
    menu->hide();

    const QPoint onWork = tree->visualItemRect(work).center();
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, onWork, tree->viewport()->mapToGlobal(onWork));
    QApplication::sendEvent(tree->viewport(), &mouse);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(tree->currentItem(), work);
    EXPECT_FALSE(action(form, "ConnectSelectedAction")->isEnabled());
    EXPECT_TRUE(action(form, "RenameAction")->isEnabled());
    menu->hide();
}

TEST_F(HostsFormTest, NewNodesWithNothingSelectedGoBelowTheRootAndAreSaved)
{
    saveNestedTree();
    THostsForm form;
    showAndActivate(form);
    THostTreeWidget* tree = form.tree();
    tree->setCurrentItem(nullptr);
    action(form, "NewHostAction")->trigger();
    THostTreeItem* host = tree->currentNode();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->parentNode(), tree->rootNode());
    EXPECT_EQ(host->text(0), QStringLiteral("New host"));
    EXPECT_EQ(host->host()->Port, 21);
    EXPECT_TRUE(host->host()->Passive);
    EXPECT_TRUE(tree->isEditing());
    ASSERT_NE(captionEditor(tree), nullptr);
    QTest::keyClick(captionEditor(tree), Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible()) << "Escape in the caption editor only ends the editing";

    tree->setCurrentItem(nullptr);
    action(form, "NewGroupAction")->trigger();
    EXPECT_EQ(tree->currentNode()->parentNode(), tree->rootNode());
    EXPECT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_TRUE(form.isModified());
    ASSERT_TRUE(form.apply());

    std::unique_ptr<THosts> reread = rereadHosts();
    const pugi::xml_node root = reread->document().root();
    int newHosts = 0, newGroups = 0;
    for (const pugi::xml_node& node : root.children()) {
        const QString name = attribute(node, "CommonName");
        newHosts += std::string_view(node.name()) == "Host" && name == QStringLiteral("New host");
        newGroups += std::string_view(node.name()) == "Group" && name == QStringLiteral("New group");
    }
    EXPECT_EQ(newHosts, 1);
    EXPECT_EQ(newGroups, 1);
}

TEST_F(HostsFormTest, TlsExceptionsAreStoredAndOnlyOfferedWithTls)
{
    saveNestedTree();
    THostsForm form;
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    auto* legacy = child<QCheckBox>(form, "AllowLegacyTlsCiphersCheckBox");
    EXPECT_FALSE(legacy->isEnabled());
    child<QCheckBox>(form, "UseSSLCheckBox")->click();
    ASSERT_TRUE(legacy->isEnabled());
    legacy->click();
    ASSERT_TRUE(form.apply());
    const std::vector<THost> hosts = storedHosts();
    const THost* stored = storedNamed(hosts, QStringLiteral("Top"));
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->UseSSL);
    EXPECT_TRUE(stored->AllowLegacyTlsCiphers);
    EXPECT_FALSE(stored->AcceptDataWithoutCloseNotify);
}

TEST_F(HostsFormTest, DialupListHoldsNoneAndTheDisconnectBoxFollowsIt)
{
    saveNestedTree();
    THostsForm form;
    auto* dialup = child<QComboBox>(form, "DialupConnectionComboBox");
    ASSERT_GE(dialup->count(), 1);
    EXPECT_EQ(dialup->itemText(0), QStringLiteral("None"));
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    EXPECT_EQ(dialup->currentIndex(), 0);
    EXPECT_FALSE(child<QCheckBox>(form, "DisconnectDialupAfterDisconnectCheckBox")->isEnabled());
}

TEST_F(HostsFormTest, AFileThatStoppedLoadingIsNeverSavedOverAndOkSaysSoAndStaysOpen)
{
    const QString path = MainConfig()->dataFilePath(QStringLiteral("Hosts.xml"));
    THosts::destroyGlobal();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<?xml version=\"1.0\"?>\n<HostList>\n"
                   "  <Host CommonName=\"Good\" Hostname=\"good.example\" Port=\"21\" HostID=\""
                   "{9A6E2B4C-1D3F-4A5B-8C7D-0E1F2A3B4C5D}\" IsAnonymous=\"True\" Passive=\"True\" "
                   "UseSSL=\"False\" UseDefaultDialupConnection=\"True\" "
                   "DisconnectDialupAfterDisconnect=\"False\" UseDefaultProxySettings=\"True\"/>\n"
                   "  <Host CommonName=\"Broken\" HostID=\"not a guid\"/>\n"
                   "  <Host CommonName=\"Unread\"/>\n"
                   "</HostList>\n");
    }
    THosts::createGlobal();
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();

    QStringList errors;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        if (request.Type == TMessageRequest::TType::Error)
            errors << request.Text;
        request.Result =
            request.Type == TMessageRequest::TType::Confirmation ? QMessageBox::No : QMessageBox::Ok;
    });
    THostsForm form;
    EXPECT_TRUE(form.loadError().contains(QStringLiteral("Broken"))) << form.loadError().toStdString();
    EXPECT_EQ(captions(form.tree()->rootNode()), (QStringList{QStringLiteral("Good")}));
    form.show();
    QTRY_COMPARE(errors.size(), 1); // the load error, once the window is up

    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Good")));
    child(form, "HostnameEdit")->setText(QStringLiteral("other.example"));
    child<QPushButton>(form, "OKButton")->click();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].startsWith(QStringLiteral("The hosts were not saved: ")))
        << errors[1].toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isModified());
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), original);

    form.reject(); // "No": close without saving
    EXPECT_FALSE(form.isVisible());
}

TEST_F(HostsFormTest, BrowseFillsTheLocalDirectoryAndACancelledChooserKeepsIt)
{
    saveNestedTree();
    QString title, start;
    QString answer = QStringLiteral("/srv/chosen");
    SetFolderChooser([&](QWidget*, const QString& t, const QString& initial) {
        title = t;
        start = initial;
        return answer;
    });
    THostsForm form;
    select(form, childNamed(form.tree()->rootNode(), QStringLiteral("Top")));
    QLineEdit* local = child(form, "InitialLocalDirectoryEdit");
    local->setText(QStringLiteral("/home/typed"));
    child<QPushButton>(form, "BrowseInitialDirectoryButton")->click();
    EXPECT_EQ(title, QStringLiteral("Select initial directory"));
    EXPECT_EQ(start, QStringLiteral("/home/typed"));
    EXPECT_EQ(local->text(), QStringLiteral("/srv/chosen"));
    answer.clear();
    child<QPushButton>(form, "BrowseInitialDirectoryButton")->click();
    EXPECT_EQ(local->text(), QStringLiteral("/srv/chosen"));
}

TEST_F(HostsFormTest, InSwedishNoEnglishTextIsLeft)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    saveNestedTree();
    THostsForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Värdhanterare"));
    EXPECT_EQ(form.tree()->rootNode()->text(0), QStringLiteral("Värdar"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("HostsForm")), QStringList());
}

} // namespace
