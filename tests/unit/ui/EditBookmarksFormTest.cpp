#include "ui/dialogs/EditBookmarksFormUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "unit/ui/HostDialogsTestSupport.h"

namespace {

using hostdialogtest::HostDialogEnvironment;

QTreeWidget* list(QWidget& form)
{
    return dialogtest::child<QTreeWidget>(form, "BookmarksListView");
}

QAction* action(QWidget& form, const char* name)
{
    QAction* found = form.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The caption editor open in the list, or null. A closed editor is hidden
// before it is deleted later, so only a shown one counts.
QLineEdit* openEditor(QWidget& form)
{
    QTreeWidget* view = list(form);
    for (QLineEdit* editor : view->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisibleTo(view))
            return editor;
    return nullptr;
}

// Types `text` into the editor open now and confirms it with Enter.
void typeAndConfirm(QWidget& form, const QString& text)
{
    QLineEdit* editor = openEditor(form);
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits and closes the editor through a queued call.
    QCoreApplication::processEvents();
    EXPECT_EQ(openEditor(form), nullptr);
}

void renameRow(QWidget& form, int row, const QString& text)
{
    QTreeWidget* view = list(form);
    QTreeWidgetItem* item = view->topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view->setCurrentItem(item);
    view->editItem(item, 0);
    typeAndConfirm(form, text);
}

void addBookmark(QWidget& form, const QString& path)
{
    action(form, "NewBookmarkAction")->trigger();
    typeAndConfirm(form, path);
}

class EditBookmarksFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_host.CommonName = QStringLiteral("Quick");
        m_host.Hostname = QStringLiteral("quick.example");
        m_host.AddBookmark(QStringLiteral("/home"));
    }

    // Gives `answer` to every question and keeps its text.
    void answerWith(QMessageBox::StandardButton answer)
    {
        TMessageDialog::setAnswerer([this, answer](TMessageRequest& request) {
            questions << request.Text;
            EXPECT_EQ(request.Type, TMessageRequest::TType::Confirmation);
            EXPECT_EQ(request.Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            request.Result = answer;
        });
    }

    HostDialogEnvironment env;
    THost m_host;
    QStringList questions;
};

TEST_F(EditBookmarksFormTest, OpensWithTheHostsBookmarksAndNothingToApply)
{
    m_host.AddBookmark(QStringLiteral("/pub"));
    m_host.AddBookmark(QStringLiteral("/Incoming"));
    TEditBookmarksForm form(m_host);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Edit bookmarks"));
    EXPECT_EQ(list(form)->headerItem()->text(0), QStringLiteral("Path"));
    EXPECT_EQ(form.captions(), QStringList({"/home", "/Incoming", "/pub"}));
    EXPECT_FALSE(form.isModified());
    EXPECT_FALSE(action(form, "ApplyChangesAction")->isEnabled());
    EXPECT_FALSE(dialogtest::child<QPushButton>(form, "ApplyButton")->isEnabled());
    EXPECT_FALSE(action(form, "DeleteBookmarkAction")->isEnabled()) << "nothing selected";
    EXPECT_TRUE(action(form, "NewBookmarkAction")->isEnabled());
}

TEST_F(EditBookmarksFormTest, TwoNewBookmarksAreNumberedAndEditedAtOnce)
{
    TEditBookmarksForm form(m_host);
    form.show();
    action(form, "NewBookmarkAction")->trigger();
    ASSERT_NE(openEditor(form), nullptr) << "the new caption is being edited";
    EXPECT_EQ(openEditor(form)->text(), QStringLiteral("New bookmark"));
    EXPECT_TRUE(form.isModified());
    EXPECT_TRUE(dialogtest::child<QPushButton>(form, "ApplyButton")->isEnabled());

    // The second command ends the first edit, keeping its text.
    action(form, "NewBookmarkAction")->trigger();
    ASSERT_NE(openEditor(form), nullptr);
    EXPECT_EQ(openEditor(form)->text(), QStringLiteral("New bookmark (1)"));
    typeAndConfirm(form, QStringLiteral("New bookmark (1)"));
    EXPECT_EQ(form.captions(), QStringList({"/home", "New bookmark", "New bookmark (1)"}));

    // Another letter case does not take the plain caption; a free number is reused.
    renameRow(form, 1, QStringLiteral("new bookmark"));
    action(form, "NewBookmarkAction")->trigger();
    EXPECT_EQ(openEditor(form)->text(), QStringLiteral("New bookmark"));
}

TEST_F(EditBookmarksFormTest, RenamingToAnEmptyTextKeepsThePath)
{
    TEditBookmarksForm form(m_host);
    form.show();
    renameRow(form, 0, QString());
    EXPECT_EQ(form.captions(), QStringList({"/home"}));
    renameRow(form, 0, QStringLiteral("   "));
    EXPECT_EQ(form.captions(), QStringList({"/home"}));
    renameRow(form, 0, QStringLiteral("/srv"));
    EXPECT_EQ(form.captions(), QStringList({"/srv"}));
    EXPECT_TRUE(form.isModified());
    ASSERT_TRUE(form.ApplyChangesActionExecute());
    EXPECT_EQ(m_host.Bookmarks.items(), QStringList({"/srv"}));
}

TEST_F(EditBookmarksFormTest, PathsDifferingOnlyInCaseCollapseOnApply)
{
    TEditBookmarksForm form(m_host);
    form.show();
    addBookmark(form, QStringLiteral("/pub"));
    addBookmark(form, QStringLiteral("/PUB"));
    EXPECT_EQ(form.captions().size(), 3);
    ASSERT_TRUE(form.ApplyChangesActionExecute());
    ASSERT_EQ(m_host.Bookmarks.size(), 2);
    EXPECT_EQ(m_host.Bookmarks.at(0), QStringLiteral("/home"));
    EXPECT_EQ(m_host.Bookmarks.at(1).toLower(), QStringLiteral("/pub"));
    EXPECT_EQ(form.captions().size(), 2) << "the list shows what the host now holds";
    EXPECT_FALSE(form.isModified());
    EXPECT_FALSE(action(form, "ApplyChangesAction")->isEnabled());
}

TEST_F(EditBookmarksFormTest, DeleteRemovesEverySelectedItemWithoutAsking)
{
    m_host.AddBookmark(QStringLiteral("/a"));
    m_host.AddBookmark(QStringLiteral("/b"));
    answerWith(QMessageBox::Cancel);
    TEditBookmarksForm form(m_host);
    list(form)->topLevelItem(0)->setSelected(true);
    list(form)->topLevelItem(2)->setSelected(true);
    EXPECT_TRUE(action(form, "DeleteBookmarkAction")->isEnabled());
    action(form, "DeleteBookmarkAction")->trigger();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(form.captions(), QStringList({"/b"}));
    EXPECT_TRUE(form.isModified());
    EXPECT_FALSE(action(form, "DeleteBookmarkAction")->isEnabled());
}

TEST_F(EditBookmarksFormTest, ApplyWritesTheBookmarksOfAHostInAGroupIntoHostsXml)
{
    const QString innerID = hostdialogtest::saveTreeWithAGroup();
    const THost* stored = Hosts()->FindByID(innerID);
    ASSERT_NE(stored, nullptr);
    THost host;
    host.Assign(*stored);

    TEditBookmarksForm form(host);
    form.show();
    EXPECT_EQ(form.captions(), QStringList({"/old"}));
    addBookmark(form, QStringLiteral("/pub/new"));
    dialogtest::child<QPushButton>(form, "OKButton")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);

