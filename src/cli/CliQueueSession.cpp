#include "CliQueueSession.h"

#include <cstdio>
#include <iostream>

#include <QEventLoop>
#include <QTimer>

#include "CliCertificate.h"
#include "CliInterrupt.h"
#include "CliQueueProgress.h"
#include "TerminalText.h"
#include "core/EInOutError.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TQuickHosts.h"
#include "core/TTranslationTable.h"
#include "engine/EFTPFileAlreadyExistsException.h"
#include "engine/EFTPTransferException.h"
#include "ftp/CertificateInfo.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueFile.h"

namespace cli {

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

std::optional<int> parseCount(const CliArgs& args, const char* name, int minimum, std::string& error)
{
    const auto text = args.value(name);
    if (!text)
        return std::nullopt;
    try {
        std::size_t used = 0;
        const int value = std::stoi(*text, &used);
        if (used == text->size() && value >= minimum && value <= 1000000)
            return value;
    } catch (const std::exception&) {
    }
    error = std::string(name) + " needs a whole number of at least " + std::to_string(minimum) + ", not '" +
            *text + "'";
    return std::nullopt;
}

// An error as one line: its text, then the server's reply unless the text says it already.
QString reasonOf(const EEngineError& error)
{
    QString reason = error.Message();
    const QString server = error.ServerText();
    if (error.ReplyCode() != 0) {
        const QString reply = QStringLiteral("%1 %2").arg(error.ReplyCode()).arg(server);
        if (!reason.contains(reply))
            reason += QStringLiteral(" (%1)").arg(reply);
    } else if (!server.isEmpty() && !reason.contains(server)) {
        reason = server.contains(reason) ? server : reason + QStringLiteral(" (%1)").arg(server);
    }
    return reason;
}

bool sameLogin(const THost& a, const THost& b)
{
    return a.Hostname == b.Hostname && a.Port == b.Port && a.IsAnonymous == b.IsAnonymous &&
           (a.IsAnonymous || a.Username == b.Username) && a.UseSSL == b.UseSSL && a.Passive == b.Passive;
}

} // namespace

// ---- options -----------------------------------------------------------------------

std::vector<std::string> CliQueueOptions::flags()
{
    return {"--resume"};
}

std::vector<std::string> CliQueueOptions::valueOptions()
{
    return {"--parallel", "--attempts", "--retries", "--retry-delay", "--exists"};
}

std::optional<CliQueueOptions> CliQueueOptions::parse(const CliArgs& args, std::string& error)
{
    CliQueueOptions options;
    options.limits.maxTransferCount = parseCount(args, "--parallel", 1, error);
    if (!error.empty())
        return std::nullopt;
    // --retries is the older name of --attempts: both count the first attempt too.
    const char* attempts = args.value("--attempts") ? "--attempts" : "--retries";
    if (args.value("--attempts") && args.value("--retries")) {
        error = "--attempts and --retries are the same option: give one of them";
        return std::nullopt;
    }
    options.limits.maxRetryCount = parseCount(args, attempts, 1, error);
    if (!error.empty()) {
        error += " (it counts attempts, the first one included: 1 never retries)";
        return std::nullopt;
    }
    options.limits.retryDelay = parseCount(args, "--retry-delay", 0, error);
    if (!error.empty())
        return std::nullopt;
    if (const auto exists = args.value("--exists")) {
        if (*exists == "ask")
            options.exists = TFileAlreadyExistsAction::faeAsk;
        else if (*exists == "overwrite")
            options.exists = TFileAlreadyExistsAction::faeOverwrite;
        else if (*exists == "resume")
            options.exists = TFileAlreadyExistsAction::faeResume;
        else if (*exists == "skip")
            options.exists = TFileAlreadyExistsAction::faeSkip;
        else {
            error = "--exists takes ask, overwrite, resume or skip, not '" + *exists + "'";
            return std::nullopt;
        }
    }
    if (args.flag("--resume")) {
        if (options.exists && *options.exists != TFileAlreadyExistsAction::faeResume) {
            error = "--resume contradicts --exists " + *args.value("--exists");
            return std::nullopt;
        }
        options.exists = TFileAlreadyExistsAction::faeResume;
    }
    return options;
}

// ---- environment --------------------------------------------------------------------

