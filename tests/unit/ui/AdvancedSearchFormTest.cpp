#include <algorithm>

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "RemotePaneTestSupport.h"
#include "ui/main/AdvancedSearchFormUnit.h"

using namespace panetest;
using testsupport::ScriptedFtpServer;

namespace {

// The dialog on a real worker logged in to the scripted server in /pub.
class AdvancedSearchFormTest : public ::testing::Test
{
protected:
    AdvancedSearchFormTest()
    {
        fs().addFile("/pub/a.txt", "1");
        fs().addFile("/pub/readme", "22");
        fs().addFile("/pub/docs/B.Txt", "333");
        fs().addFile("/pub/docs/c.doc", "4444");
        fs().addFile("/pub/docs/old/deeper/x.TXT", "55555");
        fs().addDirectory("/pub/txt.d");
        fs().addFile("/pub/txt.d/inner.txt", "666666");
    }
    testsupport::MemoryFileSystem& fs() { return server.fs(); }
    void open()
    {
        window = std::make_unique<PaneWindow>();
        ASSERT_TRUE(window->connectTo(hostFor(server, QStringLiteral("/pub")))) << server.conversation();
        form = std::make_unique<TAdvancedSearchForm>(window->worker, window->state);
        form->show();
    }
    QPushButton* button(const char* name) { return form->findChild<QPushButton*>(QString::fromLatin1(name)); }
    QLineEdit* mask() { return form->findChild<QLineEdit*>(QStringLiteral("MaskEdit")); }
    void search(const QString& text)
    {
        mask()->setText(text);
        button("SearchButton")->click();
    }
    bool searchEnded()
    {
        return waitFor([&] { return !form->isSearching() && !form->isWalking(); }, 20000);
    }
    // "name in path" of every row, sorted, for order-free comparisons.
    QStringList found()
    {
        form->flushResults();
        QStringList out;
        const TSearchResultModel& model = form->model();
        for (int row = 0; row < model.rowCount(); ++row)
            out << model.textAt(row, TSearchResultModel::kName) + QStringLiteral(" in ") +
                       model.textAt(row, TSearchResultModel::kPath);
        out.sort();
        return out;
    }

    PaneEnvironment env;
    ScriptedFtpServer server;
    std::unique_ptr<PaneWindow> window;
    std::unique_ptr<TAdvancedSearchForm> form;
};

TEST_F(AdvancedSearchFormTest, AMaskFindsMatchesInEverySubdirectoryIgnoringCaseWithTheirPaths)
{
    open();
    EXPECT_EQ(form->focusWidget(), mask());
    search(QStringLiteral("*.TXT"));
    EXPECT_TRUE(form->isSearching());
    EXPECT_EQ(button("SearchButton")->text(), QStringLiteral("&Stop"));
    EXPECT_TRUE(window->state.busy());
    ASSERT_TRUE(searchEnded());
    EXPECT_EQ(button("SearchButton")->text(), QStringLiteral("&Search"));
    EXPECT_FALSE(window->state.busy());
    EXPECT_EQ(found(), (QStringList{
                           QStringLiteral("B.Txt in /pub/docs"),
                           QStringLiteral("a.txt in /pub"),
                           QStringLiteral("inner.txt in /pub/txt.d"),
                           QStringLiteral("x.TXT in /pub/docs/old/deeper"),
                       }));
    EXPECT_EQ(window->worker.CurrentDir(), QStringLiteral("/pub"));

    // A directory that matches is a result and is searched below; no "." or "..".
    button("ClearResultsButton")->click();
    EXPECT_EQ(form->model().rowCount(), 0);
    search(QStringLiteral("*t*.?"));
    ASSERT_TRUE(searchEnded());
    EXPECT_EQ(found(), (QStringList{QStringLiteral("txt.d in /pub")}));
    button("ClearResultsButton")->click();
    search(QStringLiteral("[bx]*"));
    ASSERT_TRUE(searchEnded());
    EXPECT_EQ(found(), (QStringList{QStringLiteral("B.Txt in /pub/docs"),
                                    QStringLiteral("x.TXT in /pub/docs/old/deeper")}));
}

TEST_F(AdvancedSearchFormTest, AnInvalidMaskIsReportedAndStartsNoSearch)
{
    open();
    QStringList messages;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        messages << request.Text;
        request.Result = QMessageBox::Ok;
    });
    const std::size_t before = server.commands().size();
    search(QStringLiteral("ab[cd"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("'ab[cd' is an invalid mask at (")))
        << messages[0].toStdString();
    EXPECT_FALSE(form->isSearching());
    EXPECT_FALSE(window->state.busy());
    QTest::qWait(100);
    EXPECT_EQ(server.commands().size(), before);
}

