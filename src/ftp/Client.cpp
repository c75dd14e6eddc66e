#include "ftp/Client.h"

#include <algorithm>
#include <cctype>

#include "ftp/FileSink.h"
#include "ftp/FileSource.h"
#include "ftp/FtpError.h"
#include "ftp/ListingParser.h"
#include "ftp/LoginOperation.h"
#include "ftp/ReplyText.h"
#include "ftp/Session.h"
#include "ftp/TcpTransport.h"
#include "ftp/TransferOperation.h"

namespace ftp {

namespace {

constexpr std::chrono::milliseconds kQuitTimeout{5000};
std::string lastPart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string withSeparators(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, ",");
    return digits;
}

// Takes a listing in, within the connection's limits: the transfer stops as soon
// as one is passed, before the listing is parsed.
class ListingSink final : public DataSink
{
public:
    explicit ListingSink(const ClientOptions& options)
        : m_maxBytes(options.maxListingBytes)
        , m_maxLines(options.maxListingEntries)
    {}
    void write(const char* data, std::size_t size) override
    {
        if (bytes.size() + size > m_maxBytes)
            throw ProtocolError("The directory listing was refused: it is larger than " +
                                    withSeparators(m_maxBytes) + " bytes",
                                false);
        m_lines += static_cast<std::size_t>(std::count(data, data + size, '\n'));
        // The last line may lack its line end.
        if (m_lines > m_maxLines || (m_lines == m_maxLines && data[size - 1] != '\n'))
            throw ProtocolError("The directory listing was refused: it holds more than " +
                                    withSeparators(m_maxLines) + " entries",
                                false);
        bytes.append(data, size);
    }
    std::string bytes;

private:
    std::size_t m_maxBytes;
    std::size_t m_maxLines;
    std::size_t m_lines = 0;
};

} // namespace

Client::Client()
    : m_session(std::make_unique<Session>())
{}

Client::~Client()
{
    disconnect();
}

ClientOptions& Client::options()
{
    return m_session->options;
}

ClientCallbacks& Client::callbacks()
{
    return m_session->callbacks;
}

bool Client::isConnected() const
{
    return m_session->connected();
}

bool Client::tlsActive() const
{
    return m_session->tlsActive;
}

bool Client::tlsTicketsSpent() const
{
    return m_session->tlsActive && m_session->tls && m_session->tls->ticketsSpent();
}

std::optional<CertificateInfo> Client::certificate() const
{
    return m_session->certificate;
}

bool Client::hasFeature(const std::string& name) const
{
    return m_session->features.has(name);
}

std::string Client::featureParameters(const std::string& name) const
{
    return m_session->features.parameters(name);
}

NameCodec& Client::names()
{
    const ClientOptions& o = m_session->options;
    m_session->names.attach(o.host, o.port, o.user);
    return m_session->names;
}

