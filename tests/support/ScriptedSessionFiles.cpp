#include "support/ScriptedSession.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "support/ScriptedFtpServer.h"

namespace testsupport {

namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// RFC 959 section 4.2: a double quote inside a quoted path name is doubled.
std::string quoted(const std::string& path)
{
    std::string result = "\"";
    for (char c : path) {
        result += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return result + "\"";
}

// "755" -> "rwxr-xr-x"; empty when the mode is not three or four octal digits.
std::string permissionsFromMode(const std::string& mode)
{
    if (mode.size() < 3 || mode.size() > 4 ||
        !std::all_of(mode.begin(), mode.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        return {};
    }
    std::string result;
    for (char digit : mode.substr(mode.size() - 3)) {
        const int bits = digit - '0';
        result += (bits & 4) ? 'r' : '-';
        result += (bits & 2) ? 'w' : '-';
        result += (bits & 1) ? 'x' : '-';
    }
    return result;
}

std::string withCrlf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            result += '\r';
        }
        result += text[i];
    }
    return result;
}

std::string withoutCr(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            result += text[i];
        }
    }
    return result;
}

} // namespace

void ScriptedSession::cmdPwd(const std::string&)
{
    reply(257, quoted(m_cwd) + " is the current directory");
}

void ScriptedSession::cmdCwd(const std::string& argument)
{
    const std::string target = path(argument);
    if (argument.empty() || !m_server.fs().isDirectory(target)) {
        reply(550, "Failed to change directory.");
        return;
    }
    m_cwd = target;
    reply(250, "Directory successfully changed.");
}

void ScriptedSession::cmdCdup(const std::string&)
{
    m_cwd = MemoryFileSystem::parentOf(m_cwd);
    reply(250, "Directory successfully changed.");
}

void ScriptedSession::cmdMkd(const std::string& argument)
{
    const std::string target = path(argument);
    !argument.empty() && m_server.fs().makeDirectory(target)
        ? reply(257, quoted(target) + " created")
        : reply(550, "Create directory operation failed.");
}

void ScriptedSession::cmdRmd(const std::string& argument)
{
    !argument.empty() && m_server.fs().removeDirectory(path(argument))
        ? reply(250, "Remove directory operation successful.")
        : reply(550, "Remove directory operation failed.");
}

void ScriptedSession::cmdDele(const std::string& argument)
{
    !argument.empty() && m_server.fs().removeFile(path(argument)) ? reply(250, "Delete operation successful.")
                                                                  : reply(550, "Delete operation failed.");
}

void ScriptedSession::cmdRnfr(const std::string& argument)
{
    m_renameFrom.clear();
    if (argument.empty() || !m_server.fs().exists(path(argument))) {
        reply(550, "RNFR command failed.");
        return;
    }
    m_renameFrom = path(argument);
    reply(350, "Ready for RNTO.");
}

void ScriptedSession::cmdRnto(const std::string& argument)
{
    const std::string from = std::exchange(m_renameFrom, {});
    if (from.empty()) {
        reply(503, "RNFR required first.");
        return;
    }
    !argument.empty() && m_server.fs().rename(from, path(argument)) ? reply(250, "Rename successful.")
                                                                    : reply(550, "Rename failed.");
}

void ScriptedSession::cmdSite(const std::string& argument)
{
    // SITE CHMOD mode path, SITE CHOWN owner path, SITE CHGRP group path.
    const std::size_t first = argument.find(' ');
    const std::size_t second = first == std::string::npos ? first : argument.find(' ', first + 1);
    const std::string command = upper(argument.substr(0, first));
    if (command != "CHMOD" && command != "CHOWN" && command != "CHGRP") {
        reply(500, "Unknown SITE command.");
        return;
    }
    if (second == std::string::npos || second + 1 >= argument.size()) {
        reply(501, "SITE " + command + " needs two arguments.");
        return;
    }
    const std::string value = argument.substr(first + 1, second - first - 1);
    const std::string target = path(argument.substr(second + 1));
    if (!m_server.fs().exists(target)) {
        reply(550, "SITE " + command + " command failed.");
        return;
    }
    if (command == "CHMOD") {
        const std::string permissions = permissionsFromMode(value);
        if (permissions.empty()) {
            reply(501, "Bad mode.");
            return;
        }
        m_server.fs().setPermissions(target, permissions);
    } else {
        m_server.fs().update(target,
                             [&](FsNode& node) { (command == "CHOWN" ? node.owner : node.group) = value; });
    }
    reply(200, "SITE " + command + " command ok.");
}

