#include "support/MemoryFileSystem.h"

#include <cstdio>

namespace testsupport {

MemoryFileSystem::MemoryFileSystem()
{
    m_nodes["/"] = FsNode{NodeType::Directory, {}, {}, kDefaultTime, {}, "ftp", "ftp"};
}

std::string MemoryFileSystem::normalize(std::string_view cwd, std::string_view path)
{
    std::string joined =
        path.starts_with('/') ? std::string(path) : std::string(cwd) + "/" + std::string(path);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) {
        result += "/" + part;
    }
    return result.empty() ? "/" : result;
}

std::string MemoryFileSystem::parentOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string_view::npos ? "/" : std::string(path.substr(0, slash));
}

std::string MemoryFileSystem::nameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void MemoryFileSystem::addNode(std::string_view path, FsNode node)
{
    const std::string absolute = normalize("/", path);
    std::lock_guard lock(m_mutex);
    for (std::string parent = parentOf(absolute); !m_nodes.contains(parent); parent = parentOf(parent)) {
        m_nodes[parent] = FsNode{NodeType::Directory, {}, {}, node.modified, {}, "ftp", "ftp"};
    }
    m_nodes[absolute] = std::move(node);
}

void MemoryFileSystem::addDirectory(std::string_view path, std::time_t modified)
{
    addNode(path, FsNode{NodeType::Directory, {}, {}, modified, {}, "ftp", "ftp"});
}

void MemoryFileSystem::addFile(std::string_view path, std::string content, std::time_t modified)
{
    addNode(path, FsNode{NodeType::File, std::move(content), {}, modified, {}, "ftp", "ftp"});
}

void MemoryFileSystem::addSymlink(std::string_view path, std::string target, std::time_t modified)
{
    addNode(path, FsNode{NodeType::Symlink, {}, std::move(target), modified, {}, "ftp", "ftp"});
}

bool MemoryFileSystem::setPermissions(std::string_view path, std::string permissions)
{
    return update(path, [&](FsNode& node) { node.permissions = std::move(permissions); });
}

bool MemoryFileSystem::update(std::string_view path, const std::function<void(FsNode&)>& change)
{
    std::lock_guard lock(m_mutex);
    auto it = m_nodes.find(normalize("/", path));
    if (it == m_nodes.end()) {
        return false;
    }
    change(it->second);
    return true;
}

void MemoryFileSystem::setListing(std::string_view directory, std::string body)
{
    std::lock_guard lock(m_mutex);
    m_listings[normalize("/", directory)] = std::move(body);
}

void MemoryFileSystem::setMlsd(std::string_view directory, std::string body)
{
    std::lock_guard lock(m_mutex);
    m_mlsd[normalize("/", directory)] = std::move(body);
}

std::optional<FsNode> MemoryFileSystem::node(std::string_view path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_nodes.find(normalize("/", path));
    return it == m_nodes.end() ? std::nullopt : std::optional<FsNode>(it->second);
}

std::optional<std::string> MemoryFileSystem::content(std::string_view path) const
{
    const std::optional<FsNode> found = node(path);
    return found && found->type == NodeType::File ? std::optional<std::string>(found->content) : std::nullopt;
}

bool MemoryFileSystem::isDirectory(std::string_view path) const
{
    const std::optional<FsNode> found = node(path);
    return found && found->type == NodeType::Directory;
}

std::vector<std::pair<std::string, FsNode>> MemoryFileSystem::children(std::string_view directory) const
{
    const std::string dir = normalize("/", directory);
    const std::string prefix = dir == "/" ? "/" : dir + "/";
    std::vector<std::pair<std::string, FsNode>> result;
    std::lock_guard lock(m_mutex);
    for (auto it = m_nodes.lower_bound(prefix); it != m_nodes.end() && it->first.starts_with(prefix); ++it) {
        if (it->first != prefix && it->first.find('/', prefix.size()) == std::string::npos) {
            result.emplace_back(it->first.substr(prefix.size()), it->second);
        }
    }
    return result;
}

std::optional<std::string> MemoryFileSystem::resolveFile(std::string_view path) const
{
    std::string absolute = normalize("/", path);
    std::optional<FsNode> found = node(absolute);
    if (found && found->type == NodeType::Symlink) {
        absolute = normalize(parentOf(absolute), found->linkTarget);
        found = node(absolute);
    }
    return found && found->type == NodeType::File ? std::optional<std::string>(absolute) : std::nullopt;
}

std::optional<std::string> MemoryFileSystem::rawListing(std::string_view directory) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_listings.find(normalize("/", directory));
    return it == m_listings.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<std::string> MemoryFileSystem::rawMlsd(std::string_view directory) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_mlsd.find(normalize("/", directory));
    return it == m_mlsd.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool MemoryFileSystem::parentIsDirectory(const std::string& path) const
{
    auto it = m_nodes.find(parentOf(path));
    return it != m_nodes.end() && it->second.type == NodeType::Directory;
}

bool MemoryFileSystem::makeDirectory(std::string_view path)
{
    const std::string absolute = normalize("/", path);
    std::lock_guard lock(m_mutex);
    if (m_nodes.contains(absolute) || !parentIsDirectory(absolute)) {
        return false;
    }
    m_nodes[absolute] = FsNode{NodeType::Directory, {}, {}, std::time(nullptr), {}, "ftp", "ftp"};
    return true;
}

