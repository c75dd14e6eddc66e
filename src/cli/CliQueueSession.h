#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QHash>
#include <QObject>
#include <QString>

#include "CliCommand.h"
#include "CliFileExistsPrompter.h"
#include "core/THost.h"
#include "queue/TQueueManager.h"

namespace cli {

class CliQueueProgress;

// The queue options of get, put and queue run.
struct CliQueueOptions
{
    TQueueLimits limits;
    // --exists (or --resume); none: the settings' file-exists actions.
    std::optional<TFileAlreadyExistsAction> exists;

    static std::vector<std::string> flags(); // --resume
    static std::vector<std::string>
    valueOptions(); // --parallel, --attempts (--retries), --retry-delay, --exists
    // Nothing, with `error` set, on a bad value.
    static std::optional<CliQueueOptions> parse(const CliArgs& args, std::string& error);
};

// What every queue subcommand sets up first, torn down in reverse: the settings
// (Config.xml of the data folder; command-line choices never change it), the
// message texts in the settings' language, the transfer type table and the host
// stores (queue files name their hosts by ID).
class CliQueueEnvironment final
{
public:
    CliQueueEnvironment();
    ~CliQueueEnvironment();
    CliQueueEnvironment(const CliQueueEnvironment&) = delete;
    CliQueueEnvironment& operator=(const CliQueueEnvironment&) = delete;

    // A host that a queue file can name: a stored host as it is; a host from a URL
    // is found in, or added to, the quick-connect list (as quick connect does).
    // Nothing, with `error` set, when the list cannot be written.
    std::optional<THost> storedHostFor(const THost& host, bool fromStore, std::string& error);

private:
    bool m_ownsConfig = false;
};

// `--add-to-queue FILE`: appends the staged items to the queue file (created when
// missing), says how many on stdout and gives the exit status.
int appendToQueueFile(const std::string& file, TQueueManager& staging);

// Runs a queue to its end on the command line: plays it, answers file-exists
// prompts (on the terminal, or Skip), shows progress on stderr (a bar on a
// terminal), prints one line per item outcome on stdout and gives the exit
// status: 0 when every item completed or was skipped as asked (--exists, the
// settings, an answer or the prompt's countdown), 1 when anything failed or was
// skipped only because nobody could answer.
class CliQueueSession final : public QObject
{
    Q_OBJECT

public:
    CliQueueSession(const CliArgs& args, const CliQueueOptions& options);
    ~CliQueueSession() override;

    TQueueManager& manager() { return m_manager; }

    // Plays the queue (every item active, counts reset) and waits until nothing
    // runs and nothing will: each item has completed or failed for good.
    int run();

private:
    void tick();
    void answerPrompts();
    void printOutcome(const QString& word, TQueueItem* item, const QString& detail = QString());
    void printLog(TLogKind kind, const QString& text);
    // One line to stdout or stderr, held back while a question waits on the terminal.
    void emitLine(std::FILE* out, const std::string& line);
    void releaseHeld();
    // After Ctrl-C or SIGTERM: stops the transfers, says how far each got, 130.
    int stopInterrupted();
    bool decideCertificate(TCertificatePrompt& prompt);

    TQueueManager m_manager;
    CliFileExistsPrompter m_prompter;
    std::unique_ptr<CliQueueProgress> m_progress;
    bool m_interactive = false;
    bool m_verbose = false;
    bool m_insecure = false;
    std::optional<std::string> m_trustedFingerprint;
    bool m_prompting = false;
    bool m_holding = false; // a file-exists question is on the terminal
    std::vector<std::pair<std::FILE*, std::string>> m_held;
    int m_completed = 0;
    int m_attempts = 3; // per item, the first included
    // The file-exists kinds skipped only because nobody can answer (no terminal):
    // such a skip was not asked for, and fails the run.
    bool m_unansweredSkip[4] = {false, false, false, false};
    // The kind each item last met, for its outcome line.
    QHash<const TQueueItem*, TFileExistsPrompt::TKind> m_existsKind;
};

} // namespace cli
