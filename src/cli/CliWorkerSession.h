#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CliCommand.h"
#include "core/THost.h"
#include "engine/TFTPWorker.h"
#include "engine/TFTPWorkerObserver.h"

namespace cli {

// A remote object named on the command line: the host to log in to and a path
// relative to the login directory (or absolute).
struct RemoteTarget
{
    THost host;
    std::string path;

    // From `URL`, or with `--host NAME-OR-ID` from a stored host and a remote path.
    // Nothing, with `error` set and `status` the exit status to give (2 for a
    // malformed URL, 1 for a stored host or password that cannot be found), when
    // neither works.
    static std::optional<RemoteTarget> fromArgs(const CliArgs& args, const std::string& urlOrPath,
                                                std::string& error, int* status = nullptr);
};

// "dir/sub/name" -> {"dir/sub", "name"}; "name" -> {"", "name"}; "/name" -> {"/", "name"}.
// A trailing "/" is ignored. The name is empty for "" and "/".
std::pair<std::string, std::string> splitRemotePath(const std::string& path);

// The browsing worker behind the remote subcommands (ls, mkdir, rm, mv, chmod,
// chown, chgrp, find): the same session the window drives, run from the command
// line. The control log goes to stderr under -v; an untrusted certificate is
// asked about on the terminal when there is one, else refused with its
// fingerprint named.
class CliWorkerSession final : public TFTPWorkerObserver
{
public:
    // Options every remote subcommand accepts.
    static std::vector<std::string> flags();
    static std::vector<std::string> valueOptions();

    CliWorkerSession(const CliArgs& args, const THost& host);
    ~CliWorkerSession() override;

    TFTPWorker& worker() { return m_worker; }

    // Connects and logs in; false (the reason printed) when that fails.
    bool open();
    // Changes to `directory` unless it is empty; false (printed) on failure.
    bool changeDir(const std::string& directory);
    // Queues a thread command with `start` and runs the event loop until the
    // thread has finished it.
    void runCommand(WorkerCommand command, const std::function<void()>& start);
    // Prints the pending error, if there is one, and says whether there was.
    bool failed();
    // The pending error as failed() would print it (message, then the server's
    // reply); empty when there is none.
    std::string takeError();

    bool deleted() const { return m_deleted; }

    void OnDeleted(TFTPWorker&) override { m_deleted = true; }
    void OnCertificate(TFTPWorker& worker, TCertificatePrompt& prompt) override;

private:
    static bool interactive();
    void printLog(TLogKind kind, const QString& text);

    TFTPWorker m_worker;
    THost m_host;
    bool m_verbose = false;
    bool m_insecure = false;
    std::optional<std::string> m_trustedFingerprint;
    bool m_deleted = false;
};

// Prints an exception that escaped an operation and gives the exit status.
int failWith(const std::exception& error);

// The frame of a remote subcommand: parses `urlOrPath` (with --host), logs in and
// runs `body` with the session and the remote path; the exit status comes from
// `body`, or says why it never ran.
int runOnSession(const CliArgs& args, const std::string& urlOrPath,
                 const std::function<int(CliWorkerSession& session, const std::string& path)>& body);

} // namespace cli
