// The toolbar customisation dialog: its lists, moving entries by buttons, double
// clicks and drops, the one available separator, the icon preview, OK and Cancel.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "core/AppRegistry.h"
#include "core/TMainConfig.h"
#include "platform/TRegistryStore.h"
#include "ui/main/CustomizeButtonsFormUnit.h"
#include "ui/main/TToolbarLayout.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

const QString kKey = QStringLiteral("Software\\Vantor FTP\\TestToolbar");

QStringList texts(const QListWidget* list)
{
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows << list->item(row)->text();
    return rows;
}

// A toolbar "One", "Two", separator, "Three" (drop-down) and "Four" hidden;
// "Twin" twice (TwinFirst, TwinLast), both hidden.
class CustomizeButtonsFormTest : public ::testing::Test
{
protected:
    CustomizeButtonsFormTest()
    {
        const auto button = [this](const char* name, const char* caption) {
            auto* tool = new QToolButton(&m_toolbar);
            tool->setObjectName(QString::fromLatin1(name));
            tool->setText(QString::fromLatin1(caption));
            m_toolbar.addWidget(tool);
            return tool;
        };
        button("One", "One");
        button("Two", "Two");
        m_toolbar.addSeparator();
        button("Three", "Three")->setMenu(new QMenu(&m_toolbar));
        button("Four", "Four");
        button("TwinFirst", "Twin");
        button("TwinLast", "Twin");
        TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"One", "Two", "Separator", "Three"}, 0, 0);
        TToolbarLayout::SaveToolbarLayout(*OpenAppRegistry(), &m_toolbar, kKey, 0, 0);
    }
    QStringList shown() const
    {
        QStringList names;
        for (QAction* item : m_toolbar.actions())
            if (item->isVisible())
                names << (item->isSeparator() ? QStringLiteral("-") : TToolbarLayout::componentName(item));
        return names;
    }
    // Sends a drop of row `row` of `from` onto `to` at the row `onRow` (-1: below the last).
    static void drop(QListWidget* from, int row, QListWidget* to, int onRow)
    {
        QMimeData data;
        data.setData("application/x-vantor-toolbar-entry",
                     (from->objectName() + '\n' + QString::number(row)).toUtf8());
        QPoint point = to->viewport()->rect().bottomLeft() + QPoint(2, -2);
        EXPECT_FALSE(to->indexAt(point).isValid()) << "the list is too short for a drop below its rows";
        if (onRow >= 0)
            point = to->visualItemRect(to->item(onRow)).center();
        // A drop reaches the widget that accepted the drag's entry.
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to->viewport(), &event);
        EXPECT_TRUE(event.isAccepted());
    }

    dialogtest::DialogEnvironment m_env;
    QToolBar m_toolbar;
};

} // namespace

TEST_F(CustomizeButtonsFormTest, ListsHoldTheHiddenButtonsWithOneSeparatorAndTheShownItemsInOrder)
{
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    EXPECT_EQ(form.windowTitle(), "Customize Toolbar");
    EXPECT_EQ(texts(form.availableList()), (QStringList{"Separator", "Four", "Twin", "Twin"}));
    EXPECT_EQ(texts(form.selectedList()), (QStringList{"One", "Two", "Separator", "Three"}));
    EXPECT_EQ(form.selectedList()->currentRow(), 0);
    EXPECT_EQ(form.availableList()->currentRow(), 0);
    EXPECT_EQ(dialogtest::child<QComboBox>(form, "ComboBox1")->currentText(), "Show text labels");
    EXPECT_EQ(dialogtest::child<QComboBox>(form, "ComboBox2")->currentText(), "Large icons");
    EXPECT_EQ(dialogtest::child<QPushButton>(form, "btnInsert")->toolTip(), "Add button to toolbar");
    EXPECT_EQ(form.selectedList()->iconSize(), QSize(24, 24));
    EXPECT_EQ(form.availableList()->accessibleName(), "Available toolbar buttons");
    EXPECT_EQ(form.selectedList()->accessibleName(), "Current toolbar buttons");
}

