#pragma once

#include <cstdint>

#include "ftp/FtpError.h"

namespace ftp {

class Session;

// Logs in on a connected session: with TLS required AUTH TLS (then AUTH SSL) and
// the handshake first, then USER and PASS, FEAT, OPTS UTF8 ON where offered, and
// with TLS PBSZ 0 and PROT P. Any failure throws; a TLS requirement is never
// given up for clear text.
class LoginOperation final
{
public:
    // The control handshake failed because the server refused every protocol
    // version offered while TLS 1.3 was not (the connection is dropped). The caller
    // connects again and logs in with TLS 1.3 allowed.
    class TlsVersionRefused final : public FtpError
    {
    public:
        explicit TlsVersionRefused(const std::string& message)
            : FtpError(message, false)
        {}
    };

    enum class Step : std::uint8_t
    {
        Start,
        AuthTls,
        AuthSsl,
        Handshake,
        User,
        Pass,
        Feat,
        OptsUtf8,
        Pbsz,
        Prot,
        Done
    };

    // `allowTls13`: the control connection may use TLS 1.3 (by default it stops at
    // 1.2; see TlsContext).
    explicit LoginOperation(Session& session, bool allowTls13 = false);
    void run();

    static const char* stepName(Step step);

private:
    void setStep(Step step);
    void negotiateTls();
    void startTls();
    void checkCertificate();
    void logIn();
    void probeFeatures();
    void protectData();

    Session& m_session;
    bool m_allowTls13;
    Step m_step = Step::Start;
};

} // namespace ftp
