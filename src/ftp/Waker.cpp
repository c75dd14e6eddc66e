#include "ftp/Waker.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <sys/eventfd.h>
#include <unistd.h>

namespace ftp {

Waker::Waker()
    : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

Waker::~Waker()
{
    ::close(m_fd);
}

void Waker::trigger() noexcept
{
    m_triggered.store(true, std::memory_order_release);
    std::uint64_t one = 1;
    // A full counter (EAGAIN) still leaves the descriptor readable.
    [[maybe_unused]] auto n = ::write(m_fd, &one, sizeof one);
}

void Waker::reset() noexcept
{
    m_triggered.store(false, std::memory_order_release);
    std::uint64_t value;
    [[maybe_unused]] auto n = ::read(m_fd, &value, sizeof value);
}

} // namespace ftp
