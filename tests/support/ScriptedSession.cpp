#include "support/ScriptedSession.h"

#include <algorithm>
#include <cctype>
#include <map>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>

#include "support/ScriptedFtpServer.h"

namespace testsupport {

namespace {

constexpr std::size_t kMaxCommandLine = 64 * 1024;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// "code text" or, for a text of several lines, an RFC 959 multi-line reply whose
// middle lines go out as they stand.
std::string formatReply(int code, std::string_view text)
{
    const std::string number = std::to_string(code);
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak == std::string_view::npos) {
        return number + " " + std::string(text) + "\r\n";
    }
    const std::size_t lastBreak = text.rfind('\n');
    std::string result = number + "-" + std::string(text.substr(0, firstBreak)) + "\r\n";
    std::size_t start = firstBreak + 1;
    while (start <= lastBreak) {
        const std::size_t end = text.find('\n', start);
        result += std::string(text.substr(start, end - start)) + "\r\n";
        start = end + 1;
    }
    return result + number + " " + std::string(text.substr(lastBreak + 1)) + "\r\n";
}

int codeOf(const Override& scripted)
{
    if (scripted.code != 0) {
        return scripted.code;
    }
    const std::string& raw = scripted.raw;
    if (raw.size() >= 3 &&
        std::all_of(raw.begin(), raw.begin() + 3, [](unsigned char c) { return std::isdigit(c); })) {
        return std::stoi(raw.substr(0, 3));
    }
    return 0;
}

} // namespace

ScriptedSession::ScriptedSession(ScriptedFtpServer& server, int id, int fd)
    : m_server(server)
    , m_id(id)
    , m_control(fd, server.stopFd())
    , m_data(server.stopFd())
{
    socklen_t length = sizeof m_localAddress;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&m_localAddress), &length);
}

void ScriptedSession::run()
{
    std::optional<Override> greeting = m_server.takeOverride(m_id, "", "");
    if (greeting && (greeting->code != 0 || !greeting->raw.empty() || greeting->close)) {
        sendScripted(*greeting);
    } else {
        m_modifiers = greeting;
        reply(220, "Scripted FTP server ready.");
    }
    while (!m_closing) {
        std::optional<std::string> line = readLine();
        if (!line) {
            break;
        }
        m_server.recordCommand(m_id, *line);
        const std::size_t space = line->find(' ');
        const std::string verb = upper(line->substr(0, space));
        dispatch(verb, space == std::string::npos ? std::string() : line->substr(space + 1));
    }
    m_lingering.reset();
    m_data.reset();
    m_control.close();
}

