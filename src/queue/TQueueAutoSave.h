#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "queue/TQueueManager.h"

// Keeps Queue.xml up to date with the queue, so that a program that dies (a crash,
// kill -9, a power cut) loses at most the changes of the last second.
//
// Contract:
// - Main thread only, like the manager it watches.
// - Listens to the manager's OnItemAdded, OnItemDeleted and OnItemStatus (a status
//   change follows what a transfer learns of its file's size and time, which the
//   file holds). The first change after a save arms a single-shot timer; when it
//   fires (delayMs after that change, never sooner than minIntervalMs after the
//   previous save, nor sooner than twice that save's duration: a queue of 100,000
//   items takes about half a second to write) the whole queue is written once
//   through the saver
//   (TQueueManager::SaveQueue unless set otherwise; its writes are atomic, so the
//   file on disk is always a complete queue). Changes meanwhile add nothing: a burst
//   of any size is one save.
// - A failed save is announced by saveFailed() with the reason. The changes stay
//   pending and the next change (or flush()) tries again, still at most once per
//   minIntervalMs.
// - loadQueue() is the start-up load: nothing is written before LoadQueue has
//   returned (having copied aside a file it could not take in whole), and the load's
//   own additions are not saved back. When the file could be taken in only in part
//   and no copy of it could be kept, automatic saving stays off (suspendedReason()
//   says why): writing would destroy the only copy of what was left out.
// - flush() saves at once when anything is pending; the owner calls it before it
//   ends the queue. Destroying this object saves nothing.
class TQueueAutoSave final : public QObject
{
    Q_OBJECT

public:
    using TSaver = std::function<bool(QString* error)>;

    static constexpr int kDelayMs = 500;
    static constexpr int kMinIntervalMs = 1000;

    explicit TQueueAutoSave(TQueueManager& manager, QObject* parent = nullptr);

    // Another writer of the queue (tests, a different file).
    void setSaver(TSaver saver) { m_saver = std::move(saver); }
    void setTiming(int delayMs, int minIntervalMs);

    // manager.LoadQueue() with the autosave held back until it has returned.
    TQueueLoadResult loadQueue();

    // Saves now when a change is pending (also while the timer runs). True when
    // nothing was pending or the save succeeded.
    bool flush();

    bool isPending() const { return m_pending; }
    bool isArmed() const { return m_timer.isActive(); }
    int saveCount() const { return m_saveCount; }
    // Why automatic saving is off; empty while it is on.
    const QString& suspendedReason() const { return m_suspended; }

signals:
    void saved();
    void saveFailed(const QString& reason);

private:
    void changed();
    bool save();

    QPointer<TQueueManager> m_manager;
    TSaver m_saver;
    QTimer m_timer;
    QElapsedTimer m_sinceLastSave; // invalid until the first save attempt
    qint64 m_lastSaveMs = 0;
    int m_delayMs = kDelayMs;
    int m_minIntervalMs = kMinIntervalMs;
    bool m_pending = false;
    bool m_loading = false;
    int m_saveCount = 0;
    QString m_suspended;
};
