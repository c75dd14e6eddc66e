#include "support/RealServers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

std::string env(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string runDir()
{
    return env("VANTOR_FTP_RUN_DIR", "ftp-servers-run");
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

RealServer make(RealServerKind kind, const std::string& name, const std::string& key, int offset)
{
    RealServer server{kind, name};
    const int base = std::atoi(env("VANTOR_FTP_PORT_BASE", "2121").c_str());
    server.port =
        std::atoi(env(("VANTOR_FTP_" + key + "_PORT").c_str(), std::to_string(base + offset)).c_str());
    server.root = env(("VANTOR_FTP_" + key + "_ROOT").c_str(), runDir() + "/" + name + "/root");
    server.user = env("VANTOR_FTP_USER", "bob");
    server.password = env("VANTOR_FTP_PASSWORD", "bobpass");
    return server;
}

} // namespace

std::vector<RealServer> realServers()
{
    RealServer pure = make(RealServerKind::PureFtpd, "pure-ftpd", "PUREFTPD", 0);
    pure.mlsd = true;
    pure.mfmt = true;
    pure.nlstListsDots = true;
    pure.optsUtf8Reply = 504;
    RealServer vsftpd = make(RealServerKind::Vsftpd, "vsftpd", "VSFTPD", 1);
    vsftpd.tlsSessionReuseRequired = true;
    vsftpd.anonymous = true;
    vsftpd.anonymousUploadDir = "incoming";
    RealServer proftpd = make(RealServerKind::Proftpd, "proftpd", "PROFTPD", 2);
    proftpd.mlsd = true;
    proftpd.mfmt = true;
    proftpd.tlsSessionReuseRequired = true;
    proftpd.anonymous = true;
    RealServer pyftpdlib = make(RealServerKind::Pyftpdlib, "pyftpdlib", "PYFTPDLIB", 3);
    pyftpdlib.mlsd = true;
    pyftpdlib.mfmt = true;
    pyftpdlib.anonymous = true;
    pyftpdlib.optsUtf8Reply = 501;
    return {pure, vsftpd, proftpd, pyftpdlib};
}

std::vector<RealServer> tls13OnlyServers()
{
    RealServer pyftpdlib = make(RealServerKind::PyftpdlibTls13, "pyftpdlib-tls13", "PYFTPDLIBTLS13", 4);
    RealServer proftpd = make(RealServerKind::ProftpdTls13, "proftpd-tls13", "PROFTPDTLS13", 5);
    proftpd.tlsSessionReuseRequired = true;
    return {pyftpdlib, proftpd};
}

RealServer realServer(RealServerKind kind)
{
    for (const auto& list : {realServers(), tls13OnlyServers()}) {
        for (const RealServer& server : list) {
            if (server.kind == kind) {
                return server;
            }
        }
    }
    return {};
}

std::vector<RealServerCase> allRealServerCases()
{
    std::vector<RealServerCase> cases;
    for (const RealServer& server : realServers()) {
        cases.push_back({server.kind, false});
        cases.push_back({server.kind, true});
    }
    return cases;
}

std::string realServerCaseName(const ::testing::TestParamInfo<RealServerCase>& info)
{
    std::string name = realServer(info.param.kind).name;
    for (char& c : name) {
        c = c == '-' ? '_' : c;
    }
    return name + (info.param.tls ? "_tls" : "_plain");
}

std::string realServerCertificatePem()
{
    return readFile(env("VANTOR_FTP_CERT", runDir() + "/cert.pem"));
}

std::string realServerCertificateFingerprint()
{
    std::string text = readFile(runDir() + "/cert.sha256");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

::testing::AssertionResult realServerReachable(const RealServer& server)
{
    const std::string where = server.name + " on " + server.host + ":" + std::to_string(server.port);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(server.host.c_str(), std::to_string(server.port).c_str(), &hints, &found) != 0) {
        return ::testing::AssertionFailure() << "cannot resolve " << where;
    }
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    ::freeaddrinfo(found);
    std::string banner;
    pollfd p = {fd, POLLIN, 0};
    while (connected && banner.find('\n') == std::string::npos && ::poll(&p, 1, 5000) == 1) {
        char buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        banner.append(buffer, static_cast<std::size_t>(n));
    }
    if (fd >= 0) {
        ::close(fd);
    }
    if (banner.starts_with("220")) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << where << " is not running (no 220 banner"
                                         << (connected ? ", got '" + banner + "'" : ", connection refused")
                                         << "); the integration tests start it through the CTest fixture"
                                         << " (ctest -R integration.)";
}

std::ostream& operator<<(std::ostream& out, const RealServerCase& serverCase)
{
    return out << realServer(serverCase.kind).name << (serverCase.tls ? " TLS" : " plain");
}

} // namespace testsupport
