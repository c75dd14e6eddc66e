// Toolbar button layouts (applied, stored, read back) and the main window's
// toolbars: first start, restart with a stored layout, the registry's dock
// records, the settings' places and visibility, and the pop-up menu.
#include <memory>

#include <algorithm>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "core/AppRegistry.h"
#include "core/TFilters.h"
#include "core/TMainConfig.h"
#include "platform/TRegistryStore.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/CustomizeButtonsFormUnit.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TMainToolbars.h"
#include "ui/main/TToolbarLayout.h"
#include "unit/queue/QueueTestSupport.h"

using namespace queuetest;

namespace {

const QString kTestKey = QStringLiteral("Software\\Vantor FTP\\TestToolbar");

// The shown items of `toolbar` in order, "-" for a separator.
QStringList shownNames(const QToolBar* toolbar)
{
    QStringList names;
    for (QAction* item : toolbar->actions())
        if (item->isVisible())
            names << (item->isSeparator() ? QStringLiteral("-") : TToolbarLayout::componentName(item));
    return names;
}

// The Buttons values of `key` as "name=data", in the store's order.
QStringList storedButtons(const QString& key)
{
    QStringList values;
    const auto registry = OpenAppRegistry();
    for (const QString& name : registry->valueNames(key + QStringLiteral("\\Buttons")))
        values << name + u'=' + registry->readString(key + QStringLiteral("\\Buttons"), name);
    values.sort();
    return values;
}

// A toolbar of three shared actions (A, B, C), a separator and a drop-down (D).
class LayoutFixture : public ::testing::Test
{
protected:
    LayoutFixture()
    {
        for (const char* name : {"A", "B", "C"}) {
            auto* action = new QAction(QString::fromLatin1(name) + QStringLiteral(" caption"), &m_owner);
            action->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
            m_menu.addAction(action);
            m_toolbar.addAction(action);
            m_toolbar.widgetForAction(action)->setObjectName(QString::fromLatin1(name));
            if (qstrcmp(name, "B") == 0)
                m_toolbar.addSeparator();
        }
        auto* dropDown = new QToolButton(&m_toolbar);
        dropDown->setObjectName(QStringLiteral("D"));
        dropDown->setText(QStringLiteral("D caption"));
        dropDown->setMenu(new QMenu(dropDown));
        dropDown->setPopupMode(QToolButton::MenuButtonPopup);
        m_toolbar.addWidget(dropDown);
    }

    QueueEnvironment m_env;
    QObject m_owner;
    QMenu m_menu;
    QToolBar m_toolbar;
};

} // namespace

// --- Applying, saving and loading a layout ---------------------------------------------------

TEST_F(LayoutFixture, NamesGiveTheOrderUnknownNamesBecomeSeparatorsAndTheRestIsHidden)
{
    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"C", "Gone", "A", "Separator", "D"}, 0, 0);
    EXPECT_EQ(shownNames(&m_toolbar), (QStringList{"C", "-", "A", "-", "D"}));
    const QList<QAction*> items = m_toolbar.actions();
    EXPECT_EQ(items[1]->objectName(), "ToolbarSep2K1");
    EXPECT_EQ(items[3]->objectName(), "ToolbarSep2K3");
    // B stays in the toolbar, hidden; the old separator is gone.
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(TToolbarLayout::componentName(items[5]), "B");
    EXPECT_FALSE(items[5]->isVisible());
    // The shared action itself still shows in the menu.
    EXPECT_TRUE(m_owner.findChild<QAction*>("BAction")->isVisible());
    EXPECT_TRUE(m_menu.actions().contains(m_owner.findChild<QAction*>("BAction")));
}

