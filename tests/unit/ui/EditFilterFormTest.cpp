#include "ui/dialogs/EditFilterFormUnit.h"

#include <memory>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/TFilters.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/TNumberedCaption.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

using dialogtest::child;

namespace {

class EditFilterFormTest : public ::testing::Test
{
protected:
    EditFilterFormTest() { TFilters::createGlobal(); }
    ~EditFilterFormTest() override
    {
        form.reset();
        TFilters::destroyGlobal();
    }

    // Filters written to Filters.xml by another store, as an earlier run would.
    void storeOnDisk(const std::vector<std::pair<QString, QString>>& filters)
    {
        TFilters other(Filters()->filePath());
        for (const auto& [name, masks] : filters)
            other.Add(std::make_unique<TFilter>(name, masks));
        ASSERT_TRUE(other.Save());
    }
    // What Filters.xml holds now: "name=mask|mask" per filter, in file order.
    QStringList onDisk() const
    {
        TFilters fresh(Filters()->filePath());
        QStringList out;
        for (const auto& filter : fresh.filters())
            out << filter->Name + QLatin1Char('=') + filter->Masks.join(QLatin1Char('|'));
        return out;
    }

    void open()
    {
        form = std::make_unique<TEditFilterForm>();
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QTreeWidget* list() { return child<QTreeWidget>(*form, "FiltersListView"); }
    QLineEdit* masks() { return child<QLineEdit>(*form, "FileMasksEdit"); }
    QPushButton* button(const char* name) { return child<QPushButton>(*form, name); }
    QAction* action(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }

    // "name|masks" of every row, top to bottom.
    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            out << list()->topLevelItem(i)->text(0) + QLatin1Char('|') + list()->topLevelItem(i)->text(1);
        return out;
    }
    QTreeWidgetItem* row(const QString& name)
    {
        const QList<QTreeWidgetItem*> found = list()->findItems(name, Qt::MatchExactly, 0);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
        return found.value(0);
    }
    // Clicks the row as the user would (Ctrl adds to the selection).
    void click(const QString& name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTreeWidgetItem* item = row(name);
        ASSERT_NE(item, nullptr);
        const QRect rect = list()->visualItemRect(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    // The in-place editor of the name, while one is open.
    QLineEdit* nameEditor()
    {
        // Return commits through a queued call; the closed editor goes later still.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return list()->viewport()->findChild<QLineEdit*>();
    }
    void typeName(const QString& text)
    {
        QLineEdit* editor = nameEditor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Backspace);
        else
            QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(nameEditor(), nullptr);
    }
    // Every question is recorded and answered with `answer`.
    void answerWith(QMessageBox::StandardButton answer)
    {
        TMessageDialog::setAnswerer([this, answer](TMessageRequest& request) {
            questions << request.Text;
            types << request.Type;
            request.Result = answer;
        });
    }

    dialogtest::DialogEnvironment env;
    std::unique_ptr<TEditFilterForm> form;
    QStringList questions;
    QList<TMessageRequest::TType> types;
};

const QString kQuestion = QStringLiteral(
    "You've made changes to one or more filters. Do you want your changes to be saved before exiting?");

TEST_F(EditFilterFormTest, OpensWithTheFileAsOnDiskSortedByNameAndNothingToApply)
{
    // Written after the store was loaded: the editor reads the file again.
    storeOnDisk({{QStringLiteral("zip"), QStringLiteral("*.zip")},
                 {QStringLiteral("Images"), QStringLiteral("*.gif; *.png")},
                 {QStringLiteral("audio"), QStringLiteral("*.mp3")}});
    open();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("audio|*.mp3"), QStringLiteral("Images|*.gif;*.png"),
                                   QStringLiteral("zip|*.zip")}));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Edit filters"));
    EXPECT_EQ(list()->headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(list()->headerItem()->text(1), QStringLiteral("File masks"));
    EXPECT_EQ(list()->accessibleName(), QStringLiteral("Filters"));
    EXPECT_EQ(masks()->accessibleName(), QStringLiteral("File mask(s) seperated by semicolon"));
    EXPECT_EQ(button("UpdateButton")->toolTip(),
              QStringLiteral("Updates the selected filter(s) with the filemasks to the left"));
    EXPECT_EQ(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(form->isModified());
    EXPECT_FALSE(action("ApplyChangesAction")->isEnabled());
    EXPECT_FALSE(button("ApplyButton")->isEnabled());
    EXPECT_FALSE(action("DeleteFilterAction")->isEnabled());
    EXPECT_TRUE(button("OKButton")->isDefault());

    // Nothing changed: Cancel asks nothing.
    answerWith(QMessageBox::Cancel);
    button("CancelButton")->click();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(EditFilterFormTest, SelectionFillsAndEmptiesTheEditAndTypedMasksReachTheFilterOnOk)
{
    storeOnDisk({{QStringLiteral("Images"), QStringLiteral("*.jpg")},
                 {QStringLiteral("Text"), QStringLiteral("*.txt")}});
    open();
    click(QStringLiteral("Text"));
    EXPECT_EQ(masks()->text(), QStringLiteral("*.txt"));
    EXPECT_TRUE(action("DeleteFilterAction")->isEnabled());
    click(QStringLiteral("Images"));
    EXPECT_EQ(masks()->text(), QStringLiteral("*.jpg"));
    click(QStringLiteral("Images"), Qt::ControlModifier); // deselected
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(masks()->text().isEmpty());

    click(QStringLiteral("Images"));
    masks()->selectAll();
    QTest::keyClicks(masks(), QStringLiteral("*.gif;*.png"));
    // Not yet in the list, and not yet a change to ask about.
    EXPECT_EQ(row(QStringLiteral("Images"))->text(1), QStringLiteral("*.jpg"));
    button("OKButton")->click();
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(onDisk(), (QStringList{QStringLiteral("Images=*.gif|*.png"), QStringLiteral("Text=*.txt")}));
    EXPECT_EQ(Filters()->count(), 2);
}

TEST_F(EditFilterFormTest, OkWithSeveralSelectedKeepsEachFiltersOwnMasks)
{
    storeOnDisk({{QStringLiteral("a"), QStringLiteral("*.a")},
                 {QStringLiteral("b"), QStringLiteral("*.b")},
                 {QStringLiteral("c"), QStringLiteral("*.c")}});
    open();
    click(QStringLiteral("a"));
    click(QStringLiteral("c"), Qt::ShiftModifier);
    ASSERT_EQ(list()->selectedItems().size(), 3);
    // The edit shows one filter's masks; untouched, they are not copied to the others.
    EXPECT_EQ(masks()->text(), QStringLiteral("*.c"));
    button("OKButton")->click();
    EXPECT_EQ(onDisk(),
              (QStringList{QStringLiteral("a=*.a"), QStringLiteral("b=*.b"), QStringLiteral("c=*.c")}));

    // Typed into, they go to every selected filter.
    open();
    click(QStringLiteral("a"));
    click(QStringLiteral("b"), Qt::ControlModifier);
    masks()->selectAll();
    QTest::keyClicks(masks(), QStringLiteral("*.x"));
    button("OKButton")->click();
    EXPECT_EQ(onDisk(),
              (QStringList{QStringLiteral("a=*.x"), QStringLiteral("b=*.x"), QStringLiteral("c=*.c")}));
}

TEST_F(EditFilterFormTest, UpdateShowsTheMasksAsTypedUntilReopened)
{
    storeOnDisk({{QStringLiteral("Mixed"), QStringLiteral("*.old")}});
    open();
    // Without a selection Update changes nothing.
    masks()->setText(QStringLiteral("*.q"));
    button("UpdateButton")->click();
    EXPECT_FALSE(form->isModified());
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Mixed|*.old")});

    click(QStringLiteral("Mixed"));
    masks()->selectAll();
    QTest::keyClicks(masks(), QStringLiteral("*.a *.b"));
    button("UpdateButton")->click();
    EXPECT_TRUE(form->isModified());
    EXPECT_TRUE(button("ApplyButton")->isEnabled());
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Mixed|*.a *.b")});

    button("ApplyButton")->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModified());
    EXPECT_FALSE(button("ApplyButton")->isEnabled());
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Mixed|*.a *.b")});
    EXPECT_EQ(onDisk(), QStringList{QStringLiteral("Mixed=*.a|*.b")});
    button("CancelButton")->click();
    EXPECT_FALSE(form->isVisible());

    open();
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Mixed|*.a;*.b")});
}

TEST_F(EditFilterFormTest, NewFiltersAreNumberedAndNamedInPlace)
{
    open();
    action("NewFilterAction")->trigger();
    ASSERT_NE(nameEditor(), nullptr);
    QTest::keyClick(nameEditor(), Qt::Key_Return); // the offered name kept
    action("NewFilterAction")->trigger();
    QTest::keyClick(nameEditor(), Qt::Key_Return);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("New filter|"), QStringLiteral("New filter (1)|")}));
    EXPECT_TRUE(form->isModified());
    // The new filter is the selected one, so masks typed next go to it.
    EXPECT_EQ(list()->selectedItems(), QList<QTreeWidgetItem*>{row(QStringLiteral("New filter (1)"))});

    // The first free number; another letter case is another name.
    action("NewFilterAction")->trigger();
    typeName(QStringLiteral("new filter (2)"));
    action("NewFilterAction")->trigger();
    typeName(QStringLiteral("Web"));
    QTest::keyClicks(masks(), QStringLiteral("*.htm;*.html"));
    button("OKButton")->click();
    EXPECT_EQ(onDisk(), (QStringList{QStringLiteral("New filter="), QStringLiteral("New filter (1)="),
                                     QStringLiteral("new filter (2)="), QStringLiteral("Web=*.htm|*.html")}));
}

