#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "ftp/CertificateInfo.h"
#include "ftp/ClientOptions.h"
#include "ftp/ControlConnection.h"
#include "ftp/FeatureSet.h"
#include "ftp/NameCodec.h"
#include "ftp/SocketAddress.h"
#include "ftp/TlsContext.h"
#include "ftp/WaitSet.h"
#include "ftp/Waker.h"

namespace ftp {

// The state of one FTP connection shared by the client and its operations. Used
// from the connection's thread only, except the wakers.
class Session final
{
public:
    Session();
    ~Session();

    ClientOptions options;
    ClientCallbacks callbacks;

    // Both stay triggered until what they stop has happened, so a stop that comes
    // just before an operation starts is not lost.
    Waker abortWaker; // wakes everything: the connection is dropped
    Waker dataWaker;  // wakes data-connection waits only: the transfer stops

    std::unique_ptr<ControlConnection> control;
    std::unique_ptr<TlsContext> tls;
    SocketAddress controlPeer;
    SocketAddress controlLocal;

    FeatureSet features;
    NameCodec names;
    std::optional<CertificateInfo> certificate;
    std::optional<bool> restSupported;
    std::optional<TransferType> transferType;
    bool tlsActive = false;
    bool epsvRefused = false;
    bool eprtRefused = false;

    bool inTransfer = false;
    bool killRequested = false;

    bool connected() const { return control != nullptr; }
    // Waits of the control connection stop on abort(); those of data connections
    // also on abortTransfer().
    WaitSet controlWaits() const;
    WaitSet dataWaits() const;

    void status(ConnectionStatus kind, const std::string& text = {});
    void debug(const std::string& text);

    // Command exchange. A failure of the connection itself (socket, time-out,
    // framing, abort) or a 421 drops the connection before the error goes on.
    void send(const std::string& line);
    Reply read();
    Reply command(const std::string& line);
    // The reply must have one of `codes`, else ReplyError.
    Reply expect(const std::string& line, std::initializer_list<int> codes);
    void requireConnected() const;
    const ControlConnection::Intercept& intercept() const { return m_intercept; }

    // Closes control and data at once and forgets the per-connection state (a
    // transfer stop included: no transfer of this connection is left to stop).
    void drop() noexcept;
    // An operation failed with AbortedError. When abort() was the cause, it has done
    // its work: the connection is closed and the abort used up, so the next
    // operation runs.
    void abortTaken() noexcept;

private:
    template <class F>
    auto guarded(F&& f) -> decltype(f());

    ControlConnection::Intercept m_intercept;
};

// "PASS secret" -> "PASS"; the verb of a command line for messages that must not
// carry arguments (passwords).
std::string commandVerb(const std::string& line);

} // namespace ftp
