#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "RemotePaneTestSupport.h"
#include "core/SizeFormat.h"
#include "ui/main/TRemoteFindDialog.h"
#include "ui/main/TRemotePathBox.h"

using namespace panetest;

namespace {

constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;

const char* const kBrowsingActions[] = {
    "RemoteCDUPAction",           "RemoteRefreshAction",
    "RemoteCDHomeAction",         "RemoteMakeDirAction",
    "RemoteDeleteFileAction",     "RemoteInvertSelectionAction",
    "RemoteSelectBookmarkAction", "RemoteFileAdvancedSearchAction",
    "RemoteViewAction",           "RemoteSelectFilterAction",
};
const char* const kAlwaysActions[] = {"RemoteSelectAllAction", "RemoteAddCurrentDirBookmarkAction",
                                      "RemoteEditBookmarksAction", "SimpleRemoteFileFindAction"};

// The pane without a server: the state is set by hand and listings are shown
// directly, as OnListed would show them.
class RemotePaneViewTest : public ::testing::Test
{
protected:
    explicit RemotePaneViewTest(const char* language = "English")
        : env(language)
    {}
    void SetUp() override
    {
        pane = std::make_unique<TRemotePane>(worker, state);
        pane->resize(900, 600);
    }
    void showFiles()
    {
        pane->showListing(listingOf({entry("alpha.txt", false, 5 * kGiB), entry("Beta.txt", false, 3 * kGiB),
                                     entry("gamma.TXT", false, 1), entry("data.bin"), entry("sub", true)}),
                          QStringLiteral("/pub"));
    }
    QAction* act(const char* name) { return pane->action(QString::fromLatin1(name)); }
    QStringList selectedNames()
    {
        QStringList names;
        for (int row : pane->selectedRows())
            names << pane->model().nameAt(row);
        return names;
    }
    void select(const QStringList& names)
    {
        std::vector<int> rows;
        for (const QString& name : names)
            rows.push_back(pane->model().rowOfName(name));
        pane->selectRows(rows, true, false);
    }

    PaneEnvironment env;
    TFTPWorker worker; // never started: nothing here reaches a server
    TBrowsingState state;
    std::unique_ptr<TRemotePane> pane;
};

TEST_F(RemotePaneViewTest, ActionsFollowTheSessionAndTheSelection)
{
    for (const char* name : kBrowsingActions)
        EXPECT_FALSE(act(name)->isEnabled()) << name;
    for (const char* name : kAlwaysActions)
        EXPECT_TRUE(act(name)->isEnabled()) << name;
    EXPECT_FALSE(act("DisconnectAction")->isEnabled());
    EXPECT_FALSE(act("StopAction")->isEnabled());
    EXPECT_FALSE(pane->pathBox()->isEnabled());

    state.setConnected(true);
    EXPECT_TRUE(act("DisconnectAction")->isEnabled());
    EXPECT_TRUE(pane->pathBox()->isEnabled());
    EXPECT_FALSE(act("RemoteRefreshAction")->isEnabled());
    state.setLoggedIn(true);
    for (const char* name : kBrowsingActions)
        EXPECT_TRUE(act(name)->isEnabled()) << name;

    showFiles();
    for (const char* name : {"RemoteFileOpenAction", "RemoteFileDownloadAction", "RemoteFileAddToQueueAction",
                             "RemoteFileCopyURLAction", "RemoteFilePropertiesAction"})
        EXPECT_FALSE(act(name)->isEnabled()) << name << " without a selection";
    select({"data.bin"});
    EXPECT_TRUE(act("RemoteFileOpenAction")->isEnabled());
    EXPECT_TRUE(act("RemoteFileCopyURLAction")->isEnabled());
    EXPECT_TRUE(act("RemoteFilePropertiesAction")->isEnabled());
    select({"data.bin", ".."});
    EXPECT_FALSE(act("RemoteFileOpenAction")->isEnabled()) << "a directory is selected";
    EXPECT_TRUE(act("RemoteFileDownloadAction")->isEnabled());

    state.setBusy(true);
    for (const char* name : kBrowsingActions)
        EXPECT_FALSE(act(name)->isEnabled()) << name << " while busy";
    EXPECT_TRUE(act("StopAction")->isEnabled());
    EXPECT_FALSE(pane->pathBox()->isEnabled());
    EXPECT_FALSE(act("RemoteFilePropertiesAction")->isEnabled()) << "it would use the busy connection";
    state.setBusy(false);
    EXPECT_FALSE(act("StopAction")->isEnabled());
}

TEST_F(RemotePaneViewTest, TheSelectionSummaryAddsSizesBeyondFourGigabytes)
{
    ScopedLocale english(QStringLiteral("en_US"));
    showFiles();
    EXPECT_EQ(pane->selectionPanel()->text(),
              QStringLiteral("0 files and 0 directories selected. Total size: 0 KB"));
    select({"alpha.txt", "Beta.txt", "gamma.TXT", "sub", ".."});
    EXPECT_EQ(pane->selectionPanel()->text(),
              QStringLiteral("3 files and 2 directories selected. Total size: 8,388,609 KB"));
    EXPECT_EQ(FormatSizeKB(8 * kGiB + 1), QStringLiteral("8,388,609 KB"));

    MainConfig()->SetShowRemoteSelectionPanel(false);
    pane->applyViewSettings();
    EXPECT_TRUE(pane->selectionPanel()->isHidden());
}

TEST_F(RemotePaneViewTest, FindNextSearchesOnFromTheSelectionAndWrapsAround)
{
    showFiles(); // "..", sub, alpha.txt, Beta.txt, data.bin, gamma.TXT
    act("SimpleRemoteFileFindAction")->trigger();
    TRemoteFindDialog* dialog = pane->findDialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->findChildren<QCheckBox*>().isEmpty()) << "no match case or whole word";
    auto* next = dialog->findChild<QPushButton*>(QStringLiteral("RemoteFindNextButton"));
    dialog->findEdit()->setText(QStringLiteral("txt"));
    QStringList hits;
    for (int i = 0; i < 4; ++i) {
        next->click();
        hits << selectedNames().join(u',');
    }
    EXPECT_EQ(hits, (QStringList{"alpha.txt", "Beta.txt", "gamma.TXT", "alpha.txt"}));

