#include "support/ScriptedSession.h"

#include <algorithm>
#include <cctype>
#include <map>

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
            if (m_server.settings().dropInputAfterAbor) {
                m_input.erase(end + 1);
            }
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

std::string ScriptedSession::path(const std::string& argument) const
{
    return MemoryFileSystem::normalize(m_cwd, argument);
}

} // namespace testsupport
