#pragma once

#include <atomic>

namespace ftp {

// A wake-up descriptor for poll(): trigger() may be called from any thread and
// makes every wait that includes fd() return at once. Stays triggered until reset().
class Waker final
{
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void trigger() noexcept;
    // Only from the thread that owns the waits.
    void reset() noexcept;
    bool triggered() const noexcept { return m_triggered.load(std::memory_order_acquire); }
    int fd() const noexcept { return m_fd; }

private:
    int m_fd = -1;
    std::atomic<bool> m_triggered{false};
};

} // namespace ftp
