#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <QTextBlock>

#include "ui/main/TLogView.h"
#include "unit/queue/QueueTestSupport.h"

namespace {

struct TFragment
{
    QString text;
    QColor colour;
};

std::vector<TFragment> fragmentsOf(const QTextBlock& block)
{
    std::vector<TFragment> fragments;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        fragments.push_back({it.fragment().text(), it.fragment().charFormat().foreground().color()});
    return fragments;
}

// What the view shows once the queued lines are in.
QStringList linesOf(TLogView& log)
{
    log.flushPending();
    return log.toPlainText().split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(LogViewTest, LinesCarryTheirKindsPrefixAndColourAndDebugLinesAreDropped)
{
    TLogView log;
    EXPECT_EQ(log.objectName(), "LogEdit");
    EXPECT_TRUE(log.isReadOnly());
    log.AddToLog(TLogKind::lkStatus, "Connected");
    log.AddToLog(TLogKind::lkDebug, "Got URL from browser x");
    log.AddToLog(TLogKind::lkCommand, "USER bob");
    log.AddToLog(TLogKind::lkReply, "331 Password required");
    log.AddToLog(TLogKind::lkError, "Can't load QueueItem.\r\nReason: gone");
    EXPECT_EQ(linesOf(log),
              (QStringList{"Status> Connected", "Command> USER bob", "Reply> 331 Password required",
                           "Status> Can't load QueueItem.", "Reason: gone"}));
    const QColor green(0, 128, 0);
    const auto block = [&](int n) { return fragmentsOf(log.document()->findBlockByNumber(n)); };
    ASSERT_EQ(block(0).size(), 1u);
    EXPECT_EQ(block(0)[0].colour, green);
    EXPECT_EQ(block(1)[0].colour, QColor(128, 128, 128));
    EXPECT_EQ(block(2)[0].colour, QColor(0, 0, 255));
    // An error keeps the status prefix in green; its text is red.
    ASSERT_EQ(block(3).size(), 2u);
    EXPECT_EQ(block(3)[0].text, "Status> ");
    EXPECT_EQ(block(3)[0].colour, green);
    EXPECT_EQ(block(3)[1].colour, TLogView::colourOf(TLogKind::lkError));
    EXPECT_NE(block(3)[1].colour, green);
    // The error's second line is red too, not in the default colour.
    ASSERT_EQ(block(4).size(), 1u);
    EXPECT_EQ(block(4)[0].colour, TLogView::colourOf(TLogKind::lkError));
}

TEST(LogViewTest, EveryLineOfAMultiLineReplyIsAReplyLine)
{
    TLogView log;
    log.AddToLog(TLogKind::lkReply, "226-Options: -l\r\n226 7 matches total");
    EXPECT_EQ(linesOf(log), (QStringList{"Reply> 226-Options: -l", "Reply> 226 7 matches total"}));
    const auto second = fragmentsOf(log.document()->findBlockByNumber(1));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].colour, QColor(0, 0, 255));
}

TEST(LogViewTest, LinesFromSeveralThreadsKeepTheOrderOfTheCalls)
{
    TLogView log;
    constexpr int kThreads = 4;
    constexpr int kLines = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.AddToLog(TLogKind::lkCommand, QStringLiteral("t%1 %2").arg(t).arg(i));
        });
    for (std::thread& thread : threads)
        thread.join();
    // A line of this thread after a line another thread queued comes after it.
    std::atomic<bool> logged{false};
    std::thread before([&] {
        log.AddToLog(TLogKind::lkStatus, "before");
        logged = true;
    });
    before.join();
    ASSERT_TRUE(logged);
    log.AddToLog(TLogKind::lkStatus, "after");
    const QStringList lines = linesOf(log);
    ASSERT_EQ(lines.size(), kThreads * kLines + 2);
    EXPECT_EQ(lines[lines.size() - 2], "Status> before");
    EXPECT_EQ(lines.last(), "Status> after");
    std::vector<int> next(kThreads, 0);
    for (int n = 0; n < kThreads * kLines; ++n) {
        const QStringList parts = lines[n].mid(QStringLiteral("Command> t").size()).split(u' ');
        const int thread = parts[0].toInt();
        ASSERT_EQ(parts[1].toInt(), next[std::size_t(thread)]++) << lines[n].toStdString();
    }
}

TEST(LogViewTest, NothingIsAppendedOnceTheWindowCloses)
{
    TLogView log;
    log.AddToLog(TLogKind::lkStatus, "one");
    log.flushPending();
    // Queued, but not yet shown when the window starts closing: dropped too.
    std::thread early([&] { log.AddToLog(TLogKind::lkStatus, "queued before closing"); });
    early.join();
    log.setClosing();
    std::thread late([&] { log.AddToLog(TLogKind::lkStatus, "late"); });
    late.join();
    log.AddToLog(TLogKind::lkStatus, "two");
    QCoreApplication::processEvents();
    EXPECT_EQ(linesOf(log), QStringList{"Status> one"});
}

TEST(LogViewTest, FollowsNewLinesUnlessTheUserScrolledUp)
{
    TLogView log;
    log.resize(400, 150);
    log.show();
    for (int i = 0; i < 200; ++i)
        log.AddToLog(TLogKind::lkStatus, QStringLiteral("line %1").arg(i));
    log.flushPending();
    QScrollBar* bar = log.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(10);
    log.AddToLog(TLogKind::lkStatus, "while reading");
    log.flushPending();
    EXPECT_EQ(bar->value(), 10);
    bar->setValue(bar->maximum());
    log.AddToLog(TLogKind::lkStatus, "at the end again");
    QCoreApplication::processEvents(); // by itself, at the next turn of the event loop
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(LogViewTest, KeepsTheLastLinesAndClears)
{
    TLogView log;
    EXPECT_EQ(log.maximumLines(), TLogView::kDefaultMaximumLines);
    log.setMaximumLines(100);
    for (int i = 0; i < 150; ++i)
        log.AddToLog(TLogKind::lkStatus, QString::number(i));
    log.flushPending();
    EXPECT_EQ(log.document()->blockCount(), 100);
    EXPECT_EQ(log.document()->firstBlock().text(), "Status> 50");
    log.clearLog();
    EXPECT_TRUE(log.document()->isEmpty());
    log.AddToLog(TLogKind::lkReply, "200 OK");
    EXPECT_EQ(linesOf(log), QStringList{"Reply> 200 OK"});
}

TEST(LogViewTest, ControlCharactersOfServerTextsAreShownEscaped)
{
    TLogView log;
    log.AddToLog(TLogKind::lkReply, QStringLiteral("226 done\x1b]0;owned\x07 \x1b[2J"));
    log.AddToLog(TLogKind::lkStatus, QString::fromUtf8("name\xc2\x9b"
                                                       "31m.txt\tend"));
    const QStringList lines = linesOf(log);
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Reply> 226 done\\x1b]0;owned\\x07 \\x1b[2J"));
    EXPECT_EQ(lines[1], QStringLiteral("Status> name\\x9b31m.txt\\x09end"));
}