CliQueueEnvironment::CliQueueEnvironment()
{
    if (!MainConfig()) {
        TMainConfig::createGlobal();
        m_ownsConfig = true;
    }
    if (TMessageTexts::snapshot()->language().isEmpty()) {
        TTranslationTable table;
        if (table.loadWindowTable(QStringLiteral("MainForm"))) {
            table.SetLanguage(MainConfig()->Language());
            TMessageTexts::fill(table);
        }
    }
    TFileTransferTypes::createGlobal();
    THosts::createGlobal();
    TQuickHosts::createGlobal().setSaveOnDestruction(false);
}

CliQueueEnvironment::~CliQueueEnvironment()
{
    TQuickHosts::destroyGlobal();
    THosts::destroyGlobal();
    TFileTransferTypes::destroyGlobal();
    if (m_ownsConfig)
        TMainConfig::destroyGlobal();
}

std::optional<THost> CliQueueEnvironment::storedHostFor(const THost& host, bool fromStore, std::string& error)
{
    if (fromStore)
        return host;
    THost stored = host;
    bool known = false;
    for (const auto& quick : QuickHosts()->hosts()) {
        if (sameLogin(*quick, host)) {
            stored.HostID = quick->HostID;
            stored.CommonName = quick->CommonName;
            known = true;
            break;
        }
    }
    if (!known) {
        stored.NewHostID();
        if (stored.CommonName.isEmpty())
            stored.CommonName = stored.Hostname;
    }
    QString reason;
    if (!QuickHosts()->AddOrUpdate(stored, &reason)) {
        error = "cannot store the host in the quick-connect list: " + utf8(reason);
        return std::nullopt;
    }
    return stored;
}

// ---- session -----------------------------------------------------------------------------

CliQueueSession::CliQueueSession(const CliArgs& args, const CliQueueOptions& options)
    : m_prompter([this] {
        // Until the answer, nothing else is written into the question's line.
        m_holding = true;
        if (m_progress)
            m_progress->hold(true);
    })
    , m_progress(std::make_unique<CliQueueProgress>(stderr))
    , m_interactive(CliFileExistsPrompter::interactive())
    , m_verbose(args.verbose())
    , m_insecure(args.flag("--insecure"))
    , m_trustedFingerprint(args.value("--trust-fingerprint"))
{
    m_manager.setLimits(options.limits);
    m_attempts = options.limits.maxRetryCount.value_or(MainConfig() ? MainConfig()->MaxRetryCount() : 3);
    m_manager.SetDefaultExistsActionsFromSettings();
    // Without a terminal nobody can answer: asking counts as skipping, at once.
    // --exists and --resume decide all four kinds.
    // Resuming a target as large as its source leaves nothing to do: it is skipped.
    using TKind = TFileExistsPrompt::TKind;
    const auto decided = [&](TKind kind, TFileAlreadyExistsAction stored) {
        TFileAlreadyExistsAction action = options.exists.value_or(stored);
        if (action == TFileAlreadyExistsAction::faeResume && !TFileExistsPrompt::isSmallerKind(kind))
            action = TFileAlreadyExistsAction::faeSkip;
        if (!m_interactive && action == TFileAlreadyExistsAction::faeAsk) {
            m_unansweredSkip[int(kind)] = true;
            return TFileAlreadyExistsAction::faeSkip;
        }
        return action;
    };
    m_manager.SetDefaultLocalExistsAction(
        decided(TKind::LocalFileAlreadyExists, m_manager.DefaultLocalExistsAction()));
    m_manager.SetDefaultLocalSmallerExistsAction(
        decided(TKind::LocalFileSmallerAlreadyExists, m_manager.DefaultLocalSmallerExistsAction()));
    m_manager.SetDefaultRemoteExistsAction(
        decided(TKind::RemoteFileAlreadyExists, m_manager.DefaultRemoteExistsAction()));
    m_manager.SetDefaultRemoteSmallerExistsAction(
        decided(TKind::RemoteFileSmallerAlreadyExists, m_manager.DefaultRemoteSmallerExistsAction()));
    m_manager.setFileExistsPrompter(&m_prompter);
    m_manager.setCertificatePrompter([this](TCertificatePrompt& prompt) { decideCertificate(prompt); });
    if (m_insecure)
        std::fprintf(stderr,
                     "vantor-ftp-cli: warning: --insecure: the server's certificate is not checked\n");

    connect(&m_manager, &TQueueManager::OnItemAdded, this,
            [this](TQueueItem* item) { m_progress->itemAdded(*item); });
    connect(&m_manager, &TQueueManager::OnItemComplete, this, [this](TQueueItem* item) {
        ++m_completed;
        m_existsKind.remove(item);
        m_progress->itemCompleted(*item);
        printOutcome(QStringLiteral("done"), item);
    });
    connect(&m_manager, &TQueueManager::OnItemStatus, this,
            [this](TQueueItem* item, TTransferState state, const QString&) {
                m_progress->itemStatus(*item, state);
            });
    connect(&m_manager, &TQueueManager::progressTick, this,
            [this](const QList<TQueueItemProgress>& running) { m_progress->update(running); });
    connect(&m_manager, &TQueueManager::OnItemError, this, [this](TQueueItem* item) {
        if (const auto* exists = dynamic_cast<const EFTPFileAlreadyExistsException*>(item->LastError.get())) {
            m_existsKind.insert(item, TFileExistsPrompt::kindOf(*exists));
            QTimer::singleShot(0, this, [this] { answerPrompts(); });
        } else if (m_verbose && item->LastError) {
            // Every failed attempt and its cause, not only the last one.
            QString remote = item->RemoteFilename;
            try {
                remote = item->GetRemoteFilename();
            } catch (const EEngineError&) {
            }
            emitLine(stderr, "Status> Attempt " + std::to_string(item->RetryCount) + " of " +
                                 std::to_string(m_attempts) + " failed: " + utf8(remote) + ": " +
                                 utf8(reasonOf(*item->LastError)));
        }
    });
    m_manager.setLogControlConnections(m_verbose);
    connect(&m_manager, &TQueueManager::Log, this,
            [this](TLogKind kind, const QString& text) { printLog(kind, text); });
}

