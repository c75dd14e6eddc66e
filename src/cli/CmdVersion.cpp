#include "CliCommand.h"
#include "CliHelp.h"

#include <cstdio>

namespace {

int runVersion(const cli::CliArgs&)
{
    std::printf("vantor-ftp-cli " VANTOR_VERSION "\n");
    return cli::kExitOk;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "version", "version", "print the program's version (also --version)", {}, {}, runVersion});