TEST_F(CustomizeButtonsFormTest, InsertAndRemoveFollowTheFocusedListAndMoveToTheOtherListsEnd)
{
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    form.show();
    QApplication::setActiveWindow(&form);
    auto* insert = dialogtest::child<QPushButton>(form, "btnInsert");
    auto* remove = dialogtest::child<QPushButton>(form, "btnRemove");
    form.availableList()->setFocus();
    form.availableList()->setCurrentRow(1);
    EXPECT_TRUE(insert->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    insert->click();
    EXPECT_EQ(texts(form.selectedList()), (QStringList{"One", "Two", "Separator", "Three", "Four"}));
    EXPECT_EQ(texts(form.availableList()), (QStringList{"Separator", "Twin", "Twin"}));
    EXPECT_EQ(form.selectedList()->currentRow(), 4);
    EXPECT_TRUE(form.selectedList()->hasFocus());
    EXPECT_FALSE(insert->isEnabled());
    EXPECT_TRUE(remove->isEnabled());

    form.selectedList()->setCurrentRow(0);
    remove->click();
    EXPECT_EQ(texts(form.availableList()), (QStringList{"Separator", "Twin", "Twin", "One"}));
    EXPECT_EQ(form.availableList()->currentRow(), 3);
    EXPECT_TRUE(form.availableList()->hasFocus());

    // A double click moves across as well.
    QListWidget* selected = form.selectedList();
    emit selected->itemDoubleClicked(selected->item(0));
    EXPECT_EQ(texts(selected), (QStringList{"Separator", "Three", "Four"}));
}

TEST_F(CustomizeButtonsFormTest, SeparatorsCanBePlacedAnyNumberOfTimesAndOneStaysAvailable)
{
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    form.resize(600, 500);
    form.show();
    QListWidget* available = form.availableList();
    QListWidget* selected = form.selectedList();
    drop(available, 0, selected, 0);
    drop(available, 0, selected, -1);
    form.moveEntry(available, 0, selected, 1);
    EXPECT_EQ(texts(selected),
              (QStringList{"Separator", "Separator", "One", "Two", "Separator", "Three", "Separator"}));
    EXPECT_EQ(texts(available), (QStringList{"Separator", "Four", "Twin", "Twin"}));

    // Back to the available list: removed, and the one entry there is selected.
    drop(selected, 4, available, 2);
    form.moveEntry(selected, 0, available, -1);
    EXPECT_EQ(texts(available), (QStringList{"Separator", "Four", "Twin", "Twin"}));
    EXPECT_EQ(available->currentRow(), 0);
    EXPECT_EQ(texts(selected), (QStringList{"Separator", "One", "Two", "Three", "Separator"}));

    form.accept();
    EXPECT_EQ(shown(), (QStringList{"-", "One", "Two", "Three", "-"}));
}

TEST_F(CustomizeButtonsFormTest, DropsReorderWithinAListAndInsertBeforeTheEntryUnderThePoint)
{
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    form.resize(600, 500);
    form.show();
    QListWidget* available = form.availableList();
    QListWidget* selected = form.selectedList();
    drop(selected, 3, selected, 0);
    EXPECT_EQ(texts(selected), (QStringList{"Three", "One", "Two", "Separator"}));
    drop(selected, 0, selected, -1);
    EXPECT_EQ(texts(selected), (QStringList{"One", "Two", "Separator", "Three"}));
    drop(selected, 1, selected, 2); // onto the entry right behind it: no move
    EXPECT_EQ(texts(selected), (QStringList{"One", "Two", "Separator", "Three"}));
    drop(available, 1, selected, 1);
    EXPECT_EQ(texts(selected), (QStringList{"One", "Four", "Two", "Separator", "Three"}));
    EXPECT_EQ(selected->currentItem()->text(), "Four");
    drop(selected, 0, available, 1);
    EXPECT_EQ(texts(available), (QStringList{"Separator", "One", "Twin", "Twin"}));
    form.accept();
    EXPECT_EQ(shown(), (QStringList{"Four", "Two", "-", "Three"}));
}

TEST_F(CustomizeButtonsFormTest, AnEntryOfACaptionTwoButtonsShareResolvesToTheLastOfThem)
{
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    form.moveEntry(form.availableList(), 2, form.selectedList(), 0);
    EXPECT_EQ(form.selectedNames(), (QStringList{"TwinLast", "One", "Two", "Separator", "Three"}));
    form.accept();
    EXPECT_EQ(shown(), (QStringList{"TwinLast", "One", "Two", "-", "Three"}));
}

TEST_F(CustomizeButtonsFormTest, SmallIconsPreviewAtOnceAndOnlyOkStoresTheOptions)
{
    {
        TCustomizeButtonsForm form(&m_toolbar, kKey);
        dialogtest::child<QComboBox>(form, "ComboBox2")->setCurrentIndex(1);
        EXPECT_EQ(form.selectedList()->iconSize(), QSize(16, 16));
        EXPECT_EQ(form.availableList()->iconSize(), QSize(16, 16));
        dialogtest::child<QComboBox>(form, "ComboBox1")->setCurrentIndex(1);
        form.moveEntry(form.selectedList(), 0, form.availableList(), -1);
        EXPECT_EQ(OpenAppRegistry()->readInteger(kKey + "\\Options", "Image Style", -1), 0);
        EXPECT_EQ(m_toolbar.iconSize(), QSize(24, 24));
        dialogtest::child<QPushButton>(form, "btnCancel")->click();
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(shown(), (QStringList{"One", "Two", "-", "Three"}));
    EXPECT_EQ(OpenAppRegistry()->readInteger(kKey + "\\Options", "Show Captions", -1), 0);

    TCustomizeButtonsForm form(&m_toolbar, kKey);
    dialogtest::child<QComboBox>(form, "ComboBox1")->setCurrentIndex(1);
    dialogtest::child<QComboBox>(form, "ComboBox2")->setCurrentIndex(1);
    dialogtest::child<QPushButton>(form, "btnOK")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const auto registry = OpenAppRegistry();
    EXPECT_EQ(registry->readInteger(kKey + "\\Options", "Show Captions", -1), 1);
    EXPECT_EQ(registry->readInteger(kKey + "\\Options", "Image Style", -1), 1);
    EXPECT_EQ(registry->readString(kKey + "\\Buttons", "Button02"), "Separator");
    EXPECT_EQ(m_toolbar.iconSize(), QSize(16, 16));
    EXPECT_EQ(m_toolbar.findChild<QToolButton*>("One")->toolButtonStyle(), Qt::ToolButtonIconOnly);

    // The stored options are what the next opening shows.
    TCustomizeButtonsForm again(&m_toolbar, kKey);
    EXPECT_EQ(dialogtest::child<QComboBox>(again, "ComboBox1")->currentIndex(), 1);
    EXPECT_EQ(dialogtest::child<QComboBox>(again, "ComboBox2")->currentIndex(), 1);
    EXPECT_EQ(again.selectedList()->iconSize(), QSize(16, 16));
}

TEST_F(CustomizeButtonsFormTest, SwedishShowsNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TCustomizeButtonsForm form(&m_toolbar, kKey);
    EXPECT_EQ(form.windowTitle(), "Anpassa verktygsfält");
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, "CustomizeButtonsForm"), QStringList());
}
