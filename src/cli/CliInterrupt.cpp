#include "CliInterrupt.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace cli {

namespace {

int s_pipe[2] = {-1, -1};
volatile std::sig_atomic_t s_pending = 0;
std::function<void()> s_handler;

void onSignal(int)
{
    if (s_pending) {
        // Asked twice: no more waiting.
        ::_exit(kExitInterrupted);
    }
    s_pending = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
}

} // namespace

void installInterruptHandling()
{
    if (s_pipe[0] >= 0 || ::pipe(s_pipe) != 0)
        return;
    for (const int fd : s_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    auto* notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char buffer[16];
        while (::read(s_pipe[0], buffer, sizeof buffer) > 0) {
        }
        if (s_handler) {
            s_handler();
            s_pending = 0;
            return;
        }
        std::fflush(stdout);
        std::fprintf(stderr, "\nvantor-ftp-cli: interrupted\n");
        std::_Exit(kExitInterrupted);
    });
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

CliInterruptScope::CliInterruptScope(std::function<void()> handler)
    : m_previous(std::move(s_handler))
{
    s_handler = std::move(handler);
}

CliInterruptScope::~CliInterruptScope()
{
    s_handler = std::move(m_previous);
}

} // namespace cli