TEST_F(LayoutFixture, CaptionModeAndIconSizeSetStyleSizeAndMinimumWidths)
{
    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"A", "D"}, 0, 0);
    auto* a = m_toolbar.findChild<QToolButton*>("A");
    auto* d = m_toolbar.findChild<QToolButton*>("D");
    ASSERT_TRUE(a && d);
    EXPECT_EQ(m_toolbar.iconSize(), QSize(24, 24));
    EXPECT_EQ(a->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    // At least the image height + 20 (a split drop-down 20 more), and never
    // less than the caption needs, so a short toolbar does not cut captions.
    EXPECT_EQ(a->minimumWidth(), std::max(44, a->sizeHint().width()));
    EXPECT_EQ(d->minimumWidth(), std::max(64, d->sizeHint().width()));
    a->setText(QStringLiteral("I"));
    a->setMinimumWidth(0);
    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"A", "D"}, 0, 0);
    EXPECT_EQ(a->minimumWidth(), 44) << "a short caption keeps the floor";
    EXPECT_EQ(a->defaultAction(), m_owner.findChild<QAction*>("AAction"));

    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"A", "D"}, 1, 1);
    EXPECT_EQ(m_toolbar.iconSize(), QSize(16, 16));
    EXPECT_EQ(a->iconSize(), QSize(16, 16));
    EXPECT_EQ(a->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(a->minimumWidth(), 0);
    EXPECT_EQ(d->minimumWidth(), 20);
}

TEST_F(LayoutFixture, SavedValuesNumberItemsAmongAllItemsHiddenOnesIncluded)
{
    const auto registry = OpenAppRegistry();
    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"B", "Separator", "C"}, 1, 0);
    // An item hidden before the shown ones keeps its number.
    m_toolbar.insertAction(m_toolbar.actions().first(), m_toolbar.actions().last());
    TToolbarLayout::SaveToolbarLayout(*registry, &m_toolbar, kTestKey, 1, 0);
    registry->sync();
    EXPECT_EQ(storedButtons(kTestKey), (QStringList{"Button01=B", "Button02=Separator", "Button03=C"}));
    EXPECT_EQ(registry->readInteger(kTestKey + "\\Options", "Show Captions", -1), 1);
    EXPECT_EQ(registry->readInteger(kTestKey + "\\Options", "Image Style", -1), 0);

    // Saving again replaces every old value.
    TToolbarLayout::ApplyToolbarLayout(&m_toolbar, {"D"}, 0, 1);
    TToolbarLayout::SaveToolbarLayout(*registry, &m_toolbar, kTestKey, 0, 1);
    EXPECT_EQ(storedButtons(kTestKey), (QStringList{"Button00=D"}));
}

