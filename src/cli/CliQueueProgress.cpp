#include "CliQueueProgress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "queue/TFTPTransfer.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{200};
constexpr int kBarWidth = 24;

} // namespace

std::string CliQueueProgress::formatBytes(std::int64_t bytes)
{
    static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    char buf[32];
    if (unit == 0)
        std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(bytes));
    else
        std::snprintf(buf, sizeof buf, "%.1f %s", value, units[unit]);
    return buf;
}

std::string CliQueueProgress::formatExactBytes(std::int64_t bytes)
{
    const std::string exact = std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    return bytes < 1024 ? exact : formatBytes(bytes) + " (" + exact + ")";
}

CliQueueProgress::CliQueueProgress(std::FILE* out)
    : m_out(out)
    , m_enabled(::isatty(::fileno(out)) != 0)
{}

std::string CliQueueProgress::bar(int percent, int width)
{
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * width / 100;
    char number[8];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    return "[" + std::string(std::size_t(filled), '#') + std::string(std::size_t(width - filled), '-') +
           "] " + number;
}

std::string CliQueueProgress::summary(int filesDone, int files, std::int64_t bytes, std::int64_t resumed,
                                      std::int64_t rate)
{
    std::string text =
        std::to_string(filesDone) + "/" + std::to_string(files) + " files  " + formatBytes(bytes);
    if (resumed > 0)
        text += " (" + formatBytes(resumed) + " resumed)";
    return text + "  " + formatBytes(rate) + "/s";
}

void CliQueueProgress::itemAdded(const TQueueItem& item)
{
    if (item.IsDirectory)
        return;
    ++m_files;
    m_bytesKnown += std::max<qint64>(item.FileSize, 0);
}

void CliQueueProgress::itemDropped(const TQueueItem& item)
{
    if (item.IsDirectory)
        return;
    m_running.remove(&item);
    m_files = std::max(0, m_files - 1);
    m_bytesKnown = std::max<std::int64_t>(0, m_bytesKnown - std::max<qint64>(item.FileSize, 0));
}

void CliQueueProgress::itemCompleted(const TQueueItem& item)
{
    if (item.IsDirectory)
        return;
    std::int64_t movedBefore = m_bytesDone - m_resumedDone;
    for (const Running& r : std::as_const(m_running))
        movedBefore += r.done - r.resumed;
    const Running last = m_running.take(&item);
    ++m_filesDone;
    const std::int64_t size = std::max<std::int64_t>(item.FileSize, item.BytesDone.load());
    m_bytesDone += size;
    m_resumedDone += std::min(last.resumed, size);
    countMoving(movedBefore);
    draw(false);
}

void CliQueueProgress::update(const QList<TQueueItemProgress>& running)
{
    std::int64_t movedBefore = m_bytesDone - m_resumedDone;
    for (const Running& r : std::as_const(m_running))
        movedBefore += r.done - r.resumed;
    for (const TQueueItemProgress& p : running) {
        if (!p.item || p.item->IsDirectory)
            continue;
        Running& r = m_running[p.item];
        r.done = p.bytesDone;
        if (p.item->Transfer)
            r.resumed = std::min<std::int64_t>(p.item->Transfer->ResumeOffset(), p.bytesDone);
    }
    countMoving(movedBefore);
    draw(false);
}

void CliQueueProgress::itemStatus(const TQueueItem& item, TTransferState state)
{
    if (item.IsDirectory || !item.Transfer || state != TTransferState::tsTransferring)
        return;
    Running& r = m_running[&item];
    r.resumed = item.Transfer->ResumeOffset();
    r.done = std::max(r.done, r.resumed);
    if (!m_firstMove)
        m_firstMove = std::chrono::steady_clock::now();
}

void CliQueueProgress::countMoving(std::int64_t movedBefore)
{
    std::int64_t moved = m_bytesDone - m_resumedDone;
    for (const Running& r : std::as_const(m_running))
        moved += r.done - r.resumed;
    const auto now = std::chrono::steady_clock::now();
    if (moved > movedBefore) {
        if (!m_firstMove)
            m_firstMove = now;
        m_lastMove = now;
    }
}

void CliQueueProgress::draw(bool force)
{
    if (!m_enabled || m_held)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_drawn && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    std::int64_t bytes = m_bytesDone;
    std::int64_t resumed = m_resumedDone;
    for (const Running& r : std::as_const(m_running)) {
        bytes += r.done;
        resumed += r.resumed;
    }
    int percent = 0;
    if (m_bytesKnown > 0)
        percent = int(std::min<std::int64_t>(100, bytes * 100 / m_bytesKnown));
    else if (m_files > 0)
        percent = m_filesDone * 100 / m_files;
    // The rate of the bytes moved in this run, over the time they were moving.
    std::int64_t rate = 0;
    if (m_firstMove) {
        const auto end = m_running.isEmpty() ? m_lastMove : now;
        const double seconds = std::chrono::duration<double>(end - *m_firstMove).count();
        if (seconds > 0.001)
            rate = static_cast<std::int64_t>(double(bytes - resumed) / seconds);
    }
    std::fprintf(m_out, "\r%s  %s\033[K", bar(percent, kBarWidth).c_str(),
                 summary(m_filesDone, m_files, bytes, resumed, rate).c_str());
    std::fflush(m_out);
    m_drawn = true;
}

void CliQueueProgress::hold(bool held)
{
    if (held)
        clear();
    m_held = held;
}

void CliQueueProgress::clear()
{
    if (!m_enabled || !m_drawn)
        return;
    std::fprintf(m_out, "\r\033[K");
    std::fflush(m_out);
    m_drawn = false;
}

void CliQueueProgress::finish()
{
    m_held = false;
    if (!m_enabled || (m_filesDone == 0 && !m_firstMove)) {
        clear();
        return;
    }
    draw(true);
    std::fprintf(m_out, "\n");
    std::fflush(m_out);
    m_drawn = false;
}

} // namespace cli
