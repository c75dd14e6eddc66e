#include "ftp/NameMemory.h"

#include <algorithm>
#include <cctype>

namespace ftp {

namespace {

struct Registry
{
    std::mutex mutex;
    std::list<std::pair<std::string, std::shared_ptr<NameMemory>>> servers; // least recently used first
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

bool isBelow(const std::string& path, const std::string& directory)
{
    if (path.size() <= directory.size() || path.compare(0, directory.size(), directory) != 0)
        return false;
    return directory.back() == '/' || path[directory.size()] == '/';
}

} // namespace

std::shared_ptr<NameMemory> NameMemory::forServer(const std::string& host, std::uint16_t port,
                                                  const std::string& user)
{
    std::string key = host;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    key += '\n' + std::to_string(port) + '\n' + user;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (auto it = r.servers.begin(); it != r.servers.end(); ++it) {
        if (it->first == key) {
            r.servers.splice(r.servers.end(), r.servers, it);
            return r.servers.back().second;
        }
    }
    r.servers.emplace_back(std::move(key), std::make_shared<NameMemory>());
    // The oldest one no connection holds goes; one in use stays shared.
    for (auto it = r.servers.begin(); r.servers.size() > kMaxServers && it != std::prev(r.servers.end());) {
        if (it->second.use_count() == 1)
            it = r.servers.erase(it);
        else
            ++it;
    }
    return r.servers.back().second;
}

void NameMemory::forgetServers()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.servers.clear();
}

NameMemory::Found NameMemory::find(const std::string& directory, const std::string& name)
{
    std::lock_guard lock(m_mutex);
    Found found;
    if (auto it = m_directories.find(directory); it != m_directories.end()) {
        Directory& d = it->second;
        m_ages.splice(m_ages.end(), m_ages, d.age);
        found.listed = d.listed;
        if (auto n = d.names.find(name); n != d.names.end())
            found.here = n->second;
    }
    if (auto it = m_anywhere.find(name); it != m_anywhere.end()) {
        found.anywhere =
            static_cast<NameForms>((it->second[0] ? kUtf8Form : 0) | (it->second[1] ? kLatin1Form : 0));
    }
    return found;
}

bool NameMemory::listed(const std::string& directory) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_directories.find(directory);
    return it != m_directories.end() && it->second.listed;
}

void NameMemory::learnListing(const std::string& directory,
                              const std::vector<std::pair<std::string, NameForms>>& names)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_directories.find(directory); it != m_directories.end())
        dropLocked(it);
    Directory& d = touchLocked(directory);
    d.listed = true;
    for (const auto& [name, forms] : names) {
        if (d.names.size() >= kMaxNames && !d.names.count(name)) {
            d.listed = false; // what is missing here may well be there
            break;
        }
        addLocked(d, name, forms);
    }
    trimLocked(directory);
}

void NameMemory::learnName(const std::string& directory, const std::string& name, NameForms forms)
{
    std::lock_guard lock(m_mutex);
    addLocked(touchLocked(directory), name, forms);
    trimLocked(directory);
}

void NameMemory::forgetName(const std::string& directory, const std::string& name)
{
    std::lock_guard lock(m_mutex);
    auto it = m_directories.find(directory);
    if (it == m_directories.end())
        return;
    auto n = it->second.names.find(name);
    if (n == it->second.names.end())
        return;
    countLocked(n->first, n->second, -1);
    it->second.names.erase(n);
    --m_names;
}

void NameMemory::forgetTree(const std::string& directory)
{
    if (directory.empty())
        return;
    std::lock_guard lock(m_mutex);
    for (auto it = m_directories.begin(); it != m_directories.end();) {
        auto next = std::next(it);
        if (it->first == directory || isBelow(it->first, directory))
            dropLocked(it);
        it = next;
    }
}

std::size_t NameMemory::nameCount() const
{
    std::lock_guard lock(m_mutex);
    return m_names;
}

std::size_t NameMemory::directoryCount() const
{
    std::lock_guard lock(m_mutex);
    return m_directories.size();
}

NameMemory::Directory& NameMemory::touchLocked(const std::string& key)
{
    auto [it, inserted] = m_directories.try_emplace(key);
    if (inserted) {
        it->second.age = m_ages.insert(m_ages.end(), key);
    } else {
        m_ages.splice(m_ages.end(), m_ages, it->second.age);
    }
    return it->second;
}

void NameMemory::addLocked(Directory& directory, const std::string& name, NameForms forms)
{
    forms &= kUtf8Form | kLatin1Form;
    if (!forms)
        return;
    auto [it, inserted] = directory.names.try_emplace(name, NameForms(0));
    const NameForms added = forms & ~it->second;
    it->second |= forms;
    if (inserted)
        ++m_names;
    countLocked(name, added, +1);
}

void NameMemory::dropLocked(Directories::iterator it)
{
    for (const auto& [name, forms] : it->second.names)
        countLocked(name, forms, -1);
    m_names -= it->second.names.size();
    m_ages.erase(it->second.age);
    m_directories.erase(it);
}

void NameMemory::trimLocked(const std::string& keep)
{
    while ((m_names > kMaxNames || m_directories.size() > kMaxDirectories) && !m_ages.empty()) {
        const std::string& oldest = m_ages.front();
        if (oldest == keep) {
            if (m_ages.size() == 1)
                return;
            m_ages.splice(m_ages.end(), m_ages, m_ages.begin());
            continue;
        }
        dropLocked(m_directories.find(oldest));
    }
}

void NameMemory::countLocked(const std::string& name, NameForms forms, int delta)
{
    if (!forms)
        return;
    auto it = m_anywhere.try_emplace(name, std::array<std::uint32_t, 2>{0, 0}).first;
    for (int form = 0; form < 2; ++form) {
        if (forms & (1 << form))
            it->second[form] = delta > 0 ? it->second[form] + 1 : it->second[form] - 1;
    }
    if (it->second[0] == 0 && it->second[1] == 0)
        m_anywhere.erase(it);
}

} // namespace ftp
