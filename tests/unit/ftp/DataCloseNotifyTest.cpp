#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "ftp/FtpError.h"

using namespace testsupport;
using namespace clienttest;

// A TLS data connection that ends without the server's close_notify, where what
// arrived cannot be counted against a size: someone on the path cut it, and the
// server's own 226 (it sent everything) would make the rest look complete.

namespace {

// The data connection of the next `command` ends after `bytes` bytes with a bare
// FIN (or with close_notify), and the server confirms with 226.
void cutNext(ScriptedFtpServer& server, const std::string& command, std::int64_t bytes,
             bool closeNotify = false)
{
    server.addOverride({.command = command,
                        .times = 1,
                        .data = {.kind = DataFaultKind::CutAfter,
                                 .bytes = bytes,
                                 .tlsCloseNotify = closeNotify,
                                 .finalCode = 226,
                                 .finalText = "Transfer complete."}});
}

void expectCutReported(const std::function<void()>& transfer, const std::string& kind)
{
    try {
        transfer();
        FAIL() << kind << ": a stream without close_notify was taken as complete";
    } catch (const ftp::ProtocolError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("close_notify"), std::string::npos) << message;
        EXPECT_NE(message.find(kind), std::string::npos) << message;
        EXPECT_NE(message.find("host's settings"), std::string::npos) << message;
        EXPECT_TRUE(e.retryable());
    }
}

} // namespace

TEST(DataCloseNotifyTest, AnAsciiDownloadCutWithoutCloseNotifyFailsThoughTheServerSays226)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.txt", "abcdef");
    cutNext(server, "RETR", 5);
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Ascii);
    StringSink sink;
    expectCutReported([&] { client->retrieve("/f.txt", sink, 0, 6); }, "ASCII");
    EXPECT_FALSE(sink.completed);
    EXPECT_EQ(sink.bytes, "abcde");
    // The control connection stays in step.
    ASSERT_TRUE(client->isConnected());
    StringSink whole;
    client->retrieve("/f.txt", whole);
    EXPECT_TRUE(whole.completed);
    EXPECT_EQ(whole.bytes, "abcdef");
}

TEST(DataCloseNotifyTest, AListingCutWithoutCloseNotifyFails)
{
    ScriptedFtpServer server;
    for (int i = 0; i < 20; ++i)
        server.fs().addFile("/pub/file" + std::to_string(i) + ".txt", "x");
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    const std::string whole = client->listRaw("/pub");
    ASSERT_GT(whole.size(), 200u);
    cutNext(server, "LIST", static_cast<std::int64_t>(whole.size() / 2));
    expectCutReported([&] { client->list("/pub"); }, "listing");
    cutNext(server, "LIST", static_cast<std::int64_t>(whole.size() / 2));
    expectCutReported([&] { client->listRaw("/pub"); }, "listing");
    EXPECT_EQ(client->list("/pub").size(), 20u);
}

TEST(DataCloseNotifyTest, ABinaryDownloadOfUnknownSizeCutWithoutCloseNotifyFails)
{
    ScriptedFtpServer server;
    server.setFeatures({"UTF8", "EPSV", "AUTH TLS", "PBSZ", "PROT"}); // no SIZE
    server.fs().addFile("/f.bin", patternBytes(100000));
    cutNext(server, "RETR", 40000);
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    StringSink sink;
    expectCutReported([&] { client->retrieve("/f.bin", sink); }, "size is not known");
    EXPECT_FALSE(sink.completed);
}

TEST(DataCloseNotifyTest, WhereTheLengthIsCheckedOrCloseNotifyCameTheTransferCompletes)
{
    ScriptedFtpServer server;
    const std::string data = patternBytes(100000);
    server.fs().addFile("/f.bin", data);
    server.fs().addFile("/f.txt", "abcdef");
    auto client = makeClient(server, true);
    connectAndLogin(*client);

    // Binary with a known size: every byte arrived, which is what counts.
    client->setType(ftp::TransferType::Binary);
    cutNext(server, "RETR", static_cast<std::int64_t>(data.size()));
    StringSink binary;
    EXPECT_EQ(client->retrieve("/f.bin", binary), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(binary.completed);

    // An ASCII stream the server ended properly.
    client->setType(ftp::TransferType::Ascii);
    cutNext(server, "RETR", 6, true);
    StringSink ascii;
    client->retrieve("/f.txt", ascii);
    EXPECT_TRUE(ascii.completed);
    EXPECT_EQ(ascii.bytes, "abcdef");

    // Without TLS there is no close_notify to ask for.
    auto plain = makeClient(server);
    connectAndLogin(*plain);
    plain->setType(ftp::TransferType::Ascii);
    cutNext(server, "RETR", 6);
    StringSink clear;
    plain->retrieve("/f.txt", clear);
    EXPECT_TRUE(clear.completed);
}

TEST(DataCloseNotifyTest, AHostThatNeverSendsCloseNotifyCanBeAllowedToEndWithoutIt)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f.txt", "abcdef");
    server.fs().addFile("/pub/a.txt", "a");
    auto client = makeClient(server, true);
    client->options().acceptDataWithoutCloseNotify = true;
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Ascii);
    cutNext(server, "RETR", 6);
    StringSink sink;
    client->retrieve("/f.txt", sink);
    EXPECT_TRUE(sink.completed);
    EXPECT_EQ(sink.bytes, "abcdef");
    const std::string listing = client->listRaw("/pub");
    cutNext(server, "LIST", static_cast<std::int64_t>(listing.size()));
    EXPECT_EQ(client->list("/pub").size(), 1u);
}
