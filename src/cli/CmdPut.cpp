#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "CliCommand.h"
#include "CliFtpSession.h"
#include "FtpUrl.h"
#include "TransferProgress.h"
#include "ftp/FtpError.h"

namespace {

// The size of `name` on the server: SIZE where offered, else its listing entry;
// nothing when it does not exist.
std::optional<std::int64_t> remoteSize(ftp::Client& client, const std::string& name)
{
    if (client.hasFeature("SIZE"))
        return client.size(name);
    try {
        auto entries = client.list(name);
        if (!entries.empty())
            return entries.front().size;
    } catch (const ftp::ReplyError&) {
    }
    return std::nullopt;
}

int runPut(const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli put LOCALFILE URL [--resume]\n");
        return cli::kExitUsage;
    }
    namespace fs = std::filesystem;
    const fs::path local = args.positional()[0];
    std::string error;
    auto url = cli::FtpUrl::parse(args.positional()[1], error);
    if (!url) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    std::error_code ec;
    if (!fs::is_regular_file(local, ec)) {
        std::fprintf(stderr, "vantor-ftp-cli: not a file: %s\n", local.c_str());
        return cli::kExitFailed;
    }
    const std::string name = local.filename().string();
    const auto localSize = static_cast<std::int64_t>(fs::file_size(local, ec));

    try {
        cli::CliFtpSession session(*url, args);
        session.open();
        ftp::Client& client = session.client();
        if (!url->path.empty())
            client.cwd(url->path);
        std::int64_t offset = 0;
        if (args.flag("--resume"))
            offset = remoteSize(client, name).value_or(0);
        if (offset > localSize)
            throw ftp::ProtocolError("Cannot resume: the remote file is larger than the local one", false);
        cli::TransferProgress progress(stderr, name);
        session.showProgress(progress, offset);
        if (args.flag("--resume"))
            client.store(local.string(), name, ftp::Client::StoreMode::Append, offset);
        else
            client.store(local.string(), name, ftp::Client::StoreMode::Replace);
        session.close();
        return cli::kExitOk;
    } catch (const std::exception& e) {
        return cli::CliFtpSession::fail(e);
    }
}

std::vector<std::string> putFlags()
{
    auto flags = cli::CliFtpSession::flags();
    flags.push_back("--resume");
    return flags;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "put", "put LOCALFILE URL [--resume] [--tls] [--active] [--insecure] [--trust-fingerprint HEX]",
    "upload one file into the remote directory URL under its local name (--resume appends to a partial file)",
    putFlags(), cli::CliFtpSession::valueOptions(), runPut});
