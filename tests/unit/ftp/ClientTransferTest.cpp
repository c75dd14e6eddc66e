#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "ClientTestSupport.h"
#include "ftp/FtpError.h"

using namespace testsupport;
using namespace clienttest;
using Commands = std::vector<std::string>;

namespace {

// A temporary local file, removed at the end of the test.
class LocalFile final
{
public:
    explicit LocalFile(const std::string& content = {}, bool create = true)
    {
        char name[] = "/tmp/vantor-ftp-test-XXXXXX";
        int fd = ::mkstemp(name);
        ::close(fd);
        m_path = name;
        if (create)
            write(content);
        else
            std::remove(m_path.c_str());
    }
    ~LocalFile() { std::remove(m_path.c_str()); }
    const std::string& path() const { return m_path; }
    void write(const std::string& content) const { std::ofstream(m_path, std::ios::binary) << content; }
    std::string read() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

private:
    std::string m_path;
};

struct WorkLog
{
    std::int64_t expected = -2;
    std::int64_t lastProgress = 0;
    int ends = 0;
    bool completed = false;
};

void recordWork(ftp::Client& client, WorkLog& log)
{
    client.callbacks().workBegin = [&log](ftp::TransferDirection, std::int64_t e) { log.expected = e; };
    client.callbacks().workProgress = [&log](std::int64_t b) { log.lastProgress = b; };
    client.callbacks().workEnd = [&log](bool ok) {
        ++log.ends;
        log.completed = ok;
    };
}

// --- Downloads ------------------------------------------------------------------

TEST(ClientDownloadTest, RetrievesInBinaryWithTheSizeKnownAndReportsWork)
{
    ScriptedFtpServer server;
    const std::string content = patternBytes(700 * 1024);
    server.fs().addFile("/f.bin", content);
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    WorkLog work;
    recordWork(*client, work);
    server.clearTranscript();
    StringSink sink;
    EXPECT_EQ(client->retrieve("/f.bin", sink), static_cast<std::int64_t>(content.size()));
    EXPECT_TRUE(sink.bytes == content);
    EXPECT_TRUE(sink.completed);
    EXPECT_EQ(work.expected, static_cast<std::int64_t>(content.size()));
    EXPECT_EQ(work.lastProgress, static_cast<std::int64_t>(content.size()));
    EXPECT_EQ(work.ends, 1);
    EXPECT_TRUE(work.completed);
    EXPECT_EQ(server.commands(), (Commands{"SIZE /f.bin", "EPSV", "RETR /f.bin"}));
}

TEST(ClientDownloadTest, ResumeSendsRestAndWritesOnFromTheLocalLength)
{
    ScriptedFtpServer server;
    const std::string content = patternBytes(100000);
    server.fs().addFile("/f.bin", content);
    LocalFile local(content.substr(0, 40000) + "garbage beyond the offset");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    WorkLog work;
    recordWork(*client, work);
    server.clearTranscript();
    EXPECT_EQ(client->retrieve("/f.bin", local.path(), 40000), 60000);
    EXPECT_TRUE(local.read() == content);
    EXPECT_EQ(work.expected, 60000); // this connection's share, the offset not included
    EXPECT_EQ(server.commands(), (Commands{"SIZE /f.bin", "EPSV", "REST 40000", "RETR /f.bin"}));
}

TEST(ClientDownloadTest, ARefusedRetrieveLeavesTheLocalFileAlone)
{
    ScriptedFtpServer server;
    LocalFile local("precious");
    auto client = makeClient(server);
    connectAndLogin(*client);
    try {
        client->retrieve("/missing.bin", local.path());
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 550);
    }
    EXPECT_EQ(local.read(), "precious");
    EXPECT_EQ(client->pwd(), "/"); // the next command gets its own reply
}

TEST(ClientDownloadTest, ResumeRefusedByTheServerFailsWithoutTouchingTheFile)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.bin", patternBytes(1000));
    server.addOverride({.command = "REST", .code = 502, .text = "No restarts"});
    LocalFile local("partial");
    auto client = makeClient(server);
    connectAndLogin(*client);
    try {
        client->retrieve("/f.bin", local.path(), 7);
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 502);
    }
    EXPECT_EQ(local.read(), "partial");
    EXPECT_EQ(server.verbs().back(), "REST");
}

TEST(ClientDownloadTest, DataCutShortWith426IsARetryableFailure)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.bin", patternBytes(200000));
    server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::CutAfter, .bytes = 5000}});
    auto client = makeClient(server);
    connectAndLogin(*client);
    WorkLog work;
    recordWork(*client, work);
    StringSink sink;
    try {
        client->retrieve("/f.bin", sink);
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 426);
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(sink.completed);
    EXPECT_EQ(work.ends, 1);
    EXPECT_FALSE(work.completed);
    client->noop();
}

