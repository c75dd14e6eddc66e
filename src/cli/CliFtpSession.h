#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CliCommand.h"
#include "FtpUrl.h"
#include "TransferProgress.h"
#include "ftp/Client.h"

namespace cli {

// The connection behind the ls/get/put subcommands: options from the command
// line, the control log of -v on stderr, the certificate policy, progress.
class CliFtpSession final
{
public:
    static constexpr const char* kAnonymousPassword = "anonymous@example.com";

    // Flags and value options every FTP subcommand accepts.
    static std::vector<std::string> flags();
    static std::vector<std::string> valueOptions();

    CliFtpSession(const FtpUrl& url, const CliArgs& args);
    ~CliFtpSession();

    // Connects and logs in; binary transfers.
    void open();
    void close();
    ftp::Client& client() { return m_client; }
    // Shows transfers on `progress` from now on.
    void showProgress(TransferProgress& progress, std::int64_t offset);

    // Prints the failure on stderr and gives the exit status for it.
    static int fail(const std::exception& error);

private:
    bool decideCertificate(const ftp::CertificateInfo& info);
    void logReceived(std::string_view piece);

    ftp::Client m_client;
    bool m_verbose = false;
    bool m_insecure = false;
    std::optional<std::string> m_trustedFingerprint;
    std::string m_replyPartial;
};

} // namespace cli
