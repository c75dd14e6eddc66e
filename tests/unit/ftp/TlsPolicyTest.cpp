#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "ClientTestSupport.h"
#include "ftp/CertificateInfo.h"
#include "ftp/FtpError.h"
#include "ftp/TcpTransport.h"
#include "ftp/TlsContext.h"
#include "ftp/TlsTransport.h"

using namespace testsupport;
using namespace clienttest;

namespace {

// Makes `identity`'s certificate a trust anchor of `context`, so that only the
// host-name check can fail verification.
void trust(ftp::TlsContext& context, const TlsIdentity& identity)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(identity.certificatePem().data(), static_cast<int>(identity.certificatePem().size())),
        BIO_free);
    X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    ASSERT_NE(certificate, nullptr);
    X509_STORE_add_cert(SSL_CTX_get_cert_store(context.get()), certificate);
    X509_free(certificate);
}

// Reads from the control connection until a line starting with `code` and a space.
void awaitReply(ftp::Transport& transport, const std::string& code)
{
    std::string seen;
    char buffer[512];
    while (seen.find("\n" + code + " ") == std::string::npos && seen.rfind(code + " ", 0) != 0) {
        const std::size_t n = transport.read(buffer, sizeof buffer);
        ASSERT_GT(n, 0u) << seen;
        seen.append(buffer, n);
    }
}

// The certificate a control connection to `server` sees when it asks for
// `serverName`, with the server's certificate trusted.
ftp::CertificateInfo certificateSeenAs(const ScriptedFtpServer& server, const std::string& serverName)
{
    ftp::TlsContext context;
    trust(context, server.identity());
    auto tcp = std::make_unique<ftp::TcpTransport>(ftp::WaitSet{});
    tcp->setIoTimeout(std::chrono::seconds(5));
    tcp->connect(ftp::TcpTransport::resolve(server.host(), server.port()), std::chrono::seconds(5));
    awaitReply(*tcp, "220");
    tcp->write("AUTH TLS\r\n", 10);
    awaitReply(*tcp, "234");
    ftp::TlsTransport tls(std::move(tcp), context, ftp::TlsTransport::Role::Control, serverName);
    tls.handshake();
    return tls.peerCertificate();
}

std::shared_ptr<const TlsIdentity> identityFor(const std::string& dnsName)
{
    TlsIdentity::Params params;
    params.commonName = "Wildcard test";
    params.altNames = {"DNS:" + dnsName};
    return TlsIdentity::create(params);
}

} // namespace

// --- Host names in certificates ---------------------------------------------------

TEST(TlsHostNameTest, AWholeLabelWildcardNamesTheHostButAPartialWildcardNamesNothing)
{
    {
        ScriptedFtpServer server(ServerOptions{.identity = identityFor("*.example.test")});
        EXPECT_TRUE(certificateSeenAs(server, "foo.example.test").verified);
        EXPECT_FALSE(certificateSeenAs(server, "foo.other.test").verified);
        // A wildcard stands for one label, never for several or for none.
        EXPECT_FALSE(certificateSeenAs(server, "a.foo.example.test").verified);
        EXPECT_FALSE(certificateSeenAs(server, "example.test").verified);
    }
    for (const char* partial : {"f*.example.test", "*o.example.test", "f*o.example.test"}) {
        ScriptedFtpServer server(ServerOptions{.identity = identityFor(partial)});
        const ftp::CertificateInfo info = certificateSeenAs(server, "foo.example.test");
        EXPECT_FALSE(info.verified) << partial << " was taken to name foo.example.test";
        EXPECT_FALSE(info.sha256.empty());
    }
}

TEST(TlsHostNameTest, AnExactNameBesideAPartialWildcardStillVerifies)
{
    TlsIdentity::Params params;
    params.altNames = {"DNS:f*.example.test", "DNS:foo.example.test"};
    ScriptedFtpServer server(ServerOptions{.identity = TlsIdentity::create(params)});
    EXPECT_TRUE(certificateSeenAs(server, "foo.example.test").verified);
    EXPECT_FALSE(certificateSeenAs(server, "fab.example.test").verified);
}

// --- Cipher suites of TLS 1.2 -----------------------------------------------------

namespace {

std::shared_ptr<const TlsIdentity> rsaIdentity()
{
    TlsIdentity::Params params;
    params.rsaKey = true;
    static const std::shared_ptr<const TlsIdentity> identity = TlsIdentity::create(params);
    return identity;
}

} // namespace

TEST(TlsCipherTest, AServerOfferingOnlyAes128ShaIsRefusedWithAHintUnlessTheHostAllowsLegacyCiphers)
{
    // Static RSA key exchange, CBC with an HMAC-SHA1: no forward secrecy.
    ScriptedFtpServer server(ServerOptions{.tls12Ciphers = "AES128-SHA", .identity = rsaIdentity()});
    server.fs().addFile("/f.txt", "hello");
    auto client = makeClient(server, true);
    client->connect();
    try {
        client->login();
        FAIL() << "a connection without forward secrecy was accepted";
    } catch (const ftp::ProtocolError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("legacy cipher"), std::string::npos) << message;
        EXPECT_NE(message.find("weaker"), std::string::npos) << message;
    }
    EXPECT_FALSE(client->isConnected());
    const std::vector<std::string> verbs = server.verbs();
    EXPECT_EQ(std::count(verbs.begin(), verbs.end(), "USER"), 0);

    auto legacy = makeClient(server, true);
    legacy->options().allowLegacyCiphers = true;
    connectAndLogin(*legacy);
    StringSink sink; // the data connection gets the same policy
    legacy->retrieve("/f.txt", sink);
    EXPECT_EQ(sink.bytes, "hello");
}

TEST(TlsCipherTest, ForwardSecretAeadSuitesAreTakenWithEitherKeyType)
{
    for (const char* ciphers : {"ECDHE-RSA-AES128-GCM-SHA256", "ECDHE-RSA-CHACHA20-POLY1305"}) {
        ScriptedFtpServer server(ServerOptions{.tls12Ciphers = ciphers, .identity = rsaIdentity()});
        auto client = makeClient(server, true);
        connectAndLogin(*client);
        EXPECT_EQ(client->pwd(), "/") << ciphers;
    }
    ScriptedFtpServer server(ServerOptions{.tls12Ciphers = "ECDHE-ECDSA-AES256-GCM-SHA384"});
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    EXPECT_TRUE(client->tlsActive());
}

TEST(TlsCipherTest, CbcSuitesAreRefusedEvenWithEcdhe)
{
    for (const char* ciphers : {"ECDHE-RSA-AES128-SHA", "ECDHE-RSA-AES256-SHA384", "DHE-RSA-AES128-SHA256"}) {
        ScriptedFtpServer server(ServerOptions{.tls12Ciphers = ciphers, .identity = rsaIdentity()});
        auto client = makeClient(server, true);
        client->connect();
        EXPECT_THROW(client->login(), ftp::ProtocolError) << ciphers;
    }
}
