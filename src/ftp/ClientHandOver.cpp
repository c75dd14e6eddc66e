#include "ftp/Client.h"
#include "ftp/Session.h"

namespace ftp {

std::unique_ptr<Client> Client::handOver()
{
    auto taker = std::make_unique<Client>();
    // The session object itself moves: what points into it (the intercept of its
    // control connection) stays valid.
    std::swap(taker->m_session, m_session);
    Session& kept = *m_session;
    Session& given = *taker->m_session;
    kept.options = given.options;
    kept.callbacks = std::move(given.callbacks);
    given.callbacks = {};
    taker->m_tls13Server = m_tls13Server;
    return taker;
}

} // namespace ftp
