#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ftp/ClientOptions.h"
#include "ftp/Reply.h"
#include "ftp/TcpListener.h"
#include "ftp/TcpTransport.h"
#include "ftp/Transport.h"

namespace ftp {

class Session;

// One data connection, passive or active, protected when the control connection
// is. The sequence is prepare() (EPSV/PASV and connect, or listen and EPRT/PORT),
// open() (the transfer command, then accept and TLS handshake while watching the
// control connection for a refusal), the transfer, then readFinalReply().
class DataChannel final
{
public:
    explicit DataChannel(Session& session);
    ~DataChannel();
    DataChannel(const DataChannel&) = delete;
    DataChannel& operator=(const DataChannel&) = delete;

    void prepare();
    // Sends `command` and establishes the connection. Throws ReplyError when the
    // server refuses the command.
    void open(const std::string& command);

    Transport& transport() { return *m_transport; }
    const std::optional<Reply>& preliminaryReply() const { return m_preliminary; }
    bool commandSent() const { return m_commandSent; }
    bool finalReplyRead() const { return m_final.has_value(); }
    // The reply that ends the transfer (read now unless it came early).
    const Reply& readFinalReply();
    void close() noexcept;

    // How the TLS handshake went with the session it offered to resume.
    enum class Resumption : std::uint8_t
    {
        NotTried, // no TLS, or no session to offer
        Resumed,
        RefusedUnused, // not resumed, though nobody had offered that session before
        // Not resumed, though offered before: a TLS 1.3 ticket the server took
        // back when it was used, or a TLS 1.2 session the server no longer keeps
        // (its session cache expired or dropped it).
        RefusedUsed
    };
    Resumption resumption() const { return m_resumption; }
    bool tls13() const { return m_tls13; }

private:
    void preparePassive();
    void prepareActive();
    void onControlReadable();
    void takeReply(const Reply& reply);
    void startTls();

    Session& m_session;
    DataConnectionSettings m_settings;
    std::unique_ptr<TcpTransport> m_tcp;
    std::unique_ptr<Transport> m_transport;
    TcpListener m_listener;
    bool m_active = false;
    bool m_commandSent = false;
    std::string m_verb;
    std::optional<Reply> m_preliminary;
    std::optional<Reply> m_final;
    Resumption m_resumption = Resumption::NotTried;
    bool m_tls13 = false;
};

} // namespace ftp
