#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <openssl/types.h>

#include "support/FtpScript.h"
#include "support/MemoryFileSystem.h"
#include "support/TlsIdentity.h"

namespace testsupport {

class ScriptedSession;
class DataChannel;

struct ServerSettings
{
    std::string user; // empty: any user name and password log in
    std::string password;
    std::vector<std::string> features = {
        "UTF8",     "EPRT", "EPSV", "MDTM", "SIZE", "REST STREAM", "MLST type*;size*;modify*;UNIX.mode*;",
        "AUTH TLS", "PBSZ", "PROT", "PASV"};
    std::string pasvReplyAddress;         // IPv4 text named in 227 replies; empty: the server's own address
    bool requireTlsForLogin = false;      // USER before AUTH gets 530
    bool requireTlsSessionReuse = false;  // a TLS data connection that does not resume gets 522
    bool requireUploadCloseNotify = true; // a TLS upload ending without close_notify gets 426
    bool ticketsOnDataConnections = true; // TLS 1.3: a data connection's handshake ends with a new ticket
    bool asciiConversion = true;          // TYPE A: LF <-> CRLF on RETR and STOR
    // During a transfer, commands that arrive in the same read as ABOR are lost
    // (pure-ftpd reads the control connection then only to look for ABOR).
    bool dropInputAfterAbor = false;
    std::chrono::milliseconds dataConnectTimeout{10000};
};

struct ServerOptions
{
    bool ipv6 = false; // listen on ::1 instead of 127.0.0.1
    // TLS 1.3 and nothing older (a protocol_version alert to a client that stops at
    // 1.2), with tickets the server accepts once each, as vsftpd and proftpd do.
    bool tls13Only = false;
    // The server speaks TLS 1.2 at most, with these cipher suites only (OpenSSL
    // cipher-list syntax, e.g. "AES128-SHA"); empty: OpenSSL's defaults.
    std::string tls12Ciphers;
    ServerSettings settings;
    std::shared_ptr<const TlsIdentity> identity; // default: TlsIdentity::shared()
};

// An FTP server on loopback whose behaviour is data, for protocol tests. It listens on
// an ephemeral port from construction until stop() or destruction; each connection is
// served on a thread of its own. Every accessor is thread-safe. Tests wait for what
// the server saw with waitUntil() and friends, never with sleeps.
//
//     ScriptedFtpServer server;                       // any user and password log in
//     server.fs().addFile("/pub/a.txt", "alpha");
//     server.addOverride({.command = "PASS", .code = 530, .text = "Login incorrect", .times = 1});
//     server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::CutAfter, .bytes = 3}});
//     ... connect the client to server.host():server.port(), trust server.fingerprintSha256() ...
//     EXPECT_EQ(server.commands(), (std::vector<std::string>{"USER bob", "PASS x", ...}));
//     EXPECT_EQ(server.fs().content("/pub/up.bin"), "uploaded bytes");
//
// Without overrides it answers USER, PASS, AUTH TLS/SSL, PBSZ, PROT, FEAT, OPTS UTF8, SYST,
// PWD/XPWD, CWD, CDUP, MKD, RMD, DELE, RNFR/RNTO, SITE CHMOD/CHOWN/CHGRP, TYPE, MODE, STRU,
// REST, SIZE, MDTM, MLST, PASV, EPSV, PORT, EPRT, LIST, NLST, MLSD, RETR, STOR, APPE, ABOR,
// NOOP and QUIT as a Unix server would; anything else gets 500, and commands other than
// the login ones get 530 before login.
class ScriptedFtpServer final
{
public:
    explicit ScriptedFtpServer(ServerOptions options = {});
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    // Closes the listener and every connection and joins the threads. Idempotent.
    void stop();

    const std::string& host() const { return m_host; } // "127.0.0.1" or "::1"
    std::uint16_t port() const { return m_port; }
    // "ftp://127.0.0.1:PORT" + path ("[::1]" for IPv6), no credentials.
    std::string url(std::string_view path = "/") const;

    MemoryFileSystem& fs() { return m_fs; }

    // The script.
    void addOverride(Override override);
    void setGreeting(Override override); // an override of the empty command
    void clearOverrides();
    ServerSettings settings() const;
    void updateSettings(const std::function<void(ServerSettings&)>& change);
    void setAccount(std::string user, std::string password);
    void setFeatures(std::vector<std::string> lines);
    void setPasvReplyAddress(std::string ipv4);

    // TLS identity (certificate and key are made in memory).
    const TlsIdentity& identity() const { return *m_identity; }
    std::string certificatePem() const { return m_identity->certificatePem(); }
    std::string fingerprintSha256() const { return m_identity->fingerprintSha256(); }

    // What the server saw.
    std::vector<std::string> commands() const;            // every command line, all sessions, in order
    std::vector<std::string> commands(int session) const; // one session's
    std::vector<std::string> verbs() const;               // the first word of each command, upper-cased
    std::vector<CommandRecord> transcript() const;
    // The whole conversation as "C<n>> line" / "S<n>> line" text, for failure messages.
    std::string conversation() const;
    int sessionCount() const;     // connections accepted so far
    int openSessionCount() const; // connections still open
    // Bytes received by the last STOR/APPE to a path (the file system holds the merged file).
    std::optional<std::string> uploaded(std::string_view path) const;
    DataStats dataStats() const;
    void clearTranscript();

    // The TLS session cache lets every session go, as a server's does when they
    // expire: a data connection can no longer resume them.
    void forgetTlsSessions();

    // Waits until the predicate holds, re-checking after every event of the server;
    // false on time-out. The predicate may call any accessor above.
    bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout = 10s) const;
    // Waits until `count` commands with this verb arrived.
    bool waitForCommand(std::string_view verb, int count = 1, std::chrono::milliseconds timeout = 10s) const;
    // Waits until every accepted connection has ended.
    bool waitForSessionsClosed(std::chrono::milliseconds timeout = 10s) const;

private:
    friend class ScriptedSession;

    void acceptLoop();
    // Session side.
    std::optional<Override> takeOverride(int session, std::string_view verb, std::string_view argument);
    void recordCommand(int session, std::string line);
    void recordReply(int session, std::string_view bytes);
    void recordUpload(const std::string& path, std::string data);
    void recordDataConnection(bool tls, bool resumed);
    void sessionEnded();
    void notify();
    SSL_CTX* tlsContext() const { return m_tlsContext; }
    int stopFd() const { return m_stopPipe[0]; }

    std::shared_ptr<const TlsIdentity> m_identity;
    SSL_CTX* m_tlsContext = nullptr;
    MemoryFileSystem m_fs;
    std::string m_host;
    std::uint16_t m_port = 0;
    int m_listenFd = -1;
    int m_stopPipe[2] = {-1, -1};
    bool m_stopped = false;
    std::thread m_acceptThread;

    mutable std::mutex m_mutex; // guards everything below
    ServerSettings m_settings;
    std::vector<Override> m_overrides;
    std::vector<CommandRecord> m_transcript;
    std::vector<std::pair<int, std::string>> m_conversation; // session, "C> ..." or "S> ..."
    std::map<std::string, std::string> m_uploads;
    DataStats m_dataStats;
    int m_sessionCount = 0;
    int m_openSessions = 0;
    std::list<std::thread> m_sessionThreads;

    mutable std::mutex m_eventMutex;
    mutable std::condition_variable m_event;
    std::uint64_t m_generation = 0;
};

} // namespace testsupport