void ScriptedSession::cmdSize(const std::string& argument)
{
    const std::optional<std::string> file = m_server.fs().resolveFile(path(argument));
    file ? reply(213, std::to_string(m_server.fs().content(*file)->size()))
         : reply(550, "Could not get file size.");
}

void ScriptedSession::cmdMdtm(const std::string& argument)
{
    const std::optional<FsNode> node = m_server.fs().node(path(argument));
    node && node->type == NodeType::File ? reply(213, mdtmText(node->modified))
                                         : reply(550, "Could not get file modification time.");
}

void ScriptedSession::cmdMlst(const std::string& argument)
{
    const std::string target = path(argument.empty() ? "." : argument);
    const std::optional<FsNode> node = m_server.fs().node(target);
    node ? reply(250, "Listing " + target + "\n " + mlsdLine(target, *node) + "\nEnd")
         : reply(550, "No such file or directory.");
}

void ScriptedSession::cmdList(const std::string& argument)
{
    listing(argument, 'L');
}

void ScriptedSession::cmdNlst(const std::string& argument)
{
    listing(argument, 'N');
}

void ScriptedSession::cmdMlsd(const std::string& argument)
{
    listing(argument, 'M');
}

void ScriptedSession::listing(const std::string& argument, char style)
{
    std::string rest = argument;
    // "LIST -la dir": leading options are accepted and ignored.
    while (style != 'M' && rest.starts_with('-')) {
        const std::size_t space = rest.find(' ');
        rest = space == std::string::npos ? std::string() : rest.substr(space + 1);
    }
    const std::string target = path(rest.empty() ? "." : rest);
    const MemoryFileSystem& fs = m_server.fs();
    const std::optional<FsNode> node = fs.node(target);
    if (!node || (style == 'M' && node->type != NodeType::Directory)) {
        reply(550, "No such file or directory.");
        return;
    }
    const std::optional<std::string> raw = style == 'L'   ? fs.rawListing(target)
                                           : style == 'M' ? fs.rawMlsd(target)
                                                          : std::nullopt;
    if (raw) {
        sendData(*raw);
        return;
    }
    std::vector<std::pair<std::string, FsNode>> entries;
    if (node->type == NodeType::Directory) {
        entries = fs.children(target);
    } else {
        entries.emplace_back(style == 'N' ? rest : MemoryFileSystem::nameOf(target), *node);
    }
    const std::time_t now = std::time(nullptr);
    std::string body;
    for (const auto& [name, entry] : entries) {
        body += (style == 'L'   ? unixListLine(name, entry, now)
                 : style == 'M' ? mlsdLine(name, entry)
                                : name) +
                "\r\n";
    }
    sendData(std::move(body));
}

void ScriptedSession::cmdRetr(const std::string& argument)
{
    const std::int64_t restart = std::exchange(m_restart, 0);
    const std::optional<std::string> file = m_server.fs().resolveFile(path(argument));
    if (argument.empty() || !file) {
        reply(550, "Failed to open file.");
        return;
    }
    std::string content = *m_server.fs().content(*file);
    if (restart > static_cast<std::int64_t>(content.size())) {
        reply(554, "Restart offset beyond the end of the file.");
        return;
    }
    content.erase(0, static_cast<std::size_t>(restart));
    if (m_type == 'A' && m_server.settings().asciiConversion) {
        content = withCrlf(content);
    }
    sendData(std::move(content));
}

void ScriptedSession::cmdStor(const std::string& argument)
{
    upload(argument, false);
}

void ScriptedSession::cmdAppe(const std::string& argument)
{
    upload(argument, true);
}

void ScriptedSession::upload(const std::string& argument, bool append)
{
    const std::int64_t restart = std::exchange(m_restart, 0);
    const std::string target = path(argument);
    MemoryFileSystem& fs = m_server.fs();
    if (argument.empty() || !fs.isDirectory(MemoryFileSystem::parentOf(target)) || fs.isDirectory(target)) {
        reply(553, "Could not create file.");
        return;
    }
    const bool ascii = m_type == 'A' && m_server.settings().asciiConversion;
    receiveData([&](const std::string& data) {
        const std::string stored = ascii ? withoutCr(data) : data;
        fs.write(target, append ? -1 : restart, stored);
        m_server.recordUpload(target, stored);
    });
}

} // namespace testsupport