TEST_F(AdvancedSearchFormTest, StopDuringADeepWalkKeepsWhatWasFound)
{
    std::string path = "/pub/deep";
    for (int level = 0; level < 30; ++level) {
        path += "/l" + std::to_string(level);
        fs().addFile(path + "/hit" + std::to_string(level) + ".txt", "x");
    }
    server.addOverride({.command = "CWD", .delay = std::chrono::milliseconds(30)});
    open();
    search(QStringLiteral("hit*"));
    ASSERT_TRUE(waitFor([&] { return !found().isEmpty(); }));
    button("SearchButton")->click(); // Stop
    EXPECT_FALSE(form->isSearching());
    EXPECT_EQ(button("SearchButton")->text(), QStringLiteral("&Search"));
    const QStringList atStop = found();
    ASSERT_TRUE(searchEnded());
    // Nothing listed after the stop is added, what was found stays.
    QTest::qWait(150);
    EXPECT_EQ(found(), atStop);
    EXPECT_LT(atStop.size(), 30);
    EXPECT_FALSE(window->state.busy());
    EXPECT_EQ(window->worker.CurrentDir(), QStringLiteral("/pub"));
    // A new search runs from the start again.
    button("ClearResultsButton")->click();
    server.clearOverrides();
    search(QStringLiteral("hit2?.txt"));
    ASSERT_TRUE(searchEnded());
    EXPECT_EQ(found().size(), 10);
}

TEST_F(AdvancedSearchFormTest, ClosingDuringASearchStopsTheWalkAndTheWindowStaysBusyUntilItEnds)
{
    for (int i = 0; i < 20; ++i)
        fs().addFile("/pub/many/d" + std::to_string(i) + "/f.txt", "x");
    server.addOverride({.command = "CWD", .delay = std::chrono::milliseconds(40)});
    open();
    search(QStringLiteral("*.txt"));
    ASSERT_TRUE(waitFor([&] { return !found().isEmpty(); }));
    form->reject();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->isSearching());
    const int rows = form->model().rowCount();
    form.reset();
    // The walk ends after its directory; the window starts nothing meanwhile.
    EXPECT_TRUE(window->state.busy());
    EXPECT_TRUE(waitFor([&] { return !window->state.busy(); }, 20000));
    EXPECT_LT(rows, 25);
    EXPECT_EQ(window->worker.CurrentDir(), QStringLiteral("/pub"));
    // The connection is free again: a listing works.
    const int before = window->listings;
    window->worker.List();
    EXPECT_TRUE(window->waitForListing(before));
}

TEST_F(AdvancedSearchFormTest, ClickingAColumnSortsAndClickingItAgainReverses)
{
    open();
    search(QStringLiteral("*"));
    ASSERT_TRUE(searchEnded());
    form->flushResults();
    TSearchResultModel& model = form->model();
    // Directories first, then by name.
    EXPECT_EQ(model.columnTexts(TSearchResultModel::kName),
              (QStringList{"deeper", "docs", "old", "txt.d", "a.txt", "B.Txt", "c.doc", "inner.txt", "readme",
                           "x.TXT"}));
    auto* list = form->findChild<QTreeView*>(QStringLiteral("RemoteListView"));
    ASSERT_NE(list, nullptr);
    list->header()->setSortIndicator(TSearchResultModel::kSize, Qt::AscendingOrder);
    QStringList files = model.columnTexts(TSearchResultModel::kName).mid(4);
    EXPECT_EQ(files, (QStringList{"a.txt", "readme", "B.Txt", "c.doc", "x.TXT", "inner.txt"}));
    list->header()->setSortIndicator(TSearchResultModel::kSize, Qt::DescendingOrder);
    files = model.columnTexts(TSearchResultModel::kName).mid(0, 6);
    EXPECT_EQ(files, (QStringList{"inner.txt", "x.TXT", "c.doc", "B.Txt", "readme", "a.txt"}));
    list->header()->setSortIndicator(TSearchResultModel::kPath, Qt::AscendingOrder);
    EXPECT_EQ(model.columnTexts(TSearchResultModel::kPath).mid(4, 2), (QStringList{"/pub", "/pub"}));
}

} // namespace
