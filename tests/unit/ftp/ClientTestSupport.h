#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ftp/Client.h"
#include "ftp/DataStream.h"
#include "support/ScriptedFtpServer.h"

namespace clienttest {

using namespace std::chrono_literals;

// A client pointed at a scripted server, with time-outs short enough that a
// broken wake-up fails the test instead of stalling it, and trusting exactly the
// server's certificate.
inline std::unique_ptr<ftp::Client> makeClient(const testsupport::ScriptedFtpServer& server, bool tls = false)
{
    auto client = std::make_unique<ftp::Client>();
    ftp::ClientOptions& o = client->options();
    o.host = server.host();
    o.port = server.port();
    o.user = "bob";
    o.password = "secret";
    o.passive = true;
    o.tlsMode = tls ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
    o.connectTimeout = 5s;
    o.replyTimeout = 5s;
    o.dataReadTimeout = 5s;
    const std::string fingerprint = server.fingerprintSha256();
    client->callbacks().certificate = [fingerprint](const ftp::CertificateInfo& info) {
        return info.sha256 == fingerprint;
    };
    return client;
}

inline void connectAndLogin(ftp::Client& client)
{
    client.connect();
    client.login();
}

class StringSink final : public ftp::DataSink
{
public:
    void write(const char* data, std::size_t size) override { bytes.append(data, size); }
    void complete() override { completed = true; }
    std::string bytes;
    bool completed = false;
};

class StringSource final : public ftp::DataSource
{
public:
    explicit StringSource(std::string data)
        : m_data(std::move(data))
    {}
    std::size_t read(char* buffer, std::size_t size) override
    {
        std::size_t n = std::min(size, m_data.size() - m_pos);
        m_data.copy(buffer, n, m_pos);
        m_pos += n;
        return n;
    }
    std::optional<std::int64_t> remaining() const override
    {
        return static_cast<std::int64_t>(m_data.size() - m_pos);
    }

private:
    std::string m_data;
    std::size_t m_pos = 0;
};

// Bytes that differ along their length, so a shifted or repeated block shows.
inline std::string patternBytes(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    return s;
}

} // namespace clienttest