std::string Client::path(const std::string& p)
{
    // Checked here too, so a two-command operation (RNFR + RNTO) sends nothing
    // when either argument is bad.
    if (p.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw ProtocolError("Refused to send a name containing a line break or NUL character", false);
    return names().encode(p);
}

void Client::connect()
{
    Session& s = *m_session;
    disconnect();
    try {
        // An abort() that came before this call stops it too: it is never lost.
        if (s.abortWaker.triggered())
            throw AbortedError();
        openControl();
    } catch (const AbortedError&) {
        s.abortTaken();
        throw;
    }
}

void Client::openControl()
{
    Session& s = *m_session;
    s.status(ConnectionStatus::hsResolving, s.options.host);
    auto addresses = TcpTransport::resolve(s.options.host, s.options.port);
    if (s.abortWaker.triggered())
        throw AbortedError();
    s.status(ConnectionStatus::hsConnecting, addresses.front().toString());
    auto tcp = std::make_unique<TcpTransport>(s.controlWaits());
    tcp->connect(addresses, s.options.connectTimeout);
    tcp->setNoDelay();
    tcp->setIoTimeout(s.options.replyTimeout);
    s.controlPeer = tcp->peer();
    s.controlLocal = tcp->local();
    s.control = std::make_unique<ControlConnection>(std::move(tcp), s.intercept());
    s.status(ConnectionStatus::hsConnected, s.controlPeer.toString());

    // A server that accepts but never greets is as unreachable as one that does not
    // accept: the greeting gets the connect time-out. RFC 959 section 5.4: a 120
    // (ready in nnn minutes) precedes the 220, which then gets the reply time-out.
    s.control->setReplyTimeout(s.options.connectTimeout);
    for (;;) {
        Reply greeting;
        try {
            greeting = s.read();
        } catch (const SocketError& e) {
            if (e.code() == SocketError::kTimedOut)
                throw SocketError::timedOut("waiting for the server's greeting");
            throw;
        }
        s.control->setReplyTimeout(s.options.replyTimeout);
        if (greeting.code == 120)
            continue;
        if (greeting.positive())
            break;
        s.drop();
        throw ReplyError(greeting.code, greeting.text());
    }
}

void Client::login()
{
    Session& s = *m_session;
    const std::string server = s.options.host + ":" + std::to_string(s.options.port);
    try {
        if (m_tls13Server == server) {
            LoginOperation(s, true).run();
            return;
        }
        try {
            LoginOperation(s).run();
        } catch (const LoginOperation::TlsVersionRefused& e) {
            // The refusal ended the connection inside the handshake: start over.
            s.status(ConnectionStatus::hsStatusText,
                     std::string(e.what()) + "; connecting again with TLS 1.3 allowed");
            m_tls13Server = server;
            connect();
            LoginOperation(s, true).run();
        }
    } catch (const AbortedError&) {
        // Also an abort that stopped the TLS handshake.
        s.abortTaken();
        throw;
    }
}

void Client::quit() noexcept
{
    Session& s = *m_session;
    if (!s.connected())
        return;
    try {
        s.status(ConnectionStatus::hsDisconnecting);
        s.control->setReplyTimeout(std::min(s.options.replyTimeout, kQuitTimeout));
        s.command("QUIT");
        if (s.connected())
            s.control->transport().finish();
    } catch (...) {
    }
    s.drop();
}

void Client::disconnect() noexcept
{
    Session& s = *m_session;
    if (!s.connected())
        return;
    try {
        s.status(ConnectionStatus::hsDisconnecting);
    } catch (...) {
    }
    s.drop();
}

std::string Client::pwd()
{
    Reply reply = m_session->expect("PWD", {257});
    NameCodec& codec = names();
    std::string directory = codec.decodePath(parseQuotedPath(reply.text()));
    codec.setCurrentDirectory(directory);
    return directory;
}

void Client::cwd(const std::string& dir)
{
    m_session->expect("CWD " + path(dir), {200, 250});
    names().changedDirectory(dir);
}

void Client::cdup()
{
    m_session->expect("CDUP", {200, 250});
    names().changedUp();
}

std::string Client::mkd(const std::string& name)
{
    const std::string encoded = path(name);
    Reply reply = m_session->expect("MKD " + encoded, {257});
    NameCodec& codec = names();
    codec.created(name, encoded);
    try {
        return codec.decodePath(parseQuotedPath(reply.text()));
    } catch (const ProtocolError&) {
        return name; // the directory was made; some servers just do not say where
    }
}

void Client::rmd(const std::string& name)
{
    m_session->expect("RMD " + path(name), {250});
    names().removed(name, true);
}

void Client::dele(const std::string& name)
{
    m_session->expect("DELE " + path(name), {250});
    names().removed(name, false);
}

void Client::rename(const std::string& from, const std::string& to)
{
    const std::string source = path(from);
    const std::string target = path(to);
    m_session->expect("RNFR " + source, {350});
    m_session->expect("RNTO " + target, {250});
    NameCodec& codec = names();
    codec.removed(from, true);
    codec.created(to, target);
}

Reply Client::site(const std::string& text)
{
    return m_session->expect("SITE " + text, {200});
}

Reply Client::site(const std::string& command, const std::string& argument, const std::string& name)
{
    return m_session->expect("SITE " + command + " " + argument + " " + path(name), {200});
}

bool Client::knowsName(const std::string& p)
{
    return names().knows(p);
}

void Client::learnNames(const std::string& p)
{
    NameCodec& codec = names();
    if (!codec.resolve(p)) {
        try {
            pwd(); // a relative path: where it starts
        } catch (const ReplyError&) {
            return;
        }
    }
    std::optional<std::string> previous;
    while (std::optional<std::string> directory = codec.nextDirectoryToLearn(p)) {
        if (directory == previous)
            return; // listed, and the name still unsettled: nothing more to learn
        previous = directory;
        std::string raw;
        try {
            raw = listRaw(*directory);
        } catch (const ReplyError&) {
            return; // not there (yet): what is below it goes as new names
        }
        ListingParseResult parsed = parseListing(raw);
        if (parsed.unparseable)
            return;
        codec.decodeListing(parsed.entries, *directory, true);
    }
}

void Client::noop()
{
    m_session->expect("NOOP", {200});
}

Reply Client::raw(const std::string& line)
{
    Reply reply = m_session->command(line);
    std::string upper = line;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // A directory changed behind the codec's back: relative names cannot be placed.
    const std::string verb = commandVerb(upper);
    if (verb == "CWD" || verb == "XCWD" || verb == "CDUP" || verb == "XCUP" || verb == "REIN" ||
        verb == "USER")
        names().forgetCurrentDirectory();
    if (reply.positive() && upper.rfind("TYPE ", 0) == 0) {
        if (upper.compare(5, std::string::npos, "A") == 0 || upper.rfind("TYPE A ", 0) == 0)
            m_session->transferType = TransferType::Ascii;
        else if (upper.compare(5, std::string::npos, "I") == 0 ||
                 upper.compare(5, std::string::npos, "L 8") == 0)
            m_session->transferType = TransferType::Binary;
    }
    return reply;
}

void Client::setType(TransferType type)
{
    m_session->expect(type == TransferType::Ascii ? "TYPE A" : "TYPE I", {200});
    m_session->transferType = type;
}

std::optional<std::int64_t> Client::size(const std::string& name)
{
    if (!m_session->features.has("SIZE"))
        return std::nullopt;
    Reply reply = m_session->command("SIZE " + path(name));
    if (reply.code != 213)
        return std::nullopt;
    return parseDecimal(reply.text());
}

bool Client::resumeSupported()
{
    Session& s = *m_session;
    if (!s.restSupported) {
        Reply reply = s.command("REST 1");
        const bool yes = reply.code == 350;
        if (yes)
            s.command("REST 0"); // so the marker does not apply to the next transfer
        s.restSupported = yes;
    }
    return *s.restSupported;
}

std::string Client::listRaw(const std::optional<std::string>& name)
{
    TransferOperation::Request request;
    request.command = name ? "LIST " + path(*name) : "LIST";
    request.reportWork = false;
    ListingSink sink(m_session->options);
    TransferOperation(*m_session, request).download(sink);
    return std::move(sink.bytes);
}

std::vector<ListingEntry> Client::list(const std::optional<std::string>& name)
{
    NameCodec& codec = names();
    const std::optional<std::string> target = name ? codec.resolve(*name) : codec.currentDirectory();
    const std::string raw = listRaw(name);
    ListingParseResult parsed = parseListing(raw);
    if (parsed.unparseable)
        throw ProtocolError("The server's directory listing could not be read", false);
    std::optional<std::string> directory = target;
    if (name && target && parsed.entries.size() == 1 && !parsed.entries.front().isDirectory() &&
        NameCodec::decodeText(parsed.entries.front().name) == lastPart(*target)) {
        directory = parentPath(*target); // the listing of one file: it is in the directory above
    }
    // Only a plain LIST is sure to hold every entry: one of a path may glob or filter.
    codec.decodeListing(parsed.entries, directory, !name);
    return std::move(parsed.entries);
}

std::int64_t Client::retrieve(const std::string& remote, DataSink& sink, std::int64_t restartAt,
                              std::optional<std::int64_t> size)
{
    TransferOperation::Request request;
    request.command = "RETR " + path(remote);
    request.sizeQuery = request.command.substr(5);
    request.restartAt = restartAt;
    request.totalSize = size;
    return TransferOperation(*m_session, request).download(sink);
}

std::int64_t Client::retrieve(const std::string& remote, const std::string& localPath, std::int64_t restartAt,
                              std::optional<std::int64_t> size)
{
    FileSink sink(localPath, restartAt);
    sink.check();
    return retrieve(remote, sink, restartAt, size);
}

std::int64_t Client::store(DataSource& source, const std::string& remote, StoreMode mode, std::int64_t offset)
{
    TransferOperation::Request request;
    request.direction = TransferDirection::Upload;
    const std::string encoded = path(remote);
    request.command = (mode == StoreMode::Append ? "APPE " : "STOR ") + encoded;
    request.restartAt = mode == StoreMode::Restart ? offset : 0;
    const std::int64_t sent = TransferOperation(*m_session, request).upload(source);
    names().created(remote, encoded);
    return sent;
}

std::int64_t Client::store(const std::string& localPath, const std::string& remote, StoreMode mode,
                           std::int64_t offset)
{
    FileSource source(localPath, mode == StoreMode::Replace ? 0 : offset);
    return store(source, remote, mode, offset);
}

void Client::killDataChannel()
{
    if (m_session->inTransfer)
        m_session->killRequested = true;
}

void Client::abortTransfer() noexcept
{
    m_session->dataWaker.trigger();
}

void Client::abort() noexcept
{
    m_session->abortWaker.trigger();
}

void Client::clearAbort() noexcept
{
    m_session->abortWaker.reset();
}

void Client::clearAbortTransfer() noexcept
{
    m_session->dataWaker.reset();
}

} // namespace ftp
