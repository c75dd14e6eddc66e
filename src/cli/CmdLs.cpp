#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliFtpSession.h"
#include "FtpUrl.h"

namespace {

char typeChar(ftp::EntryType type)
{
    switch (type) {
    case ftp::EntryType::Directory:
        return 'd';
    case ftp::EntryType::File:
        return '-';
    case ftp::EntryType::Link:
        return 'l';
    case ftp::EntryType::Other:
        break;
    }
    return '?';
}

std::string timeText(const ftp::EntryTime& t)
{
    if (!t.hasDate())
        return {};
    char buf[32];
    if (t.hasTime())
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

int runLs(const cli::CliArgs& args)
{
    if (args.positional().size() != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli ls URL\n");
        return cli::kExitUsage;
    }
    std::string error;
    auto url = cli::FtpUrl::parse(args.positional()[0], error);
    if (!url) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    try {
        cli::CliFtpSession session(*url, args);
        session.open();
        auto entries = session.client().list(url->path.empty() ? std::nullopt : std::optional(url->path));
        session.close();
        for (const auto& e : entries) {
            std::string size = e.size ? std::to_string(*e.size) : std::string();
            std::printf("%c\t%s\t%s\t%s\t%s\t%s\t%s", typeChar(e.type), size.c_str(),
                        timeText(e.modified).c_str(), e.permissions.c_str(), e.owner.c_str(), e.group.c_str(),
                        e.name.c_str());
            if (e.type == ftp::EntryType::Link && !e.linkTarget.empty())
                std::printf("\t-> %s", e.linkTarget.c_str());
            std::printf("\n");
        }
        return cli::kExitOk;
    } catch (const std::exception& e) {
        return cli::CliFtpSession::fail(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "ls", "ls URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX]",
    "list a remote directory: type, size, time, permissions, owner, group, name", cli::CliFtpSession::flags(),
    cli::CliFtpSession::valueOptions(), runLs});
