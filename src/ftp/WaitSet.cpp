#include "ftp/WaitSet.h"

#include <cerrno>
#include <vector>

#include <poll.h>

#include "ftp/FtpError.h"
#include "ftp/Waker.h"

namespace ftp {

void WaitSet::setSideWatch(int fd, std::function<void()> onReadable)
{
    m_sideFd = fd;
    m_onSide = std::move(onReadable);
}

void WaitSet::clearSideWatch()
{
    m_sideFd = -1;
    m_onSide = nullptr;
}

bool WaitSet::aborted() const
{
    for (const Waker* w : m_wakers)
        if (w->triggered())
            return true;
    return false;
}

void WaitSet::wait(int fd, Direction direction, std::chrono::milliseconds timeout, const char* what) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    std::vector<pollfd> fds;
    for (;;) {
        if (aborted())
            throw AbortedError();
        fds.clear();
        fds.push_back({fd, static_cast<short>(direction == Direction::Read ? POLLIN : POLLOUT), 0});
        for (const Waker* w : m_wakers)
            fds.push_back({w->fd(), POLLIN, 0});
        const bool side = m_sideFd >= 0 && m_onSide;
        if (side)
            fds.push_back({m_sideFd, POLLIN, 0});

        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw SocketError::timedOut(what);
        int n = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw SocketError::fromErrno(errno, "poll");
        }
        if (n == 0)
            throw SocketError::timedOut(what);
        if (aborted())
            throw AbortedError();
        // Errors and hang-ups count as ready: the following call reports them.
        if (fds[0].revents != 0)
            return;
        if (side && fds.back().revents != 0)
            m_onSide();
    }
}

} // namespace ftp
