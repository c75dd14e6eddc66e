#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "CliCommand.h"
#include "CliFtpSession.h"
#include "FtpUrl.h"
#include "TransferProgress.h"

namespace {

int runGet(const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli get URL LOCALDIR [--resume]\n");
        return cli::kExitUsage;
    }
    std::string error;
    auto url = cli::FtpUrl::parse(args.positional()[0], error);
    if (!url) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    const std::string& remote = url->path;
    const std::string name =
        remote.substr(remote.find_last_of('/') == std::string::npos ? 0 : remote.find_last_of('/') + 1);
    // The name becomes a local path: nothing that could leave LOCALDIR.
    if (name.empty() || name == "." || name == ".." || name.find('\\') != std::string::npos) {
        std::fprintf(stderr, "vantor-ftp-cli: the URL does not name a file: %s\n",
                     args.positional()[0].c_str());
        return cli::kExitUsage;
    }
    namespace fs = std::filesystem;
    const fs::path dir = args.positional()[1];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "vantor-ftp-cli: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return cli::kExitFailed;
    }
    const fs::path local = dir / name;
    std::int64_t restartAt = 0;
    if (args.flag("--resume") && fs::exists(local, ec))
        restartAt = static_cast<std::int64_t>(fs::file_size(local, ec));

    try {
        cli::CliFtpSession session(*url, args);
        cli::TransferProgress progress(stderr, name);
        session.showProgress(progress, restartAt);
        session.open();
        session.client().retrieve(remote, local.string(), restartAt);
        session.close();
        return cli::kExitOk;
    } catch (const std::exception& e) {
        return cli::CliFtpSession::fail(e);
    }
}

std::vector<std::string> getFlags()
{
    auto flags = cli::CliFtpSession::flags();
    flags.push_back("--resume");
    return flags;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "get", "get URL LOCALDIR [--resume] [--tls] [--active] [--insecure] [--trust-fingerprint HEX]",
    "download one file into LOCALDIR under its remote name (--resume continues a partial file)", getFlags(),
    cli::CliFtpSession::valueOptions(), runGet});
