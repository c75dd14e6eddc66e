#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ftp/CertificateInfo.h"
#include "ftp/ClientOptions.h"
#include "ftp/DataStream.h"
#include "ftp/ListingEntry.h"
#include "ftp/Reply.h"

namespace ftp {

class NameCodec;
class Session;

// One FTP connection (RFC 959, explicit TLS per RFC 4217).
//
// Contract:
// - Used from one thread at a time. abort() and abortTransfer() may be called from
//   any thread; everything else, callbacks included, runs on the using thread.
// - Options and callbacks are set before connect(); callbacks may be changed
//   between operations.
// - Errors are the exceptions of FtpError.h. A failure of the connection itself
//   (socket error, time-out, malformed reply, abort, a 421) closes it:
//   isConnected() is false afterwards. A ReplyError leaves it usable.
// - Names and paths are UTF-8. A name the server spells otherwise (Latin-1) goes
//   back in the server's own bytes once any connection of the process to the same
//   server and account has seen it in a listing (see NameCodec); knowsName() and
//   learnNames() serve a connection that names entries it never listed.
class Client final
{
public:
    Client();
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    ClientOptions& options();
    ClientCallbacks& callbacks();

    // Resolves, connects and reads the greeting (120 waits for the 220 that follows;
    // anything but 2yz, 421 included, is a ReplyError).
    void connect();
    // AUTH/TLS when required, USER/PASS, FEAT, OPTS UTF8, PBSZ/PROT. TLS stops at
    // version 1.2 unless the server refuses it: then the client connects again and
    // logs in with TLS 1.3, and keeps using 1.3 with this host and port.
    void login();
    // QUIT, then the orderly close (TLS close_notify). Errors are swallowed; the
    // client is disconnected afterwards in any case.
    void quit() noexcept;
    // Closes at once, without QUIT.
    void disconnect() noexcept;
    // Moves the open connection (logged in, with what it learnt of the server) into
    // a new client, which may be used on another thread from then on. This client
    // keeps its options and callbacks and is left disconnected; the new one has the
    // same options and no callbacks. Call only between operations.
    std::unique_ptr<Client> handOver();
    bool isConnected() const;
    bool tlsActive() const;
    // TLS 1.3 only: every session ticket the server gave has been used, and the
    // server takes them back (its data connections resume). The next transfer
    // would be refused; logging in again brings new tickets.
    bool tlsTicketsSpent() const;
    // The control connection's certificate, when TLS is active.
    std::optional<CertificateInfo> certificate() const;
    // From FEAT; whole tokens, any case ("UTF8", "MLST", "SIZE").
    bool hasFeature(const std::string& name) const;
    std::string featureParameters(const std::string& name) const;

    // Directory operations. Expected codes per RFC 959: PWD/MKD 257, CWD/CDUP
    // 200/250, RMD/DELE 250, RNFR 350 then RNTO 250, SITE 200; anything else
    // raises ReplyError carrying the code.
    std::string pwd();
    void cwd(const std::string& path);
    void cdup();
    // Returns the path the server reports for the new directory (the name when
    // its reply holds none).
    std::string mkd(const std::string& name);
    void rmd(const std::string& name);
    void dele(const std::string& name);
    void rename(const std::string& from, const std::string& to);
    // "SITE " + text, sent as it stands.
    Reply site(const std::string& text);
    // "SITE command argument name" (SITE CHMOD 644 name): the name is encoded like
    // every other name.
    Reply site(const std::string& command, const std::string& argument, const std::string& name);
    void noop();
    // Sends the line as it is and returns whatever reply comes (no code check).
    // A successful "TYPE A"/"TYPE I" is remembered like setType().
    Reply raw(const std::string& line);
    void setType(TransferType type);
    // SIZE (RFC 3659) where FEAT offers it: the size in bytes, or nothing when the
    // server does not say (no such file, not offered, ASCII mode).
    std::optional<std::int64_t> size(const std::string& name);
    // "REST 1" answered with 350 means yes; a "REST 0" then clears the marker. Asked
    // once per connection.
    bool resumeSupported();

    // LIST (of `name` when given) over a data connection, parsed. A listing with
    // content none of which can be read raises ProtocolError.
    std::vector<ListingEntry> list(const std::optional<std::string>& name = std::nullopt);
    // The raw bytes of LIST, for callers that parse themselves.
    std::string listRaw(const std::optional<std::string>& name = std::nullopt);

    // Names this connection has not listed itself. knowsName() is true when every
    // part of `path` (a file or directory, absolute or relative to where the
    // connection is) that is not plain ASCII has been seen by some connection to
    // this server in its directory, or its directory was listed whole: a command
    // naming it sends the server's bytes, or UTF-8 for a name that is not there.
    // Asks nothing of the server. learnNames() lists (LIST, one data connection
    // each) the directories along `path` whose names are not known, top down, so
    // that knowsName() holds afterwards; a directory that cannot be listed ends it
    // quietly (what is below it is new). A relative path costs a PWD first.
    bool knowsName(const std::string& path);
    void learnNames(const std::string& path);

    // RETR into `localPath`. restartAt > 0 resumes: REST is sent and the local file
    // (which must hold at least that many bytes) is written on from there. The
    // local file is only created or touched once the server sends data. `size` is
    // the whole remote file when known (else SIZE is asked where offered);
    // fewer bytes than expected is a ProtocolError, never a success.
    std::int64_t retrieve(const std::string& remote, const std::string& localPath, std::int64_t restartAt = 0,
                          std::optional<std::int64_t> size = std::nullopt);
    std::int64_t retrieve(const std::string& remote, DataSink& sink, std::int64_t restartAt = 0,
                          std::optional<std::int64_t> size = std::nullopt);

    enum class StoreMode
    {
        Replace, // STOR, from the start of the local file
        Append,  // APPE, sending the local file from `offset`
        Restart  // REST offset + STOR, sending from `offset`
    };
    std::int64_t store(const std::string& localPath, const std::string& remote,
                       StoreMode mode = StoreMode::Replace, std::int64_t offset = 0);
    std::int64_t store(DataSource& source, const std::string& remote, StoreMode mode = StoreMode::Replace,
                       std::int64_t offset = 0);

    // Closes the running transfer's data connection at once; the transfer then
    // ends with AbortedError after the server's closing replies have been read, so
    // the next command gets its own reply. Meant for the progress callback. Outside
    // a transfer it does nothing.
    void killDataChannel();
    // Any thread: stops the running transfer like killDataChannel(). When none runs,
    // the next transfer of this connection stops at once: a stop that comes just
    // before a transfer starts is not lost. Used up when a transfer ends or the
    // connection closes.
    void abortTransfer() noexcept;
    // Any thread: wakes every blocked wait at once; the operation fails with
    // AbortedError and the connection is closed. When no operation runs, the next
    // one (connect() too) fails so at once. The abort is used up by the operation it
    // fails. (A name look-up in progress is not interrupted; the abort takes effect
    // right after it.)
    void abort() noexcept;
    // Using thread: forget an abort() or abortTransfer() that no operation has used
    // up yet. A caller with a stop flag of its own looks at it again afterwards, so
    // that a stop arriving in between is not lost.
    void clearAbort() noexcept;
    void clearAbortTransfer() noexcept;

private:
    NameCodec& names();
    std::string path(const std::string& p);
    void openControl();

    std::unique_ptr<Session> m_session;
    std::string m_tls13Server; // "host:port" of the server that refused TLS 1.2
};

} // namespace ftp
