#include "ftp/NameCodec.h"

#include <cstdint>

#include "ftp/FtpError.h"

namespace ftp {

namespace {

std::string joined(const std::string& directory, std::string_view part)
{
    if (directory.empty() || directory.back() == '/')
        return directory + std::string(part);
    return directory + "/" + std::string(part);
}

std::optional<std::string> parentOf(const std::string& directory)
{
    const std::size_t slash = directory.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt; // not a path we can take apart
    if (slash == 0)
        return std::string("/");
    return directory.substr(0, slash);
}

// The directory that `part`, below `directory`, names.
std::optional<std::string> child(const std::optional<std::string>& directory, std::string_view part)
{
    if (!directory)
        return std::nullopt;
    if (part.empty() || part == ".")
        return directory;
    if (part == "..")
        return parentOf(*directory);
    return joined(*directory, part);
}

// Calls f(directory, part, last) for every '/'-separated part of `path`, with the
// directory the part is in: "/" for the first part of an absolute path, `base`
// (nullopt: not known) for that of a relative one.
template <class F>
void forEachPart(std::string_view path, std::optional<std::string> directory, F&& f)
{
    std::size_t start = 0;
    if (!path.empty() && path.front() == '/') {
        directory = "/";
        start = 1;
    }
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const bool last = slash == std::string_view::npos;
        const std::string_view part = path.substr(start, last ? std::string_view::npos : slash - start);
        f(directory, part, last);
        if (last)
            return;
        directory = child(directory, part);
        start = slash + 1;
    }
}

std::string_view lastPart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string decodePart(std::string_view raw)
{
    return NameCodec::isValidUtf8(raw) ? std::string(raw) : NameCodec::latin1ToUtf8(raw);
}

NameForms formOf(std::string_view raw)
{
    return NameCodec::isValidUtf8(raw) ? kUtf8Form : kLatin1Form;
}

} // namespace

bool NameCodec::isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}