TEST_F(EditFilterFormTest, NumberedCaptionTakesTheFirstFreeNumberAndMatchesCase)
{
    const QString plain = QStringLiteral("New filter");
    const QString numbered = QStringLiteral("New filter (%d)");
    EXPECT_EQ(NumberedCaption({}, plain, numbered), plain);
    EXPECT_EQ(NumberedCaption({QStringLiteral("new filter")}, plain, numbered), plain);
    EXPECT_EQ(NumberedCaption({plain, QStringLiteral("New filter (1)"), QStringLiteral("New filter (3)")},
                              plain, numbered),
              QStringLiteral("New filter (2)"));
    EXPECT_EQ(NumberedCaption({QStringLiteral("New filter (1)"), plain}, plain, numbered),
              QStringLiteral("New filter (2)"));
}

TEST_F(EditFilterFormTest, RenamingToAnEmptyNameKeepsTheNameAndRenamingSortsAgain)
{
    storeOnDisk({{QStringLiteral("b"), QStringLiteral("*.b")}, {QStringLiteral("c"), QStringLiteral("*.c")}});
    open();
    click(QStringLiteral("c"));
    QTest::keyClick(list(), Qt::Key_F2);
    typeName(QString());
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("b|*.b"), QStringLiteral("c|*.c")}));
    EXPECT_TRUE(form->isModified());

    QTest::keyClick(list(), Qt::Key_F2);
    typeName(QStringLiteral("a"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("a|*.c"), QStringLiteral("b|*.b")}));

    // Escape leaves the edit unconfirmed.
    button("ApplyButton")->click();
    QTest::keyClick(list(), Qt::Key_F2);
    ASSERT_NE(nameEditor(), nullptr);
    QTest::keyClicks(nameEditor(), QStringLiteral("zzz"));
    QTest::keyClick(nameEditor(), Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModified());
    EXPECT_EQ(onDisk(), (QStringList{QStringLiteral("a=*.c"), QStringLiteral("b=*.b")}));
}