TEST_F(LayoutFixture, LoadReadsButtonsInNumericOrderAndTheOptions)
{
    const auto registry = OpenAppRegistry();
    registry->writeInteger(kTestKey + "\\Options", "Show Captions", 1);
    registry->writeInteger(kTestKey + "\\Options", "Image Style", 1);
    // "Button10" sorts before "Button9" as text.
    registry->writeString(kTestKey + "\\Buttons", "Button10", "A");
    registry->writeString(kTestKey + "\\Buttons", "Button9", "D");
    registry->writeString(kTestKey + "\\Buttons", "Button100", "NoLongerThere");
    registry->writeString(kTestKey + "\\Buttons", "Other", "B");
    TToolbarLayout::LoadToolbarLayout(*registry, &m_toolbar, kTestKey);
    EXPECT_EQ(shownNames(&m_toolbar), (QStringList{"D", "A", "-"}));
    EXPECT_EQ(m_toolbar.iconSize(), QSize(16, 16));
    EXPECT_EQ(m_toolbar.findChild<QToolButton*>("A")->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

TEST_F(LayoutFixture, FirstLoadWritesTheCurrentLayoutAndAMissingButtonsKeyHidesEverything)
{
    const auto registry = OpenAppRegistry();
    TToolbarLayout::LoadToolbarLayout(*registry, &m_toolbar, kTestKey);
    EXPECT_EQ(shownNames(&m_toolbar), (QStringList{"A", "B", "-", "C", "D"}));
    EXPECT_EQ(storedButtons(kTestKey),
              (QStringList{"Button00=A", "Button01=B", "Button02=Separator", "Button03=C", "Button04=D"}));
    EXPECT_EQ(registry->readInteger(kTestKey + "\\Options", "Show Captions", -1), 0);
    EXPECT_EQ(m_toolbar.findChild<QToolButton*>("A")->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    registry->deleteKey(kTestKey + "\\Buttons");
    TToolbarLayout::LoadToolbarLayout(*registry, &m_toolbar, kTestKey);
    EXPECT_TRUE(shownNames(&m_toolbar).isEmpty());
    EXPECT_FALSE(registry->keyExists(kTestKey + "\\Buttons")) << "an existing Options key is not rewritten";
}

// --- The main window's toolbars -----------------------------------------------------------------

namespace {

class MainToolbarsTest : public ::testing::Test
{
protected:
    MainToolbarsTest() { TFilters::createGlobal(); }
    ~MainToolbarsTest() override
    {
        TMessageDialog::setAnswerer(nullptr);
        m_window.reset();
        TFilters::destroyGlobal();
    }
    TMainForm& window()
    {
        if (!m_window)
            m_window = std::make_unique<TMainForm>();
        return *m_window;
    }
    QToolBar* toolbar(const char* name) { return window().findChild<QToolBar*>(QString::fromLatin1(name)); }
    void restart()
    {
        m_window.reset();
        window();
    }
    static QString recordKey(const char* toolbar)
    {
        return TMainToolbars::kDockRecordsKey + u'\\' + QString::fromLatin1(toolbar);
    }
    static void writeRecord(const char* toolbar, const QString& rev, const QString& dock, int row,
                            const QString& visible = QStringLiteral("1"))
    {
        const auto registry = OpenAppRegistry();
        registry->writeString(recordKey(toolbar), "Rev", rev);
        registry->writeString(recordKey(toolbar), "Visible", visible);
        registry->writeString(recordKey(toolbar), "DockedTo", dock);
        registry->writeString(recordKey(toolbar), "DockRow", QString::number(row));
        registry->writeString(recordKey(toolbar), "DockPos", "7");
        registry->sync();
    }

    QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
};

} // namespace

TEST_F(MainToolbarsTest, FirstStartShowsAndStoresTheDesignTimeItemsWithTextUnderLargeIcons)
{
    window();
    EXPECT_EQ(
        storedButtons("Software\\Vantor FTP\\MainToolbar"),
        (QStringList{"Button00=HostConnectSubmenuItem", "Button01=DisconnectButton", "Button02=Separator",
                     "Button03=TBXItem45", "Button04=Separator", "Button05=TBXItem6", "Button06=TBXItem44"}));
    EXPECT_EQ(shownNames(toolbar("LocalToolbar")),
              (QStringList{"TBXItem1", "-", "TBXSubmenuItem2", "-", "TBXSubmenuItem6", "-", "TBXItem18",
                           "TBXItem3", "TBXItem4", "-", "LocalFiltersSubmenuItem"}));
    EXPECT_EQ(shownNames(toolbar("RemoteToolbar")),
              (QStringList{"RemoteRefreshButton", "-", "RemoteViewButton", "-", "RemoteDownloadButton", "-",
                           "RemoteStopButton", "-", "RemoteHomeButton", "RemoteCDUPButton",
                           "RemoteNewDirectoryButton", "RemoteDeleteButton", "-", "RemoteFiltersButton",
                           "RemoteBookmarksButton", "AdvancedSearchButton"}));
    EXPECT_EQ(shownNames(toolbar("QueueLogToolbar")),
              (QStringList{"TBXSubmenuItem4", "TBXSubmenuItem5", "-", "TBXItem7", "TBXItem8", "TBXItem35",
                           "TBXItem12", "TBXSubmenuItem12", "-", "TBXItem9"}));
    for (const char* name : {"MainToolbar", "LocalToolbar", "RemoteToolbar", "QueueLogToolbar"}) {
        const QString key = "Software\\Vantor FTP\\" + QString::fromLatin1(name);
        EXPECT_EQ(OpenAppRegistry()->readInteger(key + "\\Options", "Show Captions", -1), 0) << name;
        EXPECT_EQ(OpenAppRegistry()->readInteger(key + "\\Options", "Image Style", -1), 0) << name;
        EXPECT_EQ(toolbar(name)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << name;
        EXPECT_EQ(toolbar(name)->iconSize(), QSize(24, 24)) << name;
    }
    // The shared actions behind the buttons still run from the menus.
    EXPECT_TRUE(window().action("QuickConnectAction")->isVisible());
}

TEST_F(MainToolbarsTest, ButtonsAreEnabledAsTheirActionsAfterEveryLayout)
{
    // Not connected: Disconnect and Stop are off, on the toolbar as in the menus.
    auto* disconnect = toolbar("MainToolbar")->findChild<QToolButton*>("DisconnectButton");
    auto* stop = toolbar("RemoteToolbar")->findChild<QToolButton*>("RemoteStopButton");
    ASSERT_NE(disconnect, nullptr);
    ASSERT_NE(stop, nullptr);
    EXPECT_FALSE(window().action("DisconnectAction")->isEnabled());
    EXPECT_FALSE(disconnect->isEnabled());
    EXPECT_FALSE(stop->isEnabled());

    // Laid out again (hidden and shown), the buttons still follow.
    TToolbarLayout::ApplyToolbarLayout(toolbar("MainToolbar"), {"TBXItem45", "DisconnectButton"}, 1, 1);
    EXPECT_FALSE(disconnect->isEnabled());
    window().action("DisconnectAction")->setEnabled(true);
    EXPECT_TRUE(disconnect->isEnabled());
    window().action("DisconnectAction")->setEnabled(false);
    EXPECT_FALSE(disconnect->isEnabled());
}

TEST_F(MainToolbarsTest, AStoredLayoutComesBackAfterARestartAndAGoneNameIsASeparator)
{
    {
        const auto registry = OpenAppRegistry();
        const QString key = "Software\\Vantor FTP\\RemoteToolbar";
        registry->writeInteger(key + "\\Options", "Show Captions", 1);
        registry->writeInteger(key + "\\Options", "Image Style", 1);
        registry->writeString(key + "\\Buttons", "Button00", "AdvancedSearchButton");
        registry->writeString(key + "\\Buttons", "Button01", "RemoteButtonOfAnOldVersion");
        registry->writeString(key + "\\Buttons", "Button02", "RemoteRefreshButton");
        registry->sync();
    }
    EXPECT_EQ(shownNames(toolbar("RemoteToolbar")),
              (QStringList{"AdvancedSearchButton", "-", "RemoteRefreshButton"}));
    EXPECT_EQ(toolbar("RemoteToolbar")->iconSize(), QSize(16, 16));

    // A layout chosen in the window survives the window.
    QToolBar* local = toolbar("LocalToolbar");
    TToolbarLayout::ApplyToolbarLayout(local, {"TBXItem4", "Separator", "TBXItem1"}, 1, 0);
    TToolbarLayout::SaveToolbarLayout(*OpenAppRegistry(), local, TToolbarLayout::layoutKey(local), 1, 0);
    restart();
    for (const char* name : {"LocalToolbar", "RemoteToolbar"}) {
        for (QAction* item : toolbar(name)->actions()) {
            if (QToolButton* button = TToolbarLayout::button(item); button && item->isVisible()) {
                EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << name;
            }
        }
    }
    EXPECT_EQ(shownNames(toolbar("LocalToolbar")), (QStringList{"TBXItem4", "-", "TBXItem1"}));
    EXPECT_EQ(toolbar("LocalToolbar")->iconSize(), QSize(24, 24));
    EXPECT_EQ(shownNames(toolbar("RemoteToolbar")),
              (QStringList{"AdvancedSearchButton", "-", "RemoteRefreshButton"}));
    EXPECT_EQ(toolbar("RemoteToolbar")->iconSize(), QSize(16, 16));
}

TEST_F(MainToolbarsTest, HidingAndShowingTheMainToolbarPutsItOnRowOne)
{
    MainConfig()->SetMainToolbarDockRow(3);
    MainConfig()->SetMainToolbarDockPos(55);
    QToolBar* main = toolbar("MainToolbar");
    EXPECT_EQ(TMainToolbars::dockRow(main), 3);
    EXPECT_EQ(TMainToolbars::dockPos(main), 55);
    QAction* show = window().action("ShowMainToolbarAction");
    ASSERT_TRUE(show->isChecked());
    show->trigger();
    EXPECT_TRUE(main->isHidden());
    EXPECT_EQ(TMainToolbars::dockRow(main), 3);
    show->trigger();
    EXPECT_FALSE(main->isHidden());
    EXPECT_EQ(TMainToolbars::dockRow(main), 1);

    window().findChild<QAction*>("ShowQueueLogToolbarAction")->trigger();
    EXPECT_TRUE(toolbar("QueueLogToolbar")->isHidden());
    restart();
    EXPECT_TRUE(toolbar("QueueLogToolbar")->isHidden()) << "the setting holds the visibility";
    EXPECT_FALSE(window().action("ShowQueueLogToolbarAction")->isChecked());
    EXPECT_EQ(TMainToolbars::dockRow(toolbar("MainToolbar")), 1);
    EXPECT_EQ(MainConfig()->MainToolbarDockPos(), 55);
}

TEST_F(MainToolbarsTest, RecordsOfAnotherRevOrAnUnknownDockAreIgnored)
{
    writeRecord("LocalToolbar", "1999", "LocalDock", 4);
    writeRecord("RemoteToolbar", "2000", "NoSuchDock", 6);
    writeRecord("QueueLogToolbar", "2000", "QueueLogDock", 2);
    writeRecord("MainMenuToolbar", "2000", "MainDock", 0, "0");
    window();
    EXPECT_EQ(TMainToolbars::dockRow(toolbar("LocalToolbar")), 0);
    EXPECT_EQ(TMainToolbars::dockRow(toolbar("RemoteToolbar")), 0);
    EXPECT_EQ(TMainToolbars::dockRow(toolbar("QueueLogToolbar")), 2);
    EXPECT_EQ(TMainToolbars::dockPos(toolbar("QueueLogToolbar")), 7);
    EXPECT_FALSE(window().menuBar()->isHidden()) << "nothing could bring a hidden menu bar back";
}

TEST_F(MainToolbarsTest, ClosingWritesTheRecordsOnlyWhenTheFormStateIsRemembered)
{
    writeRecord("LocalToolbar", "2000", "LocalDock", 5);
    MainConfig()->SetRememberFormState(false);
    window().action("ShowLocalToolbarAction")->trigger();
    window().action("ShowMainToolbarAction")->trigger();
    restart();
    EXPECT_EQ(OpenAppRegistry()->readString(recordKey("LocalToolbar"), "Visible"), "1");
    EXPECT_EQ(OpenAppRegistry()->readString(recordKey("LocalToolbar"), "DockRow"), "5");
    EXPECT_FALSE(OpenAppRegistry()->keyExists(recordKey("MainToolbar")));
    EXPECT_TRUE(MainConfig()->ShowMainToolbar());
    EXPECT_TRUE(MainConfig()->ShowLocalToolbar());

    MainConfig()->SetRememberFormState(true);
    window().action("ShowLocalToolbarAction")->trigger();
    m_window.reset();
    const auto registry = OpenAppRegistry();
    EXPECT_EQ(registry->readString(recordKey("LocalToolbar"), "Visible"), "0");
    EXPECT_EQ(registry->readString(recordKey("LocalToolbar"), "DockRow"), "5");
    EXPECT_EQ(registry->readString(recordKey("LocalToolbar"), "DockPos"), "7");
    EXPECT_EQ(registry->readString(recordKey("MainToolbar"), "Rev"), "2000");
    EXPECT_EQ(registry->readString(recordKey("MainToolbar"), "DockedTo"), "MainDock");
    EXPECT_EQ(registry->readString(recordKey("MainToolbar"), "DockRow"), "1");
    EXPECT_EQ(registry->readString(recordKey("QueueLogToolbar"), "LastDock"), "QueueLogDock");
    EXPECT_EQ(registry->readString(recordKey("MainMenuToolbar"), "DockRow"), "0");
    EXPECT_FALSE(MainConfig()->ShowLocalToolbar());
    EXPECT_EQ(MainConfig()->MainToolbarDockRow(), 1);
}

TEST_F(MainToolbarsTest, ThePopupMenuCustomizesTheToolbarItWasOpenedOn)
{
    TMainToolbars& toolbars = window().toolbars();
    QStringList items;
    for (QAction* item : toolbars.popupMenu()->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->objectName());
    EXPECT_EQ(items,
              (QStringList{"ShowMainToolbarAction", "ShowLocalToolbarAction", "ShowRemoteToolbarAction",
                           "ShowQueueLogToolbarAction", "-", "CustomizeToolbarAction"}));
    EXPECT_EQ(toolbars.popupMenu()->objectName(), "CustomizeToolbarPopupMenu");

    QStringList shown;
    toolbars.setDialogRunner([&](TCustomizeButtonsForm& form) {
        EXPECT_EQ(form.windowTitle(), "Customize Toolbar");
        for (int row = 0; row < form.selectedList()->count(); ++row)
            shown << form.selectedList()->item(row)->text();
    });
    window().action("CustomizeToolbarAction")->trigger();
    EXPECT_TRUE(shown.isEmpty()) << "no toolbar was right-clicked";

    toolbars.popUpFor(toolbar("MainToolbar"));
    toolbars.popupMenu()->close();
    window().action("CustomizeToolbarAction")->trigger();
    EXPECT_EQ(shown, (QStringList{"Select a host", "Disconnect", "Separator", "Quick connect", "Separator",
                                  "Add", "Edit"}));
}

TEST_F(MainToolbarsTest, ARightClickOnAToolbarChoosesWhatCustomizeOpensAndShowingKeepsItsDockOnTop)
{
    QStringList shown;
    window().toolbars().setDialogRunner([&](TCustomizeButtonsForm& form) {
        for (int row = 0; row < form.selectedList()->count(); ++row)
            shown << form.selectedList()->item(row)->text();
    });
    QToolBar* queue = toolbar("QueueLogToolbar");
    ASSERT_EQ(queue->contextMenuPolicy(), Qt::CustomContextMenu);
    emit queue->customContextMenuRequested(QPoint(3, 3));
    window().toolbars().popupMenu()->close();
    window().action("CustomizeToolbarAction")->trigger();
    ASSERT_EQ(shown.size(), 10);
    EXPECT_EQ(shown[2], "Separator");

    // A right click on a button reaches its toolbar.
    shown.clear();
    auto* stop = toolbar("RemoteToolbar")->findChild<QToolButton*>("RemoteStopButton");
    ASSERT_NE(stop, nullptr);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), stop->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(stop, &click);
    EXPECT_TRUE(window().toolbars().popupMenu()->isVisible());
    window().toolbars().popupMenu()->close();
    window().action("CustomizeToolbarAction")->trigger();
    ASSERT_EQ(shown.size(), 16);
    EXPECT_EQ(shown[6], "Stop");

    QWidget* dock = window().findChild<QWidget*>("RemoteDock");
    ASSERT_TRUE(dock && dock->parentWidget() && dock->parentWidget()->layout());
    window().action("ShowRemoteToolbarAction")->trigger();
    EXPECT_TRUE(toolbar("RemoteToolbar")->isHidden());
    window().action("ShowRemoteToolbarAction")->trigger();
    EXPECT_FALSE(toolbar("RemoteToolbar")->isHidden());
    EXPECT_EQ(dock->parentWidget()->layout()->indexOf(dock), 0);
    // The layout the dialog opened with was kept: nothing changed without OK.
    EXPECT_EQ(shownNames(queue).size(), 10);
}