    const auto reread = hostdialogtest::rereadHosts();
    const THost* inner = reread->FindByID(innerID);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Bookmarks.items(), QStringList({"/old", "/pub/new"}));
    const pugi::xml_node group = reread->document().root().child("Group");
    ASSERT_TRUE(group);
    const pugi::xml_node element = group.child("Host");
    EXPECT_EQ(hostdialogtest::attribute(element, "HostID"), innerID);
    int bookmarks = 0;
    for (const pugi::xml_node bookmark : element.child("Bookmarks").children("Bookmark")) {
        (void)bookmark;
        ++bookmarks;
    }
    EXPECT_EQ(bookmarks, 2);
    EXPECT_EQ(reread->count(), 2) << "updated in place, not added";
    EXPECT_EQ(QuickHosts()->count(), 0);
}

TEST_F(EditBookmarksFormTest, AQuickHostIsStoredInTheQuickConnectList)
{
    TEditBookmarksForm form(m_host);
    form.show();
    addBookmark(form, QStringLiteral("/pub"));
    ASSERT_TRUE(form.ApplyChangesActionExecute());

    EXPECT_EQ(Hosts()->FindByID(m_host.HostIDText()), nullptr);
    const THost* quick = QuickHosts()->FindByID(m_host.HostIDText());
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(quick->Hostname, QStringLiteral("quick.example"));
    EXPECT_EQ(hostdialogtest::rereadHosts()->count(), 0);
    // The running connection keeps them in its record.
    EXPECT_EQ(m_host.Bookmarks.items(), QStringList({"/home", "/pub"}));
}

TEST_F(EditBookmarksFormTest, CancelWithoutChangesAsksNothing)
{
    answerWith(QMessageBox::Cancel);
    TEditBookmarksForm form(m_host);
    form.show();
    dialogtest::child<QPushButton>(form, "CancelButton")->click();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(QuickHosts()->count(), 0) << "nothing stored";
}

TEST_F(EditBookmarksFormTest, CancelAfterChangesAsksAndFollowsTheAnswer)
{
    const QString expected = QStringLiteral("You've made changes to one or more bookmarks.\n\n"
                                            "Do you want your changes to be saved before exiting?");
    {
        // Cancel: the dialog stays open with its changes.
        answerWith(QMessageBox::Cancel);
        TEditBookmarksForm form(m_host);
        form.show();
        addBookmark(form, QStringLiteral("/kept"));
        dialogtest::child<QPushButton>(form, "CancelButton")->click();
        ASSERT_EQ(questions.size(), 1);
        EXPECT_EQ(questions.first(), expected);
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.isModified());
        // Escape asks the same.
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(questions.size(), 2);
        EXPECT_TRUE(form.isVisible());

        // No: closes without storing.
        answerWith(QMessageBox::No);
        form.close();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(m_host.Bookmarks.items(), QStringList({"/home"}));
        EXPECT_EQ(QuickHosts()->count(), 0);
    }

    // Yes: applies, then closes.
    answerWith(QMessageBox::Yes);
    TEditBookmarksForm form(m_host);
    form.show();
    addBookmark(form, QStringLiteral("/saved"));
    dialogtest::child<QPushButton>(form, "CancelButton")->click();
    EXPECT_EQ(questions.size(), 4);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(m_host.Bookmarks.items(), QStringList({"/home", "/saved"}));
    EXPECT_NE(QuickHosts()->FindByID(m_host.HostIDText()), nullptr);
}

TEST_F(EditBookmarksFormTest, SwedishShowsNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TEditBookmarksForm form(m_host);
    form.show();
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("EditBookmarksForm")), QStringList());
    action(form, "NewBookmarkAction")->trigger();
    ASSERT_NE(openEditor(form), nullptr);
    EXPECT_EQ(openEditor(form)->text(), QStringLiteral("Nytt bokmärke"));
}

} // namespace