TEST_F(EditFilterFormTest, DeleteRemovesTheSelectedAndNothingWithoutASelection)
{
    storeOnDisk({{QStringLiteral("a"), QStringLiteral("*.a")}, {QStringLiteral("b"), QStringLiteral("*.b")}});
    open();
    answerWith(QMessageBox::Yes);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(rows().size(), 2);
    EXPECT_FALSE(form->isModified());
    EXPECT_TRUE(questions.isEmpty());

    click(QStringLiteral("a"));
    click(QStringLiteral("b"), Qt::ControlModifier);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(masks()->text().isEmpty());
    EXPECT_TRUE(form->isModified());
    EXPECT_FALSE(action("DeleteFilterAction")->isEnabled());
    EXPECT_TRUE(questions.isEmpty());

    button("OKButton")->click();
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(onDisk().isEmpty());
    const QByteArray file = queuetest::readAll(Filters()->filePath());
    EXPECT_TRUE(file.contains("<FilterList />") || file.contains("<FilterList/>")) << file.toStdString();
    EXPECT_FALSE(file.contains("<Filter ")) << file.toStdString();
}

TEST_F(EditFilterFormTest, ClosingWithChangesAsksYesNoCancel)
{
    storeOnDisk({{QStringLiteral("a"), QStringLiteral("*.a")}});
    const auto changeSomething = [this] {
        open();
        click(QStringLiteral("a"));
        action("DeleteFilterAction")->trigger();
    };

    changeSomething();
    answerWith(QMessageBox::Cancel);
    button("CancelButton")->click();
    EXPECT_EQ(questions, QStringList{kQuestion});
    EXPECT_EQ(types.value(0), TMessageRequest::TType::Confirmation);
    EXPECT_TRUE(form->isVisible());
    // Escape and the close box ask the same.
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(onDisk(), QStringList{QStringLiteral("a=*.a")});

    answerWith(QMessageBox::No);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(onDisk(), QStringList{QStringLiteral("a=*.a")});

    changeSomething();
    answerWith(QMessageBox::Yes);
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(onDisk().isEmpty());
    EXPECT_EQ(Filters()->count(), 0);
}

