#include <random>

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QImage>
#include <QPainter>
#include <QTreeView>

#include "QueuePaneTestSupport.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/TQueueRowIndex.h"

using namespace queueviewtest;

namespace {

using QueueListModelTest = QueuePaneFixture;

} // namespace

// --- What a row shows -----------------------------------------------------------------

TEST_F(QueueListModelTest, RowsShowNamePathsSizeIconAndDirection)
{
    QDir().mkpath(m_env.local("up"));
    ASSERT_TRUE(writeAll(m_env.local("up/notes.txt"), "hello"));
    TQueueItem* file = download(QStringLiteral("/pub/sub/a.zip"));
    TQueueItem* directory = download(QStringLiteral("/pub/docs"), false, 0, true);
    TQueueItem* upload = m_manager.AddUpload(m_host, m_env.localRoot(), false, QStringLiteral("/incoming/"),
                                             m_env.local("up/notes.txt"));
    ASSERT_EQ(model().rowCount(), 3);

    EXPECT_EQ(cell(0, TQueueListModel::colFilename), "a.zip");
    EXPECT_EQ(cell(0, TQueueListModel::colStatus), "Awaiting transfer");
    EXPECT_EQ(cell(0, TQueueListModel::colRemotePath), "/pub/sub/");
    EXPECT_EQ(cell(0, TQueueListModel::colLocalPath), m_env.local("sub/"));
    EXPECT_EQ(cell(0, TQueueListModel::colSize), "2 KB");
    EXPECT_EQ(model().index(0, TQueueListModel::colSize).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(model().index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(model().index(0, 0).data(TQueueListModel::DirectionRole).toInt(),
              int(TQueueListModel::TDirectionImage::Download));

    EXPECT_EQ(cell(1, TQueueListModel::colFilename), "docs");
    EXPECT_EQ(model().index(1, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
              TFileTypes::shared().folderIcon().cacheKey());
    EXPECT_EQ(model().index(1, 0).data(TQueueListModel::DirectionRole).toInt(),
              int(TQueueListModel::TDirectionImage::None));

    // An upload is named by its local file; its remote path is derived.
    EXPECT_EQ(cell(2, TQueueListModel::colFilename), "notes.txt");
    EXPECT_EQ(cell(2, TQueueListModel::colRemotePath), "/incoming/up/");
    EXPECT_EQ(cell(2, TQueueListModel::colLocalPath), m_env.local("up/"));
    EXPECT_EQ(cell(2, TQueueListModel::colSize), "1 KB");
    EXPECT_EQ(model().index(2, 0).data(TQueueListModel::DirectionRole).toInt(),
              int(TQueueListModel::TDirectionImage::Upload));
    EXPECT_EQ(model().itemAt(0), file);
    EXPECT_EQ(model().itemAt(1), directory);
    EXPECT_EQ(model().rowOf(upload), 2);

    const QStringList english{"Filename", "Progress", "Status", "Remote path", "Local path", "Size"};
    for (int column = 0; column < TQueueListModel::colCount; ++column)
        EXPECT_EQ(model().headerData(column, Qt::Horizontal).toString(), english[column]);
}

TEST_F(QueueListModelTest, SizeShowsKilobytesThenDoneAndTotalWhileTheFileTransfers)
{
    m_server.fs().addFile("/pub/f.bin", pattern(2048));
    m_server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 1500}});
    TQueueItem* item = download(QStringLiteral("/pub/f.bin"));
    EXPECT_EQ(cell(0, TQueueListModel::colSize), "2 KB");

    QStringList sizes;
    int largestBar = -1;
    QObject::connect(&model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex&) {
                         if (model().itemAt(from.row()) != item)
                             return;
                         sizes.append(cell(from.row(), TQueueListModel::colSize));
                         largestBar = std::max(largestBar, progressBar(item));
                     });
    m_manager.BeginItem(item);
    ASSERT_TRUE(waitFor([&] { return m_manager.itemCount() == 0; })) << m_server.conversation();
    ASSERT_FALSE(sizes.isEmpty());
    bool sawPartial = false;
    for (const QString& size : std::as_const(sizes)) {
        if (!size.contains(" / "))
            continue;
        EXPECT_TRUE(size.endsWith(" / 2.00 KB")) << size.toStdString();
        sawPartial = sawPartial || size != "2.00 KB / 2.00 KB";
    }
    EXPECT_TRUE(sawPartial) << sizes.join(", ").toStdString();
    EXPECT_GT(largestBar, 0);
}

TEST_F(QueueListModelTest, PausedRowIsBoldAndPlayMakesItAwaitingInNormalWeight)
{
    m_server.fs().addFile("/pub/f.bin", "content");
    TQueueItem* item = download(QStringLiteral("/pub/f.bin"));
    m_manager.PauseQueue();
    EXPECT_EQ(status(item), "Paused");
    EXPECT_TRUE(isBold(item));
    m_manager.PlayQueue();
    EXPECT_EQ(status(item), "Awaiting transfer");
    EXPECT_FALSE(isBold(item));
    EXPECT_TRUE(waitIdle());
}

TEST_F(QueueListModelTest, AFailedItemLosesItsProgressBar)
{
    m_server.fs().addFile("/pub/f.bin", pattern(60000));
    m_server.addOverride(
        {.command = "RETR",
         .data = {.kind = DataFaultKind::CutAfter, .bytes = 40000, .bytesPerSecond = 50000}});
    TQueueItem* item = download(QStringLiteral("/pub/f.bin"));
    m_manager.BeginItem(item);
    ASSERT_TRUE(waitFor([&] { return progressBar(item) > 0; })) << m_server.conversation();
    ASSERT_TRUE(waitFor([&] { return item->State == TTransferState::tsError; }));
    EXPECT_EQ(progressBar(item), -1);
    EXPECT_TRUE(isBold(item));
    m_manager.StopQueue();
}

