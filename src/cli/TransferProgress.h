#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

// A one-line progress display on a terminal stream, redrawn at most five times a
// second whatever the rate of updates.
class TransferProgress final
{
public:
    TransferProgress(std::FILE* out, std::string name);

    void begin(std::int64_t offset, std::int64_t expected);
    void update(std::int64_t bytesOnConnection);
    void end(bool completed);

    // "1.5 MiB", "512 B"
    static std::string formatBytes(std::int64_t bytes);

private:
    void draw(bool final);

    std::FILE* m_out;
    std::string m_name;
    std::int64_t m_offset = 0;
    std::int64_t m_expected = -1;
    std::int64_t m_moved = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
    bool m_drawn = false;
};

} // namespace cli
