#pragma once

// Help texts shared by several subcommands of vantor-ftp-cli.

namespace cli::help {

inline constexpr const char* kUrl =
    "URL:\n"
    "  ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH      port 21 when left out\n"
    "  Without USER the login is anonymous. With USER but no password, the password\n"
    "  comes from VANTOR_FTP_PASSWORD, else from ~/.netrc (\"machine HOST login USER\n"
    "  password PW\"; a file others can read is not used), else from a question on the\n"
    "  terminal; \"USER:@\" is an empty password. Passwords are never printed.\n"
    "  PATH is relative to the directory the login starts in: ftp://host/pub/f is\n"
    "  \"pub/f\" there. An absolute path starts with %2F (or a second \"/\"):\n"
    "  ftp://host/%2Fvar/ftp/f and ftp://host//var/ftp/f are \"/var/ftp/f\".\n"
    "  Percent-encode what a URL would read otherwise: a literal \"%\" is %25, \"@\" or\n"
    "  \":\" in a user or password %40 and %3A, \"#\" %23, a space %20.\n"
    "  ftps:// (implicit TLS) is not offered: use ftp:// with --tls.\n";

inline constexpr const char* kConnection =
    "Connection options:\n"
    "  --tls                    explicit TLS: AUTH TLS on the normal port before logging in;\n"
    "                           fails when the server does not offer it\n"
    "  --active                 active data connections (PORT/EPRT); passive is the default\n"
    "  --insecure               accept any server certificate without checking it (warns)\n"
    "  --trust-fingerprint HEX  accept the certificate whose SHA-256 fingerprint is HEX:\n"
    "                           64 hex digits, colons or spaces allowed, as printed when a\n"
    "                           certificate is refused. Without either option an untrusted\n"
    "                           certificate is asked about on a terminal, else refused.\n"
    "  --host NAME-OR-ID        a stored host (see 'vantor-ftp-cli hosts'); the URL argument\n"
    "                           is then a remote PATH, relative to the login directory or\n"
    "                           absolute (\"/pub\")\n";

inline constexpr const char* kQueue =
    "Queue options (defaults from the settings in the data folder):\n"
    "  --parallel N             transfers at once (default 3)\n"
    "  --attempts N             tries per item, the first included: 1 never retries\n"
    "                           (default 3); --retries N is the same option\n"
    "  --retry-delay S          seconds between attempts (default 30)\n"
    "  --exists ACTION          when the target exists: ask, overwrite, resume (continue a\n"
    "                           smaller target; skip a complete one) or skip. Default: ask\n"
    "                           on a terminal (30 s, then skip), skip otherwise\n"
    "  --resume                 the same as --exists resume\n"
    "  Each item prints a line on stdout: done, skipped (already there) or failed, the\n"
    "  direction, remote and local path, tab-separated. Exit status 0 when nothing failed.\n";

} // namespace cli::help
