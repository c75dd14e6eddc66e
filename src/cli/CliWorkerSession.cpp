#include "CliWorkerSession.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include <QEventLoop>

#include "CliCertificate.h"
#include "CliInterrupt.h"
#include "CliPassword.h"
#include "FtpUrl.h"
#include "HostOption.h"
#include "TerminalText.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"
#include "engine/EFTPTransferException.h"
#include "ftp/CertificateInfo.h"

namespace cli {

std::optional<RemoteTarget> RemoteTarget::fromArgs(const CliArgs& args, const std::string& urlOrPath,
                                                   std::string& error, int* status)
{
    int unused = 0;
    int& failure = status ? *status : unused;
    failure = kExitFailed;
    RemoteTarget target;
    if (auto name = args.value("--host")) {
        if (urlOrPath.find("://") != std::string::npos) {
            error = "with --host the argument is a remote path (\"/pub\" or \"pub\"), not a URL: " +
                    maskedUrl(urlOrPath);
            failure = kExitUsage;
            return std::nullopt;
        }
        auto stored = resolveHostOption(*name, urlOrPath, error);
        if (!stored)
            return std::nullopt;
        target.host.Assign(stored->host);
        target.host.Passive = stored->host.Passive && !args.flag("--active");
        target.host.UseSSL = stored->host.UseSSL || args.flag("--tls");
        target.path = stored->url.path;
        return target;
    }
    auto url = FtpUrl::parse(urlOrPath, error);
    if (!url) {
        failure = kExitUsage;
        return std::nullopt;
    }
    target.host.Hostname = QString::fromStdString(url->host);
    target.host.CommonName = target.host.Hostname;
    target.host.Port = url->port;
    target.host.IsAnonymous = !url->user.has_value();
    if (url->user) {
        std::string password = url->password;
        if (!url->hasPassword) {
            auto found = findPassword(url->host, *url->user, error);
            if (!found)
                return std::nullopt;
            password = *found;
        }
        target.host.Username = QString::fromStdString(*url->user);
        target.host.Password = QString::fromStdString(password);
    }
    target.host.Passive = !args.flag("--active");
    target.host.UseSSL = args.flag("--tls");
    target.path = url->path;
    return target;
}

std::pair<std::string, std::string> splitRemotePath(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    if (p == "/")
        return {"/", ""};
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return {"", p};
    return {slash == 0 ? "/" : p.substr(0, slash), p.substr(slash + 1)};
}

std::vector<std::string> CliWorkerSession::flags()
{
    return {"--tls", "--active", "--insecure"};
}

std::vector<std::string> CliWorkerSession::valueOptions()
{
    return {"--trust-fingerprint", "--host"};
}

namespace {

// The error texts the worker gives come from the main window's table, in the
// language of the settings when a settings store exists, else in English.
void fillMessageTexts()
{
    if (!TMessageTexts::snapshot()->language().isEmpty())
        return;
    TTranslationTable table;
    if (!table.loadWindowTable(QStringLiteral("MainForm")))
        return;
    table.SetLanguage(MainConfig() ? MainConfig()->Language() : QStringLiteral("English"));
    TMessageTexts::fill(table);
}

} // namespace

CliWorkerSession::CliWorkerSession(const CliArgs& args, const THost& host)
    : m_verbose(args.verbose())
    , m_insecure(args.flag("--insecure"))
    , m_trustedFingerprint(args.value("--trust-fingerprint"))
{
    fillMessageTexts();
    m_host.Assign(host);
    m_worker.setObserver(this);
    connect(&m_worker, &TFTPWorker::logLine, this,
            [this](TLogKind kind, const QString& text) { printLog(kind, text); });
    if (m_insecure)
        std::fprintf(stderr,
                     "vantor-ftp-cli: warning: --insecure: the server's certificate is not checked\n");
    m_worker.start();
}

CliWorkerSession::~CliWorkerSession()
{
    // Ends the thread, which says goodbye to the server (QUIT).
    m_worker.Shutdown();
}

namespace {

// The worker logs the error it stores as "EClassName: message": the command
// prints that error itself (failed()), or deals with it without a word.
bool isReportedError(TLogKind kind, const QString& text)
{
    if (kind != TLogKind::lkError || !text.startsWith(QLatin1Char('E')))
        return false;
    const qsizetype colon = text.indexOf(QLatin1String(": "));
    if (colon < 2)
        return false;
    for (qsizetype i = 0; i < colon; ++i)
        if (!text[i].isLetterOrNumber())
            return false;
    return true;
}

} // namespace

void CliWorkerSession::printLog(TLogKind kind, const QString& text)
{
    if (kind == TLogKind::lkDebug || isReportedError(kind, text))
        return;
    // Errors the worker explains itself with (which link stopped a recursive
    // delete, and where) are shown without -v too.
    if (kind == TLogKind::lkError && !m_verbose) {
        for (const QString& line : text.split(QLatin1Char('\n')))
            std::fprintf(stderr, "vantor-ftp-cli: %s\n",
                         forStream(stderr, line.trimmed().toStdString()).c_str());
        return;
    }
    if (!m_verbose)
        return;
    const char* prefix = kind == TLogKind::lkCommand ? "Command> "
                         : kind == TLogKind::lkReply ? "Reply> "
                                                     : "Status> ";
    // A multi-line reply is one entry; each of its lines gets the prefix.
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        std::fprintf(stderr, "%s%s\n", prefix, forStream(stderr, line.toStdString()).c_str());
    }
}