TEST(ClientDownloadTest, FewerBytesThanTheSizeIsTruncatedEvenWhenTheServerSays226)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.bin", patternBytes(200000));
    server.addOverride(
        {.command = "RETR", .data = {.kind = DataFaultKind::CutAfter, .bytes = 5000, .finalCode = 226}});
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    StringSink sink;
    try {
        client->retrieve("/f.bin", sink);
        FAIL() << "a truncated transfer was reported as success";
    } catch (const ftp::ProtocolError& e) {
        EXPECT_TRUE(e.retryable());
        EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos);
    }
    EXPECT_FALSE(sink.completed);
}

TEST(ClientDownloadTest, ATlsStreamEndingWithoutCloseNotifyBeforeTheSizeIsTruncated)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.bin", patternBytes(200000));
    server.addOverride(
        {.command = "RETR", .data = {.kind = DataFaultKind::CutAfter, .bytes = 5000, .finalCode = 226}});
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    StringSink sink;
    EXPECT_THROW(client->retrieve("/f.bin", sink), ftp::ProtocolError);
    EXPECT_TRUE(client->isConnected());
}

TEST(ClientDownloadTest, ADataConnectionThatNeverOpensFailsAndKeepsTheControlConnectionInStep)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.bin", "data");
    server.addOverride({.command = "RETR", .times = 1, .data = {.kind = DataFaultKind::NeverOpen}});
    auto client = makeClient(server);
    client->options().dataReadTimeout = 300ms;
    connectAndLogin(*client);
    StringSink sink;
    EXPECT_THROW(client->retrieve("/f.bin", sink), ftp::FtpError);
    ASSERT_TRUE(client->isConnected());
    EXPECT_EQ(client->pwd(), "/");
    StringSink again;
    client->retrieve("/f.bin", again);
    EXPECT_EQ(again.bytes, "data");
}

// --- Passive and active addresses -----------------------------------------------

TEST(ClientDataAddressTest, APasvReplyNamingAnotherHostIsIgnoredAndEpsvRefusalRemembered)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.txt", "hello");
    server.setPasvReplyAddress("10.99.1.2");
    server.addOverride({.command = "EPSV", .code = 500, .text = "EPSV not understood"});
    auto client = makeClient(server);
    std::vector<std::string> statusTexts;
    client->callbacks().status = [&](ftp::ConnectionStatus s, const std::string& text) {
        if (s == ftp::ConnectionStatus::hsStatusText)
            statusTexts.push_back(text);
    };
    connectAndLogin(*client);
    server.clearTranscript();
    StringSink first, second;
    client->retrieve("/f.txt", first);
    client->retrieve("/f.txt", second);
    EXPECT_EQ(first.bytes, "hello");
    EXPECT_EQ(second.bytes, "hello");
    EXPECT_EQ(server.verbs(), (Commands{"EPSV", "PASV", "RETR", "PASV", "RETR"}));
    ASSERT_FALSE(statusTexts.empty());
    EXPECT_NE(statusTexts.back().find("10.99.1.2"), std::string::npos);
    EXPECT_NE(statusTexts.back().find("127.0.0.1"), std::string::npos);
}

