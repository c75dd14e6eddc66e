#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include <QHash>
#include <QList>

#include "queue/TQueueManager.h"

namespace cli {

// The queue's progress as one line on a terminal, redrawn at most five times a
// second: a bar, files done of files known, bytes and rate. On anything that is
// not a terminal it draws nothing.
//
// Each byte counts once: a file that completes moves from the running items to
// the done ones. Bytes a resume kept are shown apart ("1.0 MiB resumed") and are
// no part of the rate, which is measured over the time bytes were moving.
class CliQueueProgress final
{
public:
    explicit CliQueueProgress(std::FILE* out);

    void itemAdded(const TQueueItem& item);
    void itemCompleted(const TQueueItem& item);
    // An item that will not be transferred (skipped): no longer counted.
    void itemDropped(const TQueueItem& item);
    void update(const QList<TQueueItemProgress>& running);
    // A status of an item: its transfer starting marks the start of the moving
    // time, and the part a resume keeps is known from then on.
    void itemStatus(const TQueueItem& item, TTransferState state);
    // Takes the line away (before other output), or leaves the last state
    // standing (at the end; nothing when no byte moved and no file completed).
    void clear();
    void finish();
    // While held (a question waits on the terminal) nothing is drawn.
    void hold(bool held);

    // "1.5 MiB", "512 B": the units of the bar's line.
    static std::string formatBytes(std::int64_t bytes);
    // "1.5 MiB (1572864 bytes)", "512 bytes": rounded as the bar shows it, and exact.
    static std::string formatExactBytes(std::int64_t bytes);

    // "[#####-----]  50%"
    static std::string bar(int percent, int width);
    // The summary after the bar: "1/2 files  3.0 MiB (1.0 MiB resumed)  1.5 MiB/s".
    static std::string summary(int filesDone, int files, std::int64_t bytes, std::int64_t resumed,
                               std::int64_t rate);

private:
    struct Running
    {
        std::int64_t done = 0;    // the resume offset included
        std::int64_t resumed = 0; // the resume offset
    };
    void draw(bool force);
    void countMoving(std::int64_t movedBefore);

    std::FILE* m_out;
    bool m_enabled;
    bool m_drawn = false;
    bool m_held = false;
    int m_files = 0;
    int m_filesDone = 0;
    std::int64_t m_bytesKnown = 0;
    std::int64_t m_bytesDone = 0;   // of completed files, resumed parts included
    std::int64_t m_resumedDone = 0; // of completed files
    QHash<const TQueueItem*, Running> m_running;
    std::optional<std::chrono::steady_clock::time_point> m_firstMove;
    std::chrono::steady_clock::time_point m_lastMove;
    std::chrono::steady_clock::time_point m_lastDraw;
};

} // namespace cli