CliQueueSession::~CliQueueSession()
{
    m_manager.StopQueue();
}

void CliQueueSession::printLog(TLogKind kind, const QString& text)
{
    if (kind == TLogKind::lkDebug || (!m_verbose && kind != TLogKind::lkError))
        return;
    const char* prefix = kind == TLogKind::lkError     ? "vantor-ftp-cli: "
                         : kind == TLogKind::lkCommand ? "Command> "
                         : kind == TLogKind::lkReply   ? "Reply> "
                                                       : "Status> ";
    // A multi-line reply is one entry; each of its lines gets the prefix.
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        emitLine(stderr, prefix + utf8(line));
    }
}

void CliQueueSession::emitLine(std::FILE* out, const std::string& line)
{
    if (m_holding) {
        m_held.push_back({out, line});
        return;
    }
    m_progress->clear();
    // Names and replies in the line are the server's.
    std::fprintf(out, "%s\n", forStream(out, line).c_str());
    std::fflush(out);
}

void CliQueueSession::releaseHeld()
{
    if (!m_holding)
        return;
    m_holding = false;
    m_progress->hold(false);
    std::vector<std::pair<std::FILE*, std::string>> held;
    held.swap(m_held);
    for (const auto& [out, line] : held)
        emitLine(out, line);
}

void CliQueueSession::printOutcome(const QString& word, TQueueItem* item, const QString& detail)
{
    QString remote;
    QString local;
    try {
        remote = item->GetRemoteFilename();
        local = item->GetLocalFilename();
    } catch (const EEngineError&) {
        remote = item->RemoteFilename;
        local = item->LocalFilename;
    }
    std::string line = utf8(word) + '\t' + (item->TransferDirection ? "download" : "upload") + '\t' +
                       utf8(remote) + '\t' + utf8(local);
    if (!detail.isEmpty())
        line += '\t' + utf8(detail);
    emitLine(stdout, line);
}

void CliQueueSession::answerPrompts()
{
    if (m_prompting)
        return;
    m_prompting = true;
    // On a terminal one question per second, as the window asks; otherwise every
    // pending answer is known (skip) and given at once.
    if (m_interactive) {
        m_manager.RunFileExistsPromptStep();
        releaseHeld();
    } else
        while (m_manager.RunFileExistsPromptStep()) {
        }
    m_prompting = false;
}

void CliQueueSession::tick()
{
    m_manager.TickRetryDelays();
    answerPrompts();
}