TEST(ClientDataAddressTest, AMalformedPasvReplyIsAProtocolError)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.txt", "hello");
    server.addOverride({.command = "EPSV", .code = 502, .text = "No"});
    server.addOverride({.command = "PASV", .raw = "227 Entering Passive Mode (127,0,0,1,300,2)\r\n"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    StringSink sink;
    EXPECT_THROW(client->retrieve("/f.txt", sink), ftp::ProtocolError);
    EXPECT_EQ(server.verbs().back(), "PASV"); // RETR never went out
}

TEST(ClientDataAddressTest, ActiveModeUsesEprtAndAcceptsTheServer)
{
    ScriptedFtpServer server;
    const std::string content = patternBytes(300000);
    server.fs().addFile("/f.bin", content);
    auto client = makeClient(server);
    client->options().passive = false;
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    server.clearTranscript();
    StringSink sink;
    client->retrieve("/f.bin", sink);
    EXPECT_TRUE(sink.bytes == content);
    ASSERT_GE(server.commands().size(), 2u);
    EXPECT_EQ(server.commands()[1].rfind("EPRT |1|127.0.0.1|", 0), 0u) << server.conversation();
}

TEST(ClientDataAddressTest, Ipv6UsesEpsvToTheControlPeer)
{
    ServerOptions options;
    options.ipv6 = true;
    ScriptedFtpServer server(options);
    server.fs().addFile("/f.txt", "six");
    auto client = makeClient(server);
    connectAndLogin(*client);
    StringSink sink;
    client->retrieve("/f.txt", sink);
    EXPECT_EQ(sink.bytes, "six");
}

// --- Uploads ----------------------------------------------------------------------

TEST(ClientUploadTest, StoreThenAppendFromAnOffset)
{
    ScriptedFtpServer server;
    const std::string content = patternBytes(500000);
    LocalFile local(content);
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    WorkLog work;
    recordWork(*client, work);
    EXPECT_EQ(client->store(local.path(), "/up.bin"), 500000);
    EXPECT_TRUE(server.fs().content("/up.bin") == content);
    EXPECT_EQ(work.expected, 500000);

    server.fs().addFile("/up.bin", content.substr(0, 123456));
    server.clearTranscript();
    EXPECT_EQ(client->store(local.path(), "/up.bin", ftp::Client::StoreMode::Append, 123456),
              500000 - 123456);
    EXPECT_TRUE(server.fs().content("/up.bin") == content);
    EXPECT_EQ(server.commands(), (Commands{"EPSV", "APPE /up.bin"}));
}

TEST(ClientUploadTest, RestartStoreSendsRestThenStor)
{
    ScriptedFtpServer server;
    const std::string content = patternBytes(100000);
    server.fs().addFile("/up.bin", content.substr(0, 1000));
    LocalFile local(content);
    auto client = makeClient(server);
    connectAndLogin(*client);
    server.clearTranscript();
    client->store(local.path(), "/up.bin", ftp::Client::StoreMode::Restart, 1000);
    EXPECT_TRUE(server.fs().content("/up.bin") == content);
    EXPECT_EQ(server.commands(), (Commands{"EPSV", "REST 1000", "STOR /up.bin"}));
}

TEST(ClientUploadTest, AMissingLocalFileFailsBeforeAnythingIsSent)
{
    ScriptedFtpServer server;
    LocalFile missing({}, false);
    auto client = makeClient(server);
    connectAndLogin(*client);
    server.clearTranscript();
    EXPECT_THROW(client->store(missing.path(), "/up.bin"), ftp::LocalFileError);
    EXPECT_THROW(client->store(missing.path(), "/up.bin", ftp::Client::StoreMode::Append, 10),
                 ftp::LocalFileError);
    EXPECT_TRUE(server.commands().empty());
}

TEST(ClientUploadTest, UploadRefusedWith550IsAReplyError)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "STOR", .code = 550, .text = "Permission denied"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    StringSource source("abc");
    try {
        client->store(source, "/up.bin");
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 550);
    }
    EXPECT_EQ(client->pwd(), "/");
}

// --- TLS data connections ----------------------------------------------------------

TEST(ClientTlsDataTest, EveryDataConnectionResumesTheControlSession)
{
    ScriptedFtpServer server;
    server.updateSettings([](ServerSettings& s) { s.requireTlsSessionReuse = true; });
    const std::string content = patternBytes(400000);
    server.fs().addFile("/dir/f.bin", content);
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    auto entries = client->list("/dir");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "f.bin");
    StringSink sink;
    client->retrieve("/dir/f.bin", sink);
    EXPECT_TRUE(sink.bytes == content);
    // The upload also ends with a two-way TLS shutdown, which this server insists on.
    StringSource source(content);
    client->store(source, "/dir/up.bin");
    EXPECT_TRUE(server.fs().content("/dir/up.bin") == content);
    DataStats stats = server.dataStats();
    EXPECT_EQ(stats.tlsConnections, 3);
    EXPECT_EQ(stats.resumedTlsSessions, 3);
}

// --- Stopping transfers ---------------------------------------------------------------

TEST(ClientStopTest, KillDataChannelFromTheProgressCallbackStopsAndResyncs)
{
    ScriptedFtpServer server;
    server.fs().addFile("/big.bin", patternBytes(4 * 1024 * 1024));
    server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 2 * 1024 * 1024}});
    auto client = makeClient(server);
    connectAndLogin(*client);
    bool aborted = false;
    client->callbacks().status = [&](ftp::ConnectionStatus s, const std::string&) {
        aborted = aborted || s == ftp::ConnectionStatus::ftpAborted;
    };
    client->callbacks().workProgress = [&](std::int64_t) { client->killDataChannel(); };
    StringSink sink;
    EXPECT_THROW(client->retrieve("/big.bin", sink), ftp::AbortedError);
    EXPECT_TRUE(aborted);
    ASSERT_TRUE(client->isConnected());
    client->callbacks().workProgress = nullptr;
    EXPECT_EQ(client->pwd(), "/");
    // Killing outside a transfer does nothing.
    client->killDataChannel();
    client->noop();
}

