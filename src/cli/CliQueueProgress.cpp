#include "CliQueueProgress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace cli {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{200};
constexpr int kBarWidth = 24;

// "1.5 MiB", "512 B"
std::string formatBytes(std::int64_t bytes)
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

} // namespace

CliQueueProgress::CliQueueProgress(std::FILE* out)
    : m_out(out)
    , m_enabled(::isatty(::fileno(out)) != 0)
    , m_start(std::chrono::steady_clock::now())
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

void CliQueueProgress::itemAdded(const TQueueItem& item)
{
    if (item.IsDirectory)
        return;
    ++m_files;
    m_bytesKnown += std::max<qint64>(item.FileSize, 0);
}

void CliQueueProgress::itemCompleted(const TQueueItem& item)
{
    if (item.IsDirectory)
        return;
    ++m_filesDone;
    m_bytesDone += std::max<qint64>(item.FileSize, item.BytesDone.load());
    draw(false);
}

void CliQueueProgress::update(const QList<TQueueItemProgress>& running)
{
    m_bytesRunning = 0;
    for (const TQueueItemProgress& p : running)
        m_bytesRunning += p.bytesDone;
    draw(false);
}

void CliQueueProgress::draw(bool force)
{
    if (!m_enabled)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_drawn && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    const std::int64_t bytes = m_bytesDone + m_bytesRunning;
    int percent = 0;
    if (m_bytesKnown > 0)
        percent = int(std::min<std::int64_t>(100, bytes * 100 / m_bytesKnown));
    else if (m_files > 0)
        percent = m_filesDone * 100 / m_files;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const auto rate = static_cast<std::int64_t>(seconds > 0 ? double(bytes) / seconds : 0.0);
    std::fprintf(m_out, "\r%s  %d/%d files  %s  %s/s\033[K", bar(percent, kBarWidth).c_str(), m_filesDone,
                 m_files, formatBytes(bytes).c_str(), formatBytes(rate).c_str());
    std::fflush(m_out);
    m_drawn = true;
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
    if (!m_enabled || (!m_drawn && m_files == 0))
        return;
    draw(true);
    std::fprintf(m_out, "\n");
    std::fflush(m_out);
    m_drawn = false;
}

} // namespace cli
