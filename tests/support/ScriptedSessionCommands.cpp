#include "support/ScriptedSession.h"

#include <algorithm>
#include <cctype>

#include "support/ScriptedFtpServer.h"

// The session's own commands: login, TLS, FEAT and the transfer parameters.

namespace testsupport {

namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

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

} // namespace testsupport
