#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>

#include "CliCommand.h"
#include "core/THost.h"

namespace ftp {
class Client;
}

namespace cli {

class CliWorkerSession;

// A remote file or directory named on the command line, as a queue item needs it:
// absolute paths, whether it is a directory, its size and time.
struct RemoteSource
{
    QString RemoteRoot;     // the directory it lies in, with a trailing "/"
    QString RemoteFilename; // absolute
    bool IsDirectory = false;
    qint64 Size = -1;
    double Modified = -1;
};

// Finds out what remote paths name, over one browsing connection per login (the
// same session the window browses with). Paths relative to the login directory
// become absolute. Connections are closed when the probe is destroyed.
class CliRemoteProbe final
{
public:
    explicit CliRemoteProbe(const CliArgs& args);
    ~CliRemoteProbe();
    CliRemoteProbe(const CliRemoteProbe&) = delete;
    CliRemoteProbe& operator=(const CliRemoteProbe&) = delete;

    // The login directory of the host (logging in first); nothing, with `error`
    // set, when the login fails.
    std::optional<QString> loginDirectory(const THost& host, std::string& error);
    // `path` resolved: a directory, or a file with its listing entry. The root
    // directory stands for its entries, each a source of its own. Nothing, with
    // `error` set, when it does not exist.
    std::optional<std::vector<RemoteSource>> resolve(const THost& host, const std::string& path,
                                                     std::string& error);

    // `path` made absolute against the login directory, and whether it names an
    // existing directory. Nothing, with `error` set, when the login fails.
    struct Place
    {
        QString absolute;
        bool isDirectory = false;
    };
    std::optional<Place> place(const THost& host, const std::string& path, std::string& error);

    // Each open login's connection, taken from its session (which then closes
    // without QUIT), for a queue to transfer on: one login per host, not two.
    std::vector<std::pair<THost, std::unique_ptr<ftp::Client>>> releaseConnections();

    // `path` made absolute against `directory` (a trailing "/" dropped, "" is `directory`).
    static QString absolutePath(const QString& directory, const std::string& path);

private:
    struct Login
    {
        THost host;
        std::unique_ptr<CliWorkerSession> session;
        QString directory; // where the login put us
    };
    Login* session(const THost& host, std::string& error);

    const CliArgs& m_args;
    std::vector<Login> m_sessions;
};

} // namespace cli