std::optional<std::string> ScriptedSession::readLine()
{
    for (;;) {
        const std::size_t end = m_input.find('\n');
        if (end != std::string::npos) {
            std::string line = m_input.substr(0, end);
            m_input.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (m_input.size() > kMaxCommandLine) {
            send("500 Command line too long.\r\n");
            return std::nullopt;
        }
        char buffer[4096];
        const long n = m_control.read(buffer, sizeof buffer);
        if (n <= 0) {
            return std::nullopt;
        }
        m_input.append(buffer, static_cast<std::size_t>(n));
    }
}

bool ScriptedSession::abortPending()
{
    while (m_control.readable()) {
        char buffer[4096];
        const long n = m_control.read(buffer, sizeof buffer, 0);
        if (n == -2) {
            break;
        }
        if (n <= 0) {
            m_closing = true;
            return true;
        }
        m_input.append(buffer, static_cast<std::size_t>(n));
    }
    for (std::size_t start = 0, end; (end = m_input.find('\n', start)) != std::string::npos;
         start = end + 1) {
        if (upper(m_input.substr(start, 4)) == "ABOR") {
            return true;
        }
    }
    return false;
}

bool ScriptedSession::pause(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0) {
        return true;
    }
    pollfd stop = {m_server.stopFd(), POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

void ScriptedSession::send(std::string_view bytes, std::chrono::milliseconds byteDelay)
{
    if (bytes.empty()) {
        return;
    }
    m_server.recordReply(m_id, bytes);
    if (byteDelay.count() <= 0) {
        m_control.write(bytes);
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if ((i > 0 && !pause(byteDelay)) || !m_control.write(bytes.substr(i, 1))) {
            return;
        }
    }
}

void ScriptedSession::reply(int code, std::string_view text)
{
    std::optional<Override> modifiers = std::move(m_modifiers);
    m_modifiers.reset();
    if (!modifiers) {
        send(formatReply(code, text));
        return;
    }
    pause(modifiers->delay);
    send(formatReply(code, text) + modifiers->trailing, modifiers->byteDelay);
    for (const Chunk& chunk : modifiers->followUp) {
        pause(chunk.after);
        send(chunk.bytes);
    }
}

void ScriptedSession::sendScripted(const Override& scripted)
{
    pause(scripted.delay);
    std::string bytes = scripted.raw;
    if (bytes.empty() && scripted.code != 0) {
        bytes = formatReply(scripted.code, scripted.text);
    }
    send(bytes + scripted.trailing, scripted.byteDelay);
    for (const Chunk& chunk : scripted.followUp) {
        pause(chunk.after);
        send(chunk.bytes);
    }
    if (scripted.close) {
        m_closing = true;
        m_control.close();
    }
}

void ScriptedSession::afterScripted(const std::string& verb, const std::string& argument, int code)
{
    if (m_closing) {
        return;
    }
    if ((verb == "USER" || verb == "PASS") && code / 100 == 2) {
        m_loggedIn = true;
    } else if (verb == "USER" && code / 100 == 3) {
        m_userGiven = true;
        m_user = argument;
    } else if (verb == "AUTH" && (code == 234 || code == 334)) {
        startTls();
    } else if (verb == "PROT" && code / 100 == 2) {
        m_protectData = upper(argument) == "P";
    } else if (verb == "QUIT") {
        m_closing = true;
    }
}

bool ScriptedSession::loginRequired(const std::string& verb)
{
    static const char* const open[] = {"USER", "PASS", "AUTH", "PBSZ", "PROT", "FEAT",
                                       "SYST", "QUIT", "NOOP", "OPTS", "HELP"};
    return !m_loggedIn && std::find(std::begin(open), std::end(open), verb) == std::end(open);
}

void ScriptedSession::dispatch(const std::string& verb, const std::string& argument)
{
    std::optional<Override> scripted = m_server.takeOverride(m_id, verb, argument);
    if (scripted && (scripted->code != 0 || !scripted->raw.empty() || scripted->close)) {
        sendScripted(*scripted);
        afterScripted(verb, argument, codeOf(*scripted));
        return;
    }
    m_modifiers = std::move(scripted);
    const Handler handler = handlerFor(verb);
    if (handler == nullptr) {
        reply(500, "Unknown command.");
    } else if (loginRequired(verb)) {
        reply(530, "Please login with USER and PASS.");
    } else {
        (this->*handler)(argument);
    }
    m_modifiers.reset();
}

ScriptedSession::Handler ScriptedSession::handlerFor(const std::string& verb)
{
    static const std::map<std::string, Handler> handlers = {
        {"USER", &ScriptedSession::cmdUser}, {"PASS", &ScriptedSession::cmdPass},
        {"AUTH", &ScriptedSession::cmdAuth}, {"PBSZ", &ScriptedSession::cmdPbsz},
        {"PROT", &ScriptedSession::cmdProt}, {"FEAT", &ScriptedSession::cmdFeat},
        {"OPTS", &ScriptedSession::cmdOpts}, {"SYST", &ScriptedSession::cmdSyst},
        {"TYPE", &ScriptedSession::cmdType}, {"MODE", &ScriptedSession::cmdMode},
        {"STRU", &ScriptedSession::cmdStru}, {"REST", &ScriptedSession::cmdRest},
        {"NOOP", &ScriptedSession::cmdNoop}, {"QUIT", &ScriptedSession::cmdQuit},
        {"ABOR", &ScriptedSession::cmdAbor}, {"PASV", &ScriptedSession::cmdPasv},
        {"EPSV", &ScriptedSession::cmdEpsv}, {"PORT", &ScriptedSession::cmdPort},
        {"EPRT", &ScriptedSession::cmdEprt}, {"PWD", &ScriptedSession::cmdPwd},
        {"XPWD", &ScriptedSession::cmdPwd},  {"CWD", &ScriptedSession::cmdCwd},
        {"CDUP", &ScriptedSession::cmdCdup}, {"MKD", &ScriptedSession::cmdMkd},
        {"RMD", &ScriptedSession::cmdRmd},   {"DELE", &ScriptedSession::cmdDele},
        {"RNFR", &ScriptedSession::cmdRnfr}, {"RNTO", &ScriptedSession::cmdRnto},
        {"SITE", &ScriptedSession::cmdSite}, {"SIZE", &ScriptedSession::cmdSize},
        {"MDTM", &ScriptedSession::cmdMdtm}, {"MLST", &ScriptedSession::cmdMlst},
        {"LIST", &ScriptedSession::cmdList}, {"NLST", &ScriptedSession::cmdNlst},
        {"MLSD", &ScriptedSession::cmdMlsd}, {"RETR", &ScriptedSession::cmdRetr},
        {"STOR", &ScriptedSession::cmdStor}, {"APPE", &ScriptedSession::cmdAppe},
    };
    auto it = handlers.find(verb);
    return it == handlers.end() ? nullptr : it->second;
}

void ScriptedSession::cmdUser(const std::string& argument)
{
    if (m_server.settings().requireTlsForLogin && !m_control.tlsActive()) {
        reply(530, "Non-anonymous sessions must use encryption.");
        return;
    }
    m_user = argument;
    m_userGiven = true;
    m_loggedIn = false;
    reply(331, "Please specify the password.");
}

void ScriptedSession::cmdPass(const std::string& argument)
{
    if (!m_userGiven) {
        reply(503, "Login with USER first.");
        return;
    }
    const ServerSettings settings = m_server.settings();
    m_userGiven = false;
    if (settings.user.empty() || (m_user == settings.user && argument == settings.password)) {
        m_loggedIn = true;
        reply(230, "Login successful.");
    } else {
        reply(530, "Login incorrect.");
    }
}

void ScriptedSession::cmdAuth(const std::string& argument)
{
    const std::string kind = upper(argument);
    if (m_control.tlsActive()) {
        reply(503, "Already using TLS.");
    } else if (kind == "TLS" || kind == "SSL" || kind == "TLS-C") {
        reply(234, "Proceed with negotiation.");
        startTls();
    } else {
        reply(504, "Unknown AUTH type.");
    }
}

void ScriptedSession::startTls()
{
    if (!m_control.startTls(m_server.tlsContext(), 10000)) {
        m_closing = true;
    }
}

void ScriptedSession::cmdPbsz(const std::string&)
{
    m_control.tlsActive() ? reply(200, "PBSZ set to 0.") : reply(503, "PBSZ needs a secure connection.");
}

void ScriptedSession::cmdProt(const std::string& argument)
{
    const std::string level = upper(argument);
    if (!m_control.tlsActive()) {
        reply(503, "PROT needs a secure connection.");
    } else if (level == "P" || level == "C") {
        m_protectData = level == "P";
        reply(200, m_protectData ? "PROT now Private." : "PROT now Clear.");
    } else {
        reply(504, "PROT level not supported.");
    }
}

void ScriptedSession::cmdFeat(const std::string&)
{
    std::string text = "Features:\n";
    for (const std::string& line : m_server.settings().features) {
        text += " " + line + "\n";
    }
    reply(211, text + "End");
}

void ScriptedSession::cmdOpts(const std::string& argument)
{
    const std::string option = upper(argument);
    option == "UTF8 ON" || option == "UTF8" ? reply(200, "Always in UTF8 mode.")
                                            : reply(501, "Option not understood.");
}

void ScriptedSession::cmdSyst(const std::string&)
{
    reply(215, "UNIX Type: L8");
}

void ScriptedSession::cmdType(const std::string& argument)
{
    const std::string type = upper(argument);
    if (type == "A" || type == "A N") {
        m_type = 'A';
        reply(200, "Switching to ASCII mode.");
    } else if (type == "I" || type == "L 8") {
        m_type = 'I';
        reply(200, "Switching to Binary mode.");
    } else {
        reply(504, "Bad TYPE command.");
    }
}

void ScriptedSession::cmdMode(const std::string& argument)
{
    upper(argument) == "S" ? reply(200, "Mode set to S.") : reply(504, "Bad MODE command.");
}

void ScriptedSession::cmdStru(const std::string& argument)
{
    upper(argument) == "F" ? reply(200, "Structure set to F.") : reply(504, "Bad STRU command.");
}

void ScriptedSession::cmdRest(const std::string& argument)
{
    if (argument.empty() || argument.size() > 18 ||
        !std::all_of(argument.begin(), argument.end(), [](unsigned char c) { return std::isdigit(c); })) {
        reply(501, "Bad REST argument.");
        return;
    }
    m_restart = std::stoll(argument);
    reply(350, "Restart position accepted (" + argument + ").");
}

void ScriptedSession::cmdNoop(const std::string&)
{
    reply(200, "NOOP ok.");
}

void ScriptedSession::cmdQuit(const std::string&)
{
    reply(221, "Goodbye.");
    m_closing = true;
}

void ScriptedSession::cmdAbor(const std::string&)
{
    m_data.reset();
    reply(226, "ABOR successful.");
}

void ScriptedSession::cmdPasv(const std::string&)
{
    if (m_localAddress.ss_family != AF_INET) {
        reply(425, "Use EPSV over IPv6.");
        return;
    }
    const std::uint16_t port = m_data.listen(m_localAddress);
    std::string address = m_server.settings().pasvReplyAddress;
    if (address.empty()) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&m_localAddress)->sin_addr, text, sizeof text);
        address = text;
    }
    std::replace(address.begin(), address.end(), '.', ',');
    if (port == 0) {
        reply(425, "Cannot open passive connection.");
        return;
    }
    reply(227, "Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
                   std::to_string(port % 256) + ").");
}