TEST_F(QueueListModelTest, TheDelegatePaintsABarOnlyOverARunningRow)
{
    TQueueItem* item = download(QStringLiteral("/pub/f.bin"));
    QTreeView* view = m_pane.view();
    m_pane.resize(700, 200);
    m_pane.show();
    QCoreApplication::processEvents();
    const auto progressCell = [&] {
        QImage image(m_pane.size(), QImage::Format_RGB32);
        m_pane.render(&image);
        const QRect rect = view->visualRect(model().index(0, TQueueListModel::colProgress))
                               .translated(view->viewport()->mapTo(&m_pane, QPoint()));
        return image.copy(rect.adjusted(2, 2, -2, -2));
    };
    const QImage plain = progressCell(); // no text, no bar
    item->SetStatus(TTransferState::tsTransferring, QStringLiteral("Transfering"));
    model().applyProgress({{item, 1024, 2048, 50}});
    EXPECT_EQ(progressBar(item), 50);
    EXPECT_NE(progressCell(), plain);
    item->SetStatus(TTransferState::tsStopped, QStringLiteral("Transfer stopped."));
    EXPECT_EQ(progressBar(item), -1);
    EXPECT_EQ(progressCell(), plain);
    EXPECT_EQ(cell(0, TQueueListModel::colSize), "1.00 KB / 2.00 KB");
}

// --- Rows come and go with the items ---------------------------------------------------

TEST_F(QueueListModelTest, ARowGoesExactlyWhenItsItemIsDeleted)
{
    m_server.fs().addFile("/pub/f.bin", "content");
    TQueueItem* first = download(QStringLiteral("/pub/f.bin"));
    TQueueItem* second = download(QStringLiteral("/pub/g.bin"));
    int rowAtComplete = -2;
    int rowAtDelete = -2;
    int rowsAtDelete = -1;
    QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                     [&](TQueueItem* item) { rowAtComplete = model().rowOf(item); });
    QObject::connect(&m_manager, &TQueueManager::OnItemDeleted, [&](TQueueItem* item) {
        rowAtDelete = model().rowOf(item);
        rowsAtDelete = model().rowCount();
    });
    m_manager.BeginItem(first);
    ASSERT_TRUE(waitFor([&] { return rowsAtDelete >= 0; }));
    EXPECT_EQ(rowAtComplete, 0);
    EXPECT_EQ(rowAtDelete, -1);
    EXPECT_EQ(rowsAtDelete, 1);
    EXPECT_EQ(model().itemAt(0), second);
    EXPECT_TRUE(waitIdle());
}

TEST_F(QueueListModelTest, RowsFollowTheQueueOrderThroughAddsAndDeletesAnywhere)
{
    QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::mt19937 random(7);
    // Enough rows that the dead slots are compacted on the way.
    for (int i = 0; i < 3000; ++i)
        download(QStringLiteral("/pub/f%1").arg(i));
    for (int round = 0; round < 2600; ++round) {
        const QList<TQueueItem*> items = m_manager.Items();
        m_manager.DeleteItem(items[int(random() % items.size())]);
        if (round % 10 == 0)
            download(QStringLiteral("/pub/new%1").arg(round));
    }
    const QList<TQueueItem*> items = m_manager.Items();
    ASSERT_EQ(model().rowCount(), items.size());
    for (int row = 0; row < items.size(); ++row) {
        ASSERT_EQ(model().itemAt(row), items[row]) << row;
        ASSERT_EQ(model().rowOf(items[row]), row);
    }
    m_manager.ClearQueue();
    EXPECT_EQ(model().rowCount(), 0);
}

TEST_F(QueueListModelTest, AManagerDestroyedFirstLeavesNoRows)
{
    auto manager = std::make_unique<TQueueManager>();
    TQueueListModel rows(*manager, m_language);
    manager->AddDownload(m_host, "/pub/", false, kUnknownDateTime, 1, false, m_env.localRoot(), "/pub/a");
    ASSERT_EQ(rows.rowCount(), 1);
    manager.reset();
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(rows.itemAt(0), nullptr);
}

TEST(QueueRowIndexTest, MatchesAPlainListThroughAppendsErasesAndResets)
{
    TQueueRowIndex index;
    std::vector<int> live; // the live slots in order
    std::mt19937 random(3);
    for (int step = 0; step < 20000; ++step) {
        if (live.empty() || random() % 3 != 0) {
            live.push_back(index.append());
        } else {
            const auto at = live.begin() + long(random() % live.size());
            index.erase(*at);
            live.erase(at);
        }
        if (step % 5000 == 4999) {
            index.reset(int(live.size()));
            for (std::size_t i = 0; i < live.size(); ++i)
                live[i] = int(i);
        }
        if (step % 97 == 0)
            for (std::size_t row = 0; row < live.size(); ++row) {
                ASSERT_EQ(index.slotAt(int(row)), live[row]);
                ASSERT_EQ(index.rowOf(live[row]), int(row));
            }
    }
    EXPECT_EQ(index.rows(), int(live.size()));
    EXPECT_EQ(index.slotAt(index.rows()), -1);
}
