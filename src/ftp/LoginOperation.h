#pragma once

#include <cstdint>

namespace ftp {

class Session;

// Logs in on a connected session: with TLS required AUTH TLS (then AUTH SSL) and
// the handshake first, then USER and PASS, FEAT, OPTS UTF8 ON where offered, and
// with TLS PBSZ 0 and PROT P. Any failure throws; a TLS requirement is never
// given up for clear text.
class LoginOperation final
{
public:
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

    explicit LoginOperation(Session& session);
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
    Step m_step = Step::Start;
};

} // namespace ftp