    select({"data.bin", "sub"});
    next->click(); // from the first selected row (sub)
    EXPECT_EQ(selectedNames(), QStringList{"alpha.txt"});
    dialog->findEdit()->setText(QStringLiteral("nothing"));
    next->click();
    EXPECT_TRUE(selectedNames().isEmpty());
}

TEST_F(RemotePaneViewTest, AFilterSelectsMatchesAndKeepsTheOtherSelection)
{
    Filters()->Add(std::make_unique<TFilter>(QStringLiteral("Text"), QStringLiteral("*.txt")));
    Filters()->Add(std::make_unique<TFilter>(QStringLiteral("Binaries"), QStringLiteral("*.bin;*.exe")));
    pane->rebuildFilterMenu();
    QStringList items;
    for (QAction* item : pane->filterMenu()->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(items, (QStringList{"Binaries", "Text", "-", "Edit filters..."}));

    showFiles();
    select({"sub"});
    pane->filterMenu()->actions().at(1)->trigger();
    EXPECT_EQ(selectedNames(), (QStringList{"sub", "alpha.txt", "Beta.txt", "gamma.TXT"}));
    pane->filterMenu()->actions().at(0)->trigger();
    EXPECT_EQ(selectedNames(), (QStringList{"sub", "alpha.txt", "Beta.txt", "data.bin", "gamma.TXT"}));
}

TEST_F(RemotePaneViewTest, ViewStylesShareTheModelAndTheSelectionAndAreStored)
{
    showFiles();
    act("RemoteViewIconsMenuItem")->trigger();
    EXPECT_EQ(pane->activeView(), pane->iconView());
    EXPECT_EQ(pane->iconView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(MainConfig()->RemoteViewStyle(), TViewStyle::vsIcon);
    pane->iconView()->selectionModel()->select(
        pane->model().index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(selectedNames(), QStringList{"alpha.txt"});

    act("RemoteViewListMenuItem")->trigger();
    EXPECT_EQ(pane->iconView()->viewMode(), QListView::ListMode);
    EXPECT_EQ(pane->iconView()->flow(), QListView::TopToBottom);
    act("RemoteViewDetailsMenuItem")->trigger();
    EXPECT_EQ(pane->activeView(), pane->listView());
    EXPECT_TRUE(act("RemoteViewDetailsMenuItem")->isChecked());
    EXPECT_FALSE(act("RemoteViewIconsMenuItem")->isChecked());
    EXPECT_EQ(selectedNames(), QStringList{"alpha.txt"});
    EXPECT_EQ(MainConfig()->RemoteViewStyle(), TViewStyle::vsReport);
}

TEST_F(RemotePaneViewTest, AClickOnAnotherColumnKeepsTheDirectionAndOnTheSameOneTogglesIt)
{
    pane->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
    showFiles();
    pane->setSort(TRemoteListModel::kName, Qt::DescendingOrder);
    QHeaderView* header = pane->listView()->header();
    const auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    click(TRemoteListModel::kSize);
    EXPECT_EQ(pane->sortColumn(), TRemoteListModel::kSize);
    EXPECT_EQ(pane->sortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(pane->model().namesInViewOrder().mid(0, 3), (QStringList{"..", "alpha.txt", "Beta.txt"}));
    click(TRemoteListModel::kSize);
    EXPECT_EQ(pane->sortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(pane->model().namesInViewOrder().mid(0, 2), (QStringList{"..", "sub"}));
}

class RemotePaneSwedishTest : public RemotePaneViewTest
{
protected:
    RemotePaneSwedishTest()
        : RemotePaneViewTest("Svenska")
    {}
};

TEST_F(RemotePaneSwedishTest, EveryTextOfThePaneIsSwedish)
{
    TTranslationTable table;
    ASSERT_TRUE(table.loadWindowTable(QStringLiteral("MainForm")).ok);
    const auto expect = [&](TTranslationSection section, const QString& key, const QString& shown) {
        const QString swedish = table.field(section, key, QStringLiteral("Svenska"));
        const QString english = table.field(section, key, QStringLiteral("English"));
        EXPECT_FALSE(swedish.isEmpty()) << key.toStdString();
        EXPECT_EQ(shown, swedish) << key.toStdString();
        if (english != swedish) {
            EXPECT_NE(shown, english) << key.toStdString();
        }
    };
    for (QAction* action : pane->findChildren<QAction*>()) {
        if (!action->objectName().isEmpty() &&
            action->objectName() != QStringLiteral("SimpleRemoteFileFindAction"))
            expect(TTranslationSection::stCaptions, action->objectName(), action->text());
    }
    for (int column = 0; column < TRemoteListModel::kColumnCount; ++column) {
        const QString key = QStringLiteral("RemoteListView.Columns[%1].Caption").arg(column);
        expect(TTranslationSection::stCollections, key,
               pane->model().headerData(column, Qt::Horizontal).toString());
    }
    TRemoteFindDialog* dialog = pane->findDialog();
    expect(TTranslationSection::stCaptions, QStringLiteral("RemoteFindDialog"), dialog->windowTitle());
    for (const char* name : {"RemoteFindNextButton", "RemoteFindCancelButton"})
        expect(TTranslationSection::stCaptions, QString::fromLatin1(name),
               dialog->findChild<QPushButton*>(QString::fromLatin1(name))->text());
    expect(TTranslationSection::stCaptions, QStringLiteral("RemoteFindLabel"),
           dialog->findChild<QLabel*>(QStringLiteral("RemoteFindLabel"))->text());
    expect(TTranslationSection::stStrings, QStringLiteral("strRSSTRemoteListView"),
           pane->listView()->accessibleName());
    expect(TTranslationSection::stStrings, QStringLiteral("strRSSTRemoteComboBox"),
           pane->pathBox()->accessibleName());
    EXPECT_EQ(pane->selectionPanel()->text(),
              QStringLiteral("0 filer och 0 kataloger markerade. Total storlek: 0 KB"));

    state.setConnected(true);
    state.setLoggedIn(true);
    showFiles();
    select({"data.bin"});
    QString question;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        question = request.Text;
        request.Result = QMessageBox::No;
    });
    act("RemoteDeleteFileAction")->trigger();
    EXPECT_EQ(question, QStringLiteral("Är du säker på att du vill ta bort de markerade filerna?"));
}

} // namespace
