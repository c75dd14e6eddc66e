#include "CliRemoteProbe.h"

#include "CliWorkerSession.h"
#include "core/PathHelpers.h"
#include "queue/DateTimeValue.h"
#include "queue/QueuePaths.h"

namespace cli {

namespace {

bool sameLogin(const THost& a, const THost& b)
{
    return a.Hostname == b.Hostname && a.Port == b.Port && a.IsAnonymous == b.IsAnonymous &&
           a.Username == b.Username && a.Password == b.Password && a.UseSSL == b.UseSSL;
}

std::string pendingError(TFTPWorker& worker)
{
    auto error = worker.TakePendingError();
    if (!error)
        return {};
    std::string text = error->Message().toStdString();
    if (error->ReplyCode() != 0)
        text += " (" + std::to_string(error->ReplyCode()) + " " + error->ServerText().toStdString() + ")";
    return text;
}

RemoteSource fromEntry(const QString& directory, const ftp::ListingEntry& entry)
{
    RemoteSource source;
    source.RemoteRoot = IncludeTrailingSlash(directory);
    source.RemoteFilename = source.RemoteRoot + QString::fromStdString(entry.name);
    source.IsDirectory = entry.isDirectory();
    source.Size = source.IsDirectory ? 0 : entry.size.value_or(-1);
    source.Modified = EntryTimeToValue(entry.modified);
    return source;
}

} // namespace

CliRemoteProbe::CliRemoteProbe(const CliArgs& args)
    : m_args(args)
{}

CliRemoteProbe::~CliRemoteProbe() = default;

QString CliRemoteProbe::absolutePath(const QString& directory, const std::string& path)
{
    QString p = QString::fromStdString(path);
    if (!p.startsWith(QLatin1Char('/')))
        p = p.isEmpty() ? directory : IncludeTrailingSlash(directory) + p;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

CliRemoteProbe::Login* CliRemoteProbe::session(const THost& host, std::string& error)
{
    for (Login& login : m_sessions)
        if (sameLogin(login.host, host))
            return &login;
    auto opened = std::make_unique<CliWorkerSession>(m_args, host);
    if (!opened->open()) {
        error = "could not log in to " + host.Hostname.toStdString();
        return nullptr;
    }
    const QString directory = opened->worker().CurrentDir();
    m_sessions.push_back({host, std::move(opened), directory});
    return &m_sessions.back();
}

std::vector<std::pair<THost, std::unique_ptr<ftp::Client>>> CliRemoteProbe::releaseConnections()
{
    std::vector<std::pair<THost, std::unique_ptr<ftp::Client>>> released;
    for (Login& login : m_sessions)
        if (auto client = login.session->worker().ReleaseConnection())
            released.emplace_back(login.host, std::move(client));
    return released;
}

std::optional<QString> CliRemoteProbe::loginDirectory(const THost& host, std::string& error)
{
    const Login* login = session(host, error);
    if (!login)
        return std::nullopt;
    return login->directory;
}

std::optional<CliRemoteProbe::Place> CliRemoteProbe::place(const THost& host, const std::string& path,
                                                           std::string& error)
{
    Login* login = session(host, error);
    if (!login)
        return std::nullopt;
    TFTPWorker& worker = login->session->worker();
    Place place;
    place.absolute = absolutePath(login->directory, path);
    worker.ChangeDir(place.absolute);
    place.isDirectory = pendingError(worker).empty();
    return place;
}

std::optional<std::vector<RemoteSource>> CliRemoteProbe::resolve(const THost& host, const std::string& path,
                                                                 std::string& error)
{
    Login* login = session(host, error);
    if (!login)
        return std::nullopt;
    CliWorkerSession* open = login->session.get();
    TFTPWorker& worker = open->worker();
    // Each source is resolved from the login directory.
    const QString absolute = absolutePath(login->directory, path);

    worker.ChangeDir(absolute);
    const std::string notADirectory = pendingError(worker);
    if (notADirectory.empty()) {
        const QString canonical = worker.CurrentDir();
        if (canonical != QLatin1String("/")) {
            RemoteSource source;
            source.RemoteRoot = ExtractRemoteParentPath(canonical);
            source.RemoteFilename = canonical;
            source.IsDirectory = true;
            source.Size = 0;
            return std::vector<RemoteSource>{source};
        }
    }

    // A file (or the root): its entry comes from the listing of its directory.
    const bool root = notADirectory.empty();
    const QString directory = root ? QStringLiteral("/") : ExtractRemoteParentPath(absolute);
    const QString name = root ? QString() : ExtractRemoteFileName(absolute);
    if (!root) {
        worker.ChangeDir(directory);
        if (const std::string failure = pendingError(worker); !failure.empty()) {
            error = absolute.toStdString() + ": " + failure;
            return std::nullopt;
        }
    }
    open->runCommand(WorkerCommand::List, [&] { worker.List(); });
    if (const std::string failure = pendingError(worker); !failure.empty()) {
        error = directory.toStdString() + ": " + failure;
        return std::nullopt;
    }
    std::vector<RemoteSource> sources;
    const TListingPtr listing = worker.Listing();
    for (const ftp::ListingEntry& entry : listing ? *listing : TListing()) {
        const QString entryName = QString::fromStdString(entry.name);
        if (!IsSafeEntryName(entryName))
            continue;
        if (root)
            sources.push_back(fromEntry(directory, entry));
        else if (entryName == name)
            return std::vector<RemoteSource>{fromEntry(directory, entry)};
    }
    if (!root) {
        error = absolute.toStdString() + ": no such file or directory";
        return std::nullopt;
    }
    return sources;
}

} // namespace cli
