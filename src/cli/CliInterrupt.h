#pragma once

#include <functional>

namespace cli {

// Ctrl-C (SIGINT) and SIGTERM. Once installed, a signal is turned into a call on
// the main thread from whatever event loop runs: the innermost handler set with
// CliInterruptScope, else a plain "interrupted" and exit status 130. A second
// signal while a handler runs ends the program at once.
inline constexpr int kExitInterrupted = 130;

void installInterruptHandling();

class CliInterruptScope final
{
public:
    explicit CliInterruptScope(std::function<void()> handler);
    ~CliInterruptScope();
    CliInterruptScope(const CliInterruptScope&) = delete;
    CliInterruptScope& operator=(const CliInterruptScope&) = delete;

private:
    std::function<void()> m_previous;
};

} // namespace cli