TEST(ClientStopTest, AKilledTransferWaitsForTheAnswerToAborBeforeItsNoop)
{
    // A server that loses what came along with ABOR would never answer a NOOP
    // sent in the same breath, and the connection would be given up.
    ScriptedFtpServer server({.settings = {.dropInputAfterAbor = true}});
    server.fs().addFile("/big.bin", patternBytes(4 * 1024 * 1024));
    server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 2 * 1024 * 1024}});
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->callbacks().workProgress = [&](std::int64_t) { client->killDataChannel(); };
    StringSink sink;
    EXPECT_THROW(client->retrieve("/big.bin", sink), ftp::AbortedError);
    ASSERT_TRUE(client->isConnected());
    client->callbacks().workProgress = nullptr;
    EXPECT_EQ(client->pwd(), "/");
}

TEST(ClientStopTest, AbortTransferFromAnotherThreadWakesAStalledRead)
{
    ScriptedFtpServer server;
    server.fs().addFile("/big.bin", patternBytes(100000));
    server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 1000}});
    auto client = makeClient(server);
    client->options().dataReadTimeout = 30s;
    connectAndLogin(*client);
    std::atomic<bool> started{false};
    client->callbacks().workBegin = [&](ftp::TransferDirection, std::int64_t) { started = true; };
    std::thread stopper([&] {
        server.waitUntil([&] { return started.load(); });
        client->abortTransfer();
    });
    StringSink sink;
    // Without the wake-up the read would wait out the 30-second time-out.
    EXPECT_THROW(client->retrieve("/big.bin", sink), ftp::AbortedError);
    stopper.join();
    EXPECT_TRUE(client->isConnected());
    EXPECT_EQ(client->pwd(), "/");
}

TEST(ClientStopTest, AStopJustBeforeATransferStopsItAndIsThenUsedUp)
{
    ScriptedFtpServer server;
    server.fs().addFile("/a.txt", "alpha");
    auto client = makeClient(server);
    connectAndLogin(*client);
    // The stop comes while nothing runs, as one does between a caller's own check
    // of its stop flag and the transfer it was about to start.
    client->abortTransfer();
    EXPECT_THROW(client->list(), ftp::AbortedError);
    ASSERT_TRUE(client->isConnected()) << "a transfer stop leaves the control connection";
    EXPECT_EQ(client->pwd(), "/");
    EXPECT_EQ(client->list().size(), 1u) << "the stop is used up by the transfer it stopped";
}

TEST(ClientStopTest, AStopIsForgottenWhenTheConnectionCloses)
{
    ScriptedFtpServer server;
    server.fs().addFile("/a.txt", "alpha");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->abortTransfer();
    client->quit();
    connectAndLogin(*client);
    EXPECT_EQ(client->list().size(), 1u) << "no transfer of the old connection was left to stop";
}

TEST(ClientStopTest, ClearAbortTransferForgetsAnUnusedStop)
{
    ScriptedFtpServer server;
    server.fs().addFile("/a.txt", "alpha");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->abortTransfer();
    client->clearAbortTransfer();
    EXPECT_EQ(client->list().size(), 1u);
}

// --- Listings and names ----------------------------------------------------------------

TEST(ClientListTest, ListsParsedEntriesAndALatin1NameGoesBackAsTheServersBytes)
{
    ScriptedFtpServer server;
    server.fs().addFile("/caf\xE9.txt", "latin");
    server.fs().setListing("/", "-rw-r--r--   1 ftp      ftp             5 Mar  5 14:07 caf\xE9.txt\r\n"
                                "drwxr-xr-x   2 ftp      ftp          4096 Mar  5 14:07 sub\r\n");
    auto client = makeClient(server);
    connectAndLogin(*client);
    auto entries = client->list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "caf\xC3\xA9.txt");
    EXPECT_EQ(entries[0].size, 5);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_TRUE(entries[1].isDirectory());
    StringSink sink;
    client->retrieve(entries[0].name, sink);
    EXPECT_EQ(sink.bytes, "latin");
    EXPECT_EQ(server.commands().back(), "RETR caf\xE9.txt");
}

TEST(ClientListTest, AnEmptyDirectoryIsAnEmptyListing)
{
    ScriptedFtpServer server;
    server.fs().addDirectory("/empty");
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_TRUE(client->list("/empty").empty());
    EXPECT_EQ(server.commands().back(), "LIST /empty");
}

} // namespace