std::string NameCodec::latin1ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> NameCodec::utf8ToLatin1(std::string_view s)
{
    if (!isValidUtf8(s))
        return std::nullopt;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (c == 0xC2 || c == 0xC3) { // U+0080 to U+00FF
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool NameCodec::isAscii(std::string_view s)
{
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string NameCodec::decodeText(std::string_view raw)
{
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = raw.find('/', start);
        out += decodePart(raw.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos)
            return out;
        out += '/';
        start = slash + 1;
    }
}

NameCodec::NameCodec()
    : m_memory(std::make_shared<NameMemory>())
{}

void NameCodec::attach(const std::string& host, std::uint16_t port, const std::string& user)
{
    std::string key = host + '\n' + std::to_string(port) + '\n' + user;
    if (key == m_server)
        return;
    m_server = std::move(key);
    m_memory = NameMemory::forServer(host, port, user);
    m_cwd.reset();
}

std::string NameCodec::learnPath(std::string_view raw, std::optional<std::string> base)
{
    std::string out;
    std::optional<std::string> directory = std::move(base);
    std::size_t start = 0;
    if (!raw.empty() && raw.front() == '/') {
        directory = "/";
        start = 1;
        out = "/";
    }
    for (;;) {
        const std::size_t slash = raw.find('/', start);
        const std::string_view rawPart =
            raw.substr(start, slash == std::string_view::npos ? slash : slash - start);
        const std::string part = decodePart(rawPart);
        if (!isAscii(rawPart))
            m_memory->learnName(directory.value_or(std::string()), part, formOf(rawPart));
        out += part;
        if (slash == std::string_view::npos)
            return out;
        out += '/';
        directory = child(directory, part);
        start = slash + 1;
    }
}

std::string NameCodec::decode(std::string_view raw)
{
    return learnPath(raw, std::nullopt);
}

std::string NameCodec::decodePath(std::string_view raw)
{
    return learnPath(raw, m_cwd);
}

void NameCodec::decodeListing(std::vector<ListingEntry>& entries, const std::optional<std::string>& directory,
                              bool whole)
{
    std::vector<std::pair<std::string, NameForms>> names;
    std::vector<ListingEntry*> paths; // entries named with a path: learnt part by part, after the rest
    for (ListingEntry& e : entries) {
        if (e.name.find('/') != std::string::npos) {
            paths.push_back(&e);
        } else {
            if (!isAscii(e.name))
                names.emplace_back(decodePart(e.name), formOf(e.name));
            e.name = decodePart(e.name);
        }
        e.linkTarget = decodeText(e.linkTarget);
        e.owner = decodePart(e.owner);
        e.group = decodePart(e.group);
    }
    if (whole && directory) {
        m_memory->learnListing(*directory, names);
    } else {
        for (const auto& [name, forms] : names)
            m_memory->learnName(directory.value_or(std::string()), name, forms);
    }
    for (ListingEntry* e : paths)
        e->name = learnPath(e->name, directory);
}

std::string NameCodec::encodePart(const std::optional<std::string>& directory, std::string_view part)
{
    if (isAscii(part) || !isValidUtf8(part))
        return std::string(part);
    const std::string name(part);
    const NameMemory::Found found = m_memory->find(directory.value_or(std::string()), name);
    const NameForms forms = found.here ? found.here : found.listed ? NameForms(kUtf8Form) : found.anywhere;
    if (forms == (kUtf8Form | kLatin1Form)) {
        if (found.here)
            throw ProtocolError("Two entries of " + directory.value_or("the directory") + " read as \"" +
                                    name +
                                    "\", one in UTF-8, one in Latin-1: the command was not sent, as it could "
                                    "act on the wrong one",
                                false);
        throw ProtocolError("This server spells \"" + name +
                                "\" in UTF-8 in some directories and in Latin-1 in others, and the one meant "
                                "has not been listed: the command was not sent, as it could act on the wrong "
                                "entry",
                            false);
    }
    if (forms == kLatin1Form) {
        if (std::optional<std::string> latin1 = utf8ToLatin1(part))
            return *latin1;
    }
    return name;
}

std::string NameCodec::encode(std::string_view path)
{
    std::string out = !path.empty() && path.front() == '/' ? "/" : "";
    forEachPart(path, m_cwd,
                [&](const std::optional<std::string>& directory, std::string_view part, bool last) {
                    out += encodePart(directory, part);
                    if (!last)
                        out += '/';
                });
    return out;
}

bool NameCodec::knowsPart(const std::optional<std::string>& directory, std::string_view part)
{
    if (isAscii(part) || !isValidUtf8(part))
        return true;
    if (!directory)
        return false;
    const NameMemory::Found found = m_memory->find(*directory, std::string(part));
    return found.here || found.listed;
}

bool NameCodec::knows(std::string_view path)
{
    bool all = true;
    forEachPart(path, m_cwd, [&](const std::optional<std::string>& directory, std::string_view part, bool) {
        all = all && knowsPart(directory, part);
    });
    return all;
}

std::optional<std::string> NameCodec::nextDirectoryToLearn(std::string_view path)
{
    std::optional<std::string> next;
    bool found = false;
    forEachPart(path, m_cwd, [&](const std::optional<std::string>& directory, std::string_view part, bool) {
        if (found || knowsPart(directory, part))
            return;
        found = true;
        next = directory;
    });
    return next;
}

std::pair<std::optional<std::string>, std::string> NameCodec::locate(std::string_view path) const
{
    std::pair<std::optional<std::string>, std::string> result;
    forEachPart(path, m_cwd,
                [&](const std::optional<std::string>& directory, std::string_view part, bool last) {
                    if (last)
                        result = {directory, std::string(part)};
                });
    return result;
}

std::optional<std::string> NameCodec::resolve(std::string_view path) const
{
    const auto [directory, part] = locate(path);
    return child(directory, part);
}

void NameCodec::setCurrentDirectory(const std::string& decoded)
{
    if (decoded.empty())
        m_cwd.reset();
    else if (decoded.front() == '/')
        m_cwd = resolve(decoded);
    else
        m_cwd = decoded; // the server's own notation: a key as it stands
}

void NameCodec::changedDirectory(std::string_view path)
{
    m_cwd = resolve(path);
}

void NameCodec::changedUp()
{
    if (m_cwd)
        m_cwd = parentOf(*m_cwd);
}

void NameCodec::created(std::string_view path, std::string_view encoded)
{
    const auto [directory, part] = locate(path);
    if (isAscii(part) || !isValidUtf8(part))
        return;
    const NameForms form = lastPart(encoded) == part ? kUtf8Form : kLatin1Form;
    m_memory->learnName(directory.value_or(std::string()), part, form);
}

void NameCodec::removed(std::string_view path, bool tree)
{
    const auto [directory, part] = locate(path);
    if (!isAscii(part))
        m_memory->forgetName(directory.value_or(std::string()), part);
    if (tree) {
        if (std::optional<std::string> gone = resolve(path))
            m_memory->forgetTree(*gone);
    }
}

} // namespace ftp
