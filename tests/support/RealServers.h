#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The real FTP servers the integration fixture starts on loopback (see
// tests/integration/servers/ftp-servers), with what tests need to know of them.
// Facts come from the environment CTest sets; outside CTest the defaults of the
// fixture script apply.

namespace testsupport {

enum class RealServerKind
{
    PureFtpd,
    Vsftpd,
    Proftpd,
    Pyftpdlib,
    // TLS 1.3 only (not in realServers()): pyftpdlib, and proftpd, which requires
    // every data connection to resume and accepts each ticket once.
    PyftpdlibTls13,
    ProftpdTls13,
};

struct RealServer
{
    RealServerKind kind;
    std::string name; // "pure-ftpd", "vsftpd", "proftpd", "pyftpdlib"
    std::string host = "127.0.0.1";
    int port = 0;
    std::string root; // the user's root on disk: tests may put files there and check uploads
    std::string user;
    std::string password;

    // Observed behaviour worth knowing in a test.
    bool mlsd = false; // MLSD works (proftpd's FEAT names only MLST)
    bool mfmt = false;
    bool tlsSessionReuseRequired = false; // data connections must resume the control session
    bool anonymous = false;               // "anonymous" logs in, read-only, to a root with pub/readme.txt
    std::string anonymousUploadDir;       // an anonymous upload folder there (new files only), if any
    bool nlstListsDots = false;           // NLST includes "." and ".."
    int optsUtf8Reply = 200;              // reply code to OPTS UTF8 ON
};

// A server with a transport choice, for TEST_P over servers x {plain, TLS}.
struct RealServerCase
{
    RealServerKind kind;
    bool tls;
};

std::vector<RealServer> realServers();
std::vector<RealServer> tls13OnlyServers();
RealServer realServer(RealServerKind kind);       // any of both lists
std::vector<RealServerCase> allRealServerCases(); // every server, plain and TLS
// "pure_ftpd_plain", "vsftpd_tls" ...: for INSTANTIATE_TEST_SUITE_P's name generator.
std::string realServerCaseName(const ::testing::TestParamInfo<RealServerCase>& info);

// The fixture's certificate: PEM and SHA-256 fingerprint (lower-case hex, no separators).
std::string realServerCertificatePem();
std::string realServerCertificateFingerprint();

// Success when the server answers with a 220 banner. Use it as
// ASSERT_TRUE(realServerReachable(server)): a test needing a server fails without one.
::testing::AssertionResult realServerReachable(const RealServer& server);

std::ostream& operator<<(std::ostream& out, const RealServerCase& serverCase);

} // namespace testsupport
