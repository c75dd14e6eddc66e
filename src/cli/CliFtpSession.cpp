#include "CliFtpSession.h"

#include <cstdio>

#include "ftp/FtpError.h"

namespace cli {

std::vector<std::string> CliFtpSession::flags()
{
    return {"--tls", "--active", "--insecure"};
}

std::vector<std::string> CliFtpSession::valueOptions()
{
    return {"--trust-fingerprint"};
}

CliFtpSession::CliFtpSession(const FtpUrl& url, const CliArgs& args)
    : m_verbose(args.verbose())
    , m_insecure(args.flag("--insecure"))
    , m_trustedFingerprint(args.value("--trust-fingerprint"))
{
    ftp::ClientOptions& o = m_client.options();
    o.host = url.host;
    o.port = url.port;
    o.user = url.user.value_or("anonymous");
    o.password = url.user ? url.password : kAnonymousPassword;
    o.passive = !args.flag("--active");
    o.tlsMode = args.flag("--tls") ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;

    ftp::ClientCallbacks& cb = m_client.callbacks();
    cb.certificate = [this](const ftp::CertificateInfo& info) { return decideCertificate(info); };
    if (m_verbose) {
        cb.commandSent = [](const std::string& line) {
            // Passwords never reach the log.
            std::string shown = line.rfind("PASS ", 0) == 0 ? "PASS ******" : line;
            std::fprintf(stderr, "Command> %s\n", shown.c_str());
        };
        cb.replyReceived = [this](std::string_view piece) { logReceived(piece); };
        cb.status = [](ftp::ConnectionStatus kind, const std::string& text) {
            if (kind == ftp::ConnectionStatus::hsStatusText && !text.empty())
                std::fprintf(stderr, "Status> %s\n", text.c_str());
        };
    }
    if (m_insecure)
        std::fprintf(stderr,
                     "vantor-ftp-cli: warning: --insecure: the server's certificate is not checked\n");
}

CliFtpSession::~CliFtpSession()
{
    close();
}

void CliFtpSession::open()
{
    m_client.connect();
    m_client.login();
    m_client.setType(ftp::TransferType::Binary);
}

void CliFtpSession::close()
{
    m_client.quit();
}

void CliFtpSession::showProgress(TransferProgress& progress, std::int64_t offset)
{
    ftp::ClientCallbacks& cb = m_client.callbacks();
    cb.workBegin = [&progress, offset](ftp::TransferDirection, std::int64_t expected) {
        progress.begin(offset, expected);
    };
    cb.workProgress = [&progress](std::int64_t bytes) { progress.update(bytes); };
    cb.workEnd = [&progress](bool completed) { progress.end(completed); };
}

bool CliFtpSession::decideCertificate(const ftp::CertificateInfo& info)
{
    if (info.verified)
        return true;
    if (m_trustedFingerprint && ftp::CertificateInfo::sameFingerprint(*m_trustedFingerprint, info.sha256))
        return true;
    if (m_insecure)
        return true;
    std::fprintf(stderr,
                 "vantor-ftp-cli: the server's certificate is not trusted (%s)\n"
                 "  subject: %s\n  issuer: %s\n  SHA-256: %s\n"
                 "  accept it with --trust-fingerprint %s\n",
                 info.verifyError.c_str(), info.subject.c_str(), info.issuer.c_str(),
                 info.fingerprintText().c_str(), info.sha256.c_str());
    return false;
}

void CliFtpSession::logReceived(std::string_view piece)
{
    m_replyPartial.append(piece);
    std::size_t start = 0;
    for (std::size_t lf; (lf = m_replyPartial.find('\n', start)) != std::string::npos; start = lf + 1) {
        std::string line = m_replyPartial.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::fprintf(stderr, "Reply> %s\n", line.c_str());
    }
    m_replyPartial.erase(0, start);
}

int CliFtpSession::fail(const std::exception& error)
{
    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.what());
    return kExitFailed;
}

} // namespace cli
