#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include <QList>

#include "queue/TQueueManager.h"

namespace cli {

// The queue's progress as one line on a terminal, redrawn at most five times a
// second: a bar, files done of files known, bytes and rate. On anything that is
// not a terminal it draws nothing.
class CliQueueProgress final
{
public:
    explicit CliQueueProgress(std::FILE* out);

    void itemAdded(const TQueueItem& item);
    void itemCompleted(const TQueueItem& item);
    void update(const QList<TQueueItemProgress>& running);
    // Takes the line away (before other output), or leaves the last state
    // standing (at the end).
    void clear();
    void finish();

    // "[#####-----]  50%"
    static std::string bar(int percent, int width);

private:
    void draw(bool force);

    std::FILE* m_out;
    bool m_enabled;
    bool m_drawn = false;
    int m_files = 0;
    int m_filesDone = 0;
    std::int64_t m_bytesKnown = 0;
    std::int64_t m_bytesDone = 0;
    std::int64_t m_bytesRunning = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

} // namespace cli