TEST_F(EditFilterFormTest, AFailedSaveIsReportedAndTheDialogStaysOpen)
{
    const QString folder = env.root() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(folder));
    TFilters::createGlobal(folder + QStringLiteral("/Filters.xml"));
    storeOnDisk({{QStringLiteral("a"), QStringLiteral("*.a")}});
    open();
    click(QStringLiteral("a"));
    action("DeleteFilterAction")->trigger();
    ASSERT_TRUE(QDir(folder).removeRecursively());

    answerWith(QMessageBox::Ok);
    button("OKButton")->click();
    ASSERT_EQ(types.size(), 1);
    EXPECT_EQ(types.value(0), TMessageRequest::TType::Error);
    EXPECT_TRUE(questions.value(0).startsWith(QStringLiteral("The filters could not be saved to ")));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isModified());

    ASSERT_TRUE(QDir().mkpath(folder));
    button("OKButton")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(onDisk().isEmpty());
}

TEST_F(EditFilterFormTest, SwedishShowsNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    storeOnDisk({{QStringLiteral("Bilder"), QStringLiteral("*.jpg")}});
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Redigera filter"));
    EXPECT_EQ(list()->headerItem()->text(1), QStringLiteral("Filmasker"));
    EXPECT_EQ(dialogtest::englishTextsLeft(form.get(), QStringLiteral("EditFilterForm")), QStringList());
    action("NewFilterAction")->trigger();
    QTest::keyClick(nameEditor(), Qt::Key_Return);
    EXPECT_TRUE(list()->findItems(QStringLiteral("Nytt filter"), Qt::MatchExactly, 0).size() == 1);
}

} // namespace