bool CliQueueSession::decideCertificate(TCertificatePrompt& prompt)
{
    prompt.Answer = TCertificateAnswer::caReject;
    if (fingerprintMatches(m_trustedFingerprint, prompt) || m_insecure) {
        prompt.Answer = TCertificateAnswer::caAcceptOnce;
        return true;
    }
    m_progress->clear();
    printUntrustedCertificate(prompt, m_trustedFingerprint);
    if (!m_interactive) {
        printCertificateRefusal(prompt, m_trustedFingerprint);
        return false;
    }
    for (;;) {
        std::fprintf(stderr, "Reject, accept once or accept always? [r/o/a] ");
        std::fflush(stderr);
        std::string answer;
        if (!std::getline(std::cin, answer) || answer == "r" || answer == "R")
            return false;
        if (answer == "o" || answer == "O") {
            prompt.Answer = TCertificateAnswer::caAcceptOnce;
            return true;
        }
        if (answer == "a" || answer == "A") {
            prompt.Answer = TCertificateAnswer::caAcceptAlways;
            return true;
        }
    }
}

int CliQueueSession::stopInterrupted()
{
    // How far each running item got, before its thread is stopped.
    QHash<const TQueueItem*, qint64> reached;
    for (const TQueueItemProgress& p : m_manager.progressSnapshot())
        reached.insert(p.item, p.bytesDone);
    // ABOR and QUIT where the server answers in time.
    m_manager.StopQueueCleanly();
    releaseHeld();
    m_progress->clear();
    for (TQueueItem* item : m_manager.Items()) {
        if (item->IsDirectory && !reached.contains(item)) {
            printOutcome(QStringLiteral("not done"), item);
            continue;
        }
        const auto got = reached.constFind(item);
        if (got == reached.constEnd()) {
            printOutcome(QStringLiteral("not done"), item);
            continue;
        }
        QString detail = item->IsDirectory ? QStringLiteral("partly done")
                                           : QStringLiteral("%1 of %2 bytes")
                                                 .arg(*got)
                                                 .arg(item->FileSize >= 0 ? QString::number(item->FileSize)
                                                                          : QStringLiteral("?"));
        printOutcome(QStringLiteral("interrupted"), item, detail + QStringLiteral("; --resume continues it"));
    }
    std::fflush(stdout);
    std::fprintf(stderr, "vantor-ftp-cli: interrupted\n");
    return kExitInterrupted;
}

int CliQueueSession::run()
{
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(1000);
    connect(&ticker, &QTimer::timeout, this, [this] { tick(); });
    QTimer check;
    check.setInterval(20);
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (!m_prompting && m_manager.isIdle())
            loop.quit();
    });
    bool interrupted = false;
    const CliInterruptScope onInterrupt([&] {
        interrupted = true;
        loop.quit();
    });
    m_manager.PlayQueue();
    ticker.start();
    check.start();
    loop.exec();
    ticker.stop();
    check.stop();
    if (interrupted)
        return stopInterrupted();
    releaseHeld();
    // What was skipped is no part of the summary.
    for (TQueueItem* item : m_manager.Items())
        if (!item->LastError && item->State == TTransferState::tsError)
            m_progress->itemDropped(*item);
    m_progress->finish();

    // What is left has failed for good, or was skipped.
    bool failed = false;
    for (TQueueItem* item : m_manager.Items()) {
        const auto kind = m_existsKind.constFind(item);
        if (!item->LastError && item->State == TTransferState::tsError && kind != m_existsKind.constEnd()) {
            if (!m_unansweredSkip[int(*kind)]) {
                printOutcome(QStringLiteral("skipped (already there)"), item);
                continue;
            }
            failed = true;
            printOutcome(QStringLiteral("skipped"), item,
                         item->StatusText +
                             QStringLiteral(" (nobody can answer without a terminal: --exists decides)"));
            continue;
        }
        failed = true;
        if (item->LastError) {
            printOutcome(QStringLiteral("failed"), item, reasonOf(*item->LastError));
        } else if (item->State == TTransferState::tsError) {
            printOutcome(QStringLiteral("skipped"), item, item->StatusText);
        } else {
            printOutcome(QStringLiteral("failed"), item, item->StatusText);
        }
    }
    return failed ? kExitFailed : kExitOk;
}

int appendToQueueFile(const std::string& file, TQueueManager& staging)
{
    QString reason;
    if (!TQueueFile::Append(QString::fromStdString(file), staging.Records(), &reason)) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", reason.toUtf8().constData());
        return kExitFailed;
    }
    std::printf("added %d item(s) to %s\n", staging.itemCount(), file.c_str());
    return kExitOk;
}

} // namespace cli
