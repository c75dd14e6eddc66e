#pragma once

#include <gtest/gtest.h>

#include <QModelIndex>
#include <QString>

#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/main/IShutdown.h"
#include "ui/main/TLogView.h"
#include "ui/main/TQueueListModel.h"
#include "ui/main/TQueuePane.h"
#include "unit/queue/QueueTestSupport.h"

namespace queueviewtest {

using namespace queuetest;
using namespace testsupport;

class FakeShutdown final : public IShutdown
{
public:
    bool powerOff(QString*) override
    {
        ++calls;
        return true;
    }
    int calls = 0;
};

// The queue pane on a real queue manager, a scripted server for the transfers, a
// fresh data folder, English texts.
class QueuePaneFixture : public ::testing::Test
{
protected:
    QueuePaneFixture() { m_pane.setShutdown(&m_shutdown); }

    TQueueItem* download(const QString& remote, bool active = false, qint64 size = 2048,
                         bool directory = false)
    {
        return m_manager.AddDownload(m_host, QStringLiteral("/pub/"), active, kUnknownDateTime, size,
                                     directory, m_env.localRoot(), remote);
    }
    TQueueListModel& model() { return *m_pane.model(); }
    QString cell(int row, int column) { return model().index(row, column).data().toString(); }
    QString status(const TQueueItem* item) { return cell(model().rowOf(item), TQueueListModel::colStatus); }
    bool isBold(const TQueueItem* item)
    {
        const QVariant font =
            model().index(model().rowOf(item), TQueueListModel::colStatus).data(Qt::FontRole);
        return font.isValid() && font.value<QFont>().bold();
    }
    int progressBar(const TQueueItem* item)
    {
        return model()
            .index(model().rowOf(item), TQueueListModel::colProgress)
            .data(TQueueListModel::ProgressBarRole)
            .toInt();
    }
    QAction* action(const char* name) { return m_pane.action(QString::fromLatin1(name)); }
    bool waitIdle()
    {
        return waitFor([this] { return m_manager.isIdle(); });
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    TFormLanguage m_language{QStringLiteral("MainForm")};
    TLogView m_log;
    TQueuePane m_pane{m_manager, m_language, m_log};
    FakeShutdown m_shutdown;
};

} // namespace queueviewtest
