#pragma once

#include <optional>
#include <string>

#include "CliCommand.h"
#include "FtpUrl.h"
#include "core/THost.h"

namespace cli {

// `--host NAME-OR-ID`: an FTP subcommand (ls, get, put) works with a host stored
// in Hosts.xml or QuickHosts.xml instead of a URL, and its URL argument is then
// only a remote path:
//
//   vantor-ftp-cli ls --host "My host" /pub
//
// The host is found by its HostID first (any case, braces optional; the host
// tree before the quick-connect list), else by CommonName in both stores; a name
// that several hosts carry is an error listing their IDs (give one of them
// instead). The stored name, port, user name and deciphered password are used, and
// the host's passive flag and TLS setting; --tls on the command line can still
// require TLS and --active still turns passive mode off. An anonymous host logs
// in as "anonymous" with the AnonymousEmail setting as its password.
//
// The stores are read from the data folder (after --data-dir took effect) and
// never written.
struct StoredHostTarget
{
    THost host;
    // Host name, port, credentials (no user for an anonymous host) and the remote
    // path: the one given, else the host's initial remote directory.
    FtpUrl url;
};

std::optional<StoredHostTarget> resolveHostOption(const std::string& nameOrID, const std::string& remotePath,
                                                  std::string& error);

} // namespace cli