void CliWorkerSession::runCommand(WorkerCommand command, const std::function<void()>& start)
{
    QEventLoop loop;
    bool done = false;
    const auto finished = connect(&m_worker, &TFTPWorker::commandFinished, &loop, [&](WorkerCommand c) {
        // A failed connect never queues the login.
        if (c == command ||
            (command == WorkerCommand::Login && c == WorkerCommand::Connect && !m_worker.IsConnected())) {
            done = true;
            loop.quit();
        }
    });
    start();
    if (!done)
        loop.exec();
    disconnect(finished);
}

bool CliWorkerSession::open()
{
    runCommand(WorkerCommand::Login, [this] { m_worker.SetHost(m_host); });
    if (failed())
        return false;
    if (!m_worker.IsConnected()) {
        std::fprintf(stderr, "vantor-ftp-cli: could not log in\n");
        return false;
    }
    return true;
}

bool CliWorkerSession::changeDir(const std::string& directory)
{
    if (directory.empty())
        return true;
    m_worker.ChangeDir(QString::fromStdString(directory));
    return !failed();
}

std::string CliWorkerSession::takeError()
{
    auto error = m_worker.TakePendingError();
    if (!error)
        return {};
    std::string line = error->Message().toStdString();
    if (error->ReplyCode() != 0)
        line += " (" + std::to_string(error->ReplyCode()) + " " + error->ServerText().toStdString() + ")";
    else if (!error->ServerText().isEmpty() && error->ServerText() != error->Message())
        line += " (" + error->ServerText().toStdString() + ")";
    return line;
}

bool CliWorkerSession::failed()
{
    const std::string line = takeError();
    if (line.empty())
        return false;
    std::fprintf(stderr, "vantor-ftp-cli: %s\n", forStream(stderr, line).c_str());
    return true;
}

bool CliWorkerSession::interactive()
{
    return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
}

void CliWorkerSession::OnCertificate(TFTPWorker&, TCertificatePrompt& prompt)
{
    if (fingerprintMatches(m_trustedFingerprint, prompt) || m_insecure) {
        prompt.Answer = TCertificateAnswer::caAcceptOnce;
        return;
    }
    printUntrustedCertificate(prompt, m_trustedFingerprint);
    if (!interactive()) {
        printCertificateRefusal(prompt, m_trustedFingerprint);
        prompt.Answer = TCertificateAnswer::caReject;
        return;
    }
    for (;;) {
        std::fprintf(stderr, "Reject, accept once or accept always? [r/o/a] ");
        std::fflush(stderr);
        std::string answer;
        if (!std::getline(std::cin, answer)) {
            prompt.Answer = TCertificateAnswer::caReject;
            return;
        }
        if (answer == "r" || answer == "R") {
            prompt.Answer = TCertificateAnswer::caReject;
            return;
        }
        if (answer == "o" || answer == "O") {
            prompt.Answer = TCertificateAnswer::caAcceptOnce;
            return;
        }
        if (answer == "a" || answer == "A") {
            prompt.Answer = TCertificateAnswer::caAcceptAlways;
            return;
        }
    }
}

int failWith(const std::exception& error)
{
    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.what());
    return kExitFailed;
}

int runOnSession(const CliArgs& args, const std::string& urlOrPath,
                 const std::function<int(CliWorkerSession& session, const std::string& path)>& body)
{
    std::string error;
    int status = kExitFailed;
    auto target = RemoteTarget::fromArgs(args, urlOrPath, error, &status);
    if (!target) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return status;
    }
    try {
        CliWorkerSession session(args, target->host);
        // Ctrl-C or SIGTERM: the running command is stopped and the server told goodbye.
        const CliInterruptScope onInterrupt([&session] {
            std::fflush(stdout);
            std::fprintf(stderr, "\nvantor-ftp-cli: interrupted\n");
            session.worker().Stop();
            session.worker().Shutdown(1000, 1000);
            std::_Exit(kExitInterrupted);
        });
        if (!session.open())
            return kExitFailed;
        return body(session, target->path);
    } catch (const std::exception& e) {
        return failWith(e);
    }
}

} // namespace cli
