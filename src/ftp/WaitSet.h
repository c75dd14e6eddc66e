#pragma once

#include <chrono>
#include <functional>
#include <vector>

namespace ftp {

class Waker;

// What a blocking socket wait also listens to: the wakers that abort it, and an
// optional side descriptor (the control connection while a data connection is being
// set up) whose readability runs a callback that may throw to end the wait.
class WaitSet final
{
public:
    enum class Direction
    {
        Read,
        Write
    };

    void addWaker(const Waker* waker) { m_wakers.push_back(waker); }
    void setSideWatch(int fd, std::function<void()> onReadable);
    void clearSideWatch();

    // Waits until `fd` is ready in `direction`. Throws AbortedError when a waker
    // fires and SocketError (timed out) after `timeout` without readiness;
    // `what` names the wait in that message.
    void wait(int fd, Direction direction, std::chrono::milliseconds timeout, const char* what) const;

    bool aborted() const;

private:
    std::vector<const Waker*> m_wakers;
    int m_sideFd = -1;
    std::function<void()> m_onSide;
};

} // namespace ftp
