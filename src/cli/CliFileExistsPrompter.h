#pragma once

#include <functional>

#include "queue/TFileExistsPrompt.h"

namespace cli {

// The "File already exists" prompt on the terminal: the facts the dialog shows,
// the same choices (overwrite, resume where the target is smaller, skip, cancel),
// the scope of the answer, and a 30-second countdown after which it counts as
// Skip for this file only. Input is read with the event loop running, so
// transfers go on while it waits. Without a terminal every prompt is answered
// Skip at once.
class CliFileExistsPrompter final : public IFileExistsPrompter
{
public:
    // Whether stdin and stderr are a terminal.
    static bool interactive();

    // `beforePrompt` runs before anything is printed (the progress line clears itself).
    explicit CliFileExistsPrompter(std::function<void()> beforePrompt = {});

    void prompt(TFileExistsPrompt& prompt) override;

    // "o", "r2", "s3", "c": the choice and, optionally, the scope (1 this file,
    // 2 every file in the queue, 3 always). False for anything else, or for
    // Resume where it is not offered.
    static bool parseAnswer(const std::string& text, bool resumeAllowed, TFileExistsPrompt& prompt);

private:
    std::function<void()> m_beforePrompt;
};

} // namespace cli
