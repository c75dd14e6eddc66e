#include "queue/TQueueAutoSave.h"

#include <algorithm>
#include <utility>

#include <QDir>

TQueueAutoSave::TQueueAutoSave(TQueueManager& manager, QObject* parent)
    : QObject(parent)
    , m_manager(&manager)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % early, inside the minimum interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { save(); });
    connect(&manager, &TQueueManager::OnItemAdded, this, [this] { changed(); });
    connect(&manager, &TQueueManager::OnItemDeleted, this, [this] { changed(); });
    connect(&manager, &TQueueManager::OnItemStatus, this, [this] { changed(); });
}

void TQueueAutoSave::setTiming(int delayMs, int minIntervalMs)
{
    m_delayMs = std::max(0, delayMs);
    m_minIntervalMs = std::max(0, minIntervalMs);
}

TQueueLoadResult TQueueAutoSave::loadQueue()
{
    if (!m_manager)
        return {};
    // What the load adds is what the file holds: no reason to write it back, and
    // LoadQueue must have copied aside what it could not take in before anything
    // writes over the file.
    m_loading = true;
    TQueueLoadResult result;
    try {
        result = m_manager->LoadQueue();
    } catch (...) {
        m_loading = false;
        throw;
    }
    m_loading = false;
    if (!result.ok && result.keptAs.isEmpty()) {
        // The file holds what the queue does not, and no copy of it exists.
        m_suspended = QStringLiteral("%1 could not be loaded whole and no copy of it could be kept, so it is "
                                     "not saved automatically")
                          .arg(QDir::toNativeSeparators(TQueueManager::QueueFilePath()));
        m_timer.stop();
        emit saveFailed(m_suspended);
    }
    return result;
}

void TQueueAutoSave::changed()
{
    if (m_loading)
        return;
    m_pending = true;
    if (!m_suspended.isEmpty() || m_timer.isActive())
        return;
    qint64 wait = m_delayMs;
    if (m_sinceLastSave.isValid()) {
        // A queue so large that writing it takes long keeps the main thread busy
        // for at most a third of the time.
        const qint64 gap = std::max<qint64>(m_minIntervalMs, 2 * m_lastSaveMs);
        wait = std::max<qint64>(wait, gap - m_sinceLastSave.elapsed());
    }
    m_timer.start(static_cast<int>(std::max<qint64>(0, wait)));
}

bool TQueueAutoSave::flush()
{
    return !m_pending || save();
}

bool TQueueAutoSave::save()
{
    m_timer.stop();
    if (!m_suspended.isEmpty() || m_manager.isNull())
        return false;
    if (!m_pending)
        return true;
    QString error;
    QElapsedTimer duration;
    duration.start();
    const bool ok = m_saver ? m_saver(&error) : m_manager->SaveQueue(&error);
    m_lastSaveMs = duration.elapsed();
    m_sinceLastSave.start();
    if (!ok) {
        // Still pending: the next change tries again.
        emit saveFailed(error.isEmpty() ? QStringLiteral("the queue could not be written") : error);
        return false;
    }
    m_pending = false;
    ++m_saveCount;
    emit saved();
    return true;
}