void ScriptedSession::cmdEpsv(const std::string& argument)
{
    if (upper(argument) == "ALL") {
        reply(200, "EPSV ALL ok.");
        return;
    }
    const std::uint16_t port = m_data.listen(m_localAddress);
    port == 0 ? reply(425, "Cannot open passive connection.")
              : reply(229, "Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
}

void ScriptedSession::cmdPort(const std::string& argument)
{
    int n[6] = {};
    char tail = 0;
    if (std::sscanf(argument.c_str(), "%d,%d,%d,%d,%d,%d%c", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5],
                    &tail) != 6 ||
        std::any_of(std::begin(n), std::end(n), [](int v) { return v < 0 || v > 255; })) {
        reply(501, "Illegal PORT command.");
        return;
    }
    const std::string host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) +
                             "." + std::to_string(n[3]);
    m_data.setActive(host, static_cast<std::uint16_t>(n[4] * 256 + n[5]))
        ? reply(200, "PORT command successful.")
        : reply(501, "Illegal PORT command.");
}

void ScriptedSession::cmdEprt(const std::string& argument)
{
    // RFC 2428: EPRT <d><proto><d><address><d><port><d>
    if (argument.size() < 7) {
        reply(501, "Illegal EPRT command.");
        return;
    }
    const char d = argument[0];
    const std::size_t a = argument.find(d, 1);
    const std::size_t b = a == std::string::npos ? a : argument.find(d, a + 1);
    const std::size_t c = b == std::string::npos ? b : argument.find(d, b + 1);
    if (c == std::string::npos || c + 1 != argument.size()) {
        reply(501, "Illegal EPRT command.");
        return;
    }
    const std::string protocol = argument.substr(1, a - 1);
    const std::string port = argument.substr(b + 1, c - b - 1);
    if (protocol != "1" && protocol != "2") {
        reply(522, "Network protocol not supported, use (1,2)");
        return;
    }
    const long number = port.empty() || port.size() > 5 ? 0 : std::strtol(port.c_str(), nullptr, 10);
    number <= 0 || number > 65535 ||
            !m_data.setActive(argument.substr(a + 1, b - a - 1), static_cast<std::uint16_t>(number))
        ? reply(501, "Illegal EPRT command.")
        : reply(200, "EPRT command successful.");
}

std::string ScriptedSession::path(const std::string& argument) const
{
    return MemoryFileSystem::normalize(m_cwd, argument);
}

} // namespace testsupport
