#include "TransferProgress.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{200};

} // namespace

TransferProgress::TransferProgress(std::FILE* out, std::string name)
    : m_out(out)
    , m_name(std::move(name))
{}

std::string TransferProgress::formatBytes(std::int64_t bytes)
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

void TransferProgress::begin(std::int64_t offset, std::int64_t expected)
{
    m_offset = offset;
    m_expected = expected;
    m_moved = 0;
    m_start = std::chrono::steady_clock::now();
    m_lastDraw = m_start;
}

void TransferProgress::update(std::int64_t bytesOnConnection)
{
    m_moved = bytesOnConnection;
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    draw(false);
}

void TransferProgress::end(bool completed)
{
    if (completed || m_drawn)
        draw(true);
}

void TransferProgress::draw(bool final)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double rate = seconds > 0 ? static_cast<double>(m_moved) / seconds : 0.0;
    std::string line = m_name + "  " + formatBytes(m_offset + m_moved);
    if (m_expected >= 0) {
        const std::int64_t total = m_offset + m_expected;
        line += " / " + formatBytes(total);
        if (total > 0) {
            char pct[16];
            std::snprintf(pct, sizeof pct, "  %3d%%", static_cast<int>((m_offset + m_moved) * 100 / total));
            line += pct;
        }
    }
    line += "  " + formatBytes(static_cast<std::int64_t>(rate)) + "/s";
    std::fprintf(m_out, "\r%s\033[K%s", line.c_str(), final ? "\n" : "");
    std::fflush(m_out);
    m_drawn = true;
}

} // namespace cli