bool MemoryFileSystem::removeDirectory(std::string_view path)
{
    const std::string absolute = normalize("/", path);
    std::lock_guard lock(m_mutex);
    auto it = m_nodes.find(absolute);
    if (absolute == "/" || it == m_nodes.end() || it->second.type != NodeType::Directory) {
        return false;
    }
    auto next = std::next(it);
    if (next != m_nodes.end() && next->first.starts_with(absolute + "/")) {
        return false;
    }
    m_nodes.erase(it);
    return true;
}

bool MemoryFileSystem::removeFile(std::string_view path)
{
    std::lock_guard lock(m_mutex);
    auto it = m_nodes.find(normalize("/", path));
    if (it == m_nodes.end() || it->second.type == NodeType::Directory) {
        return false;
    }
    m_nodes.erase(it);
    return true;
}

bool MemoryFileSystem::rename(std::string_view from, std::string_view to)
{
    const std::string source = normalize("/", from);
    const std::string target = normalize("/", to);
    std::lock_guard lock(m_mutex);
    if (source == "/" || !m_nodes.contains(source) || !parentIsDirectory(target) ||
        target.starts_with(source + "/")) {
        return false;
    }
    if (auto existing = m_nodes.find(target); existing != m_nodes.end()) {
        if (existing->second.type == NodeType::Directory) {
            return false;
        }
        m_nodes.erase(existing);
    }
    // Move the node and, for a directory, everything below it.
    std::vector<std::pair<std::string, FsNode>> moved;
    for (auto it = m_nodes.find(source); it != m_nodes.end();) {
        if (it->first != source && !it->first.starts_with(source + "/")) {
            break;
        }
        moved.emplace_back(target + it->first.substr(source.size()), std::move(it->second));
        it = m_nodes.erase(it);
    }
    for (auto& [path, node] : moved) {
        m_nodes[path] = std::move(node);
    }
    return true;
}

bool MemoryFileSystem::write(std::string_view path, std::int64_t offset, std::string_view data)
{
    const std::string absolute = normalize("/", path);
    std::lock_guard lock(m_mutex);
    auto it = m_nodes.find(absolute);
    if (it == m_nodes.end()) {
        if (!parentIsDirectory(absolute)) {
            return false;
        }
        it = m_nodes.emplace(absolute, FsNode{NodeType::File, {}, {}, 0, {}, "ftp", "ftp"}).first;
    } else if (it->second.type != NodeType::File) {
        return false;
    }
    std::string& content = it->second.content;
    if (offset >= 0) {
        content.resize(static_cast<std::size_t>(offset), '\0');
    }
    content.append(data);
    it->second.modified = std::time(nullptr);
    return true;
}

std::string mdtmText(std::time_t t)
{
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

namespace {

std::string permissionsOf(const FsNode& node)
{
    if (!node.permissions.empty()) {
        return node.permissions;
    }
    switch (node.type) {
    case NodeType::Directory:
        return "rwxr-xr-x";
    case NodeType::Symlink:
        return "rwxrwxrwx";
    case NodeType::File:
        break;
    }
    return "rw-r--r--";
}

std::int64_t sizeOf(const FsNode& node)
{
    switch (node.type) {
    case NodeType::Directory:
        return 4096;
    case NodeType::Symlink:
        return static_cast<std::int64_t>(node.linkTarget.size());
    case NodeType::File:
        break;
    }
    return static_cast<std::int64_t>(node.content.size());
}

} // namespace

std::string unixListLine(const std::string& name, const FsNode& node, std::time_t now)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&node.modified, &tm);
    char when[32];
    // ls shows the year instead of the time for dates more than about six months away.
    const bool recent = node.modified <= now + 3600 && now - node.modified < 180L * 86400;
    if (recent) {
        std::snprintf(when, sizeof when, "%s %2d %02d:%02d", months[tm.tm_mon], tm.tm_mday, tm.tm_hour,
                      tm.tm_min);
    } else {
        std::snprintf(when, sizeof when, "%s %2d  %d", months[tm.tm_mon], tm.tm_mday, tm.tm_year + 1900);
    }
    const char type = node.type == NodeType::Directory ? 'd' : node.type == NodeType::Symlink ? 'l' : '-';
    char head[160];
    std::snprintf(head, sizeof head, "%c%s %4d %-8s %-8s %12lld %s ", type, permissionsOf(node).c_str(),
                  node.type == NodeType::Directory ? 2 : 1, node.owner.c_str(), node.group.c_str(),
                  static_cast<long long>(sizeOf(node)), when);
    std::string line = head + name;
    if (node.type == NodeType::Symlink) {
        line += " -> " + node.linkTarget;
    }
    return line;
}

std::string mlsdLine(const std::string& name, const FsNode& node)
{
    std::string facts;
    switch (node.type) {
    case NodeType::Directory:
        facts = "type=dir;";
        break;
    case NodeType::Symlink:
        facts = "type=OS.unix=symlink;";
        break;
    case NodeType::File:
        facts = "type=file;size=" + std::to_string(sizeOf(node)) + ";";
        break;
    }
    const std::string perms = permissionsOf(node);
    int mode = 0;
    for (char c : perms) {
        mode = mode * 2 + (c != '-' ? 1 : 0);
    }
    char octal[16];
    std::snprintf(octal, sizeof octal, "%04o", mode);
    return facts + "modify=" + mdtmText(node.modified) + ";UNIX.mode=" + octal + ";UNIX.owner=" + node.owner +
           ";UNIX.group=" + node.group + "; " + name;
}

} // namespace testsupport
