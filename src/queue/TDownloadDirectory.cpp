#include "queue/TDownloadDirectory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace {

std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

std::string joined(bool absolute, const std::vector<std::string>& parts, std::size_t count)
{
    std::string path = absolute ? "/" : "";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            path += '/';
        path += parts[i];
    }
    return path.empty() ? std::string(".") : path;
}

ftp::LocalFileError cannotCreate(const std::string& level, int err)
{
    return ftp::LocalFileError("Cannot create the local directory " + level + ": " + std::strerror(err), err);
}

ftp::LocalFileError inTheWay(const std::string& level)
{
    return ftp::LocalFileError(
        "Cannot create the local directory " + level + ": a file of that name is in the way", ENOTDIR);
}

ftp::LocalFileError linkRefused(const std::string& level)
{
    return ftp::LocalFileError(
        "Refusing the local directory " + level +
            ": it is a symbolic link, and links below the download folder are not followed",
        ELOOP);
}

// The root with its parents, made as `mkdir -p` would (following links: this
// part of the path is the user's).
int openRoot(const std::string& root, bool create)
{
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || !create || errno != ENOENT)
        return fd;
    const bool absolute = !root.empty() && root.front() == '/';
    const std::vector<std::string> parts = components(root);
    for (std::size_t i = 1; i <= parts.size(); ++i) {
        const std::string level = joined(absolute, parts, i);
        if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
            throw cannotCreate(level, errno);
    }
    return ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

TDownloadDirectory::TDownloadDirectory(int fd, std::string path)
    : m_fd(fd)
    , m_path(std::move(path))
{}

TDownloadDirectory::~TDownloadDirectory()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

TDownloadDirectory::TDownloadDirectory(TDownloadDirectory&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_path(std::move(other.m_path))
{}

TDownloadDirectory& TDownloadDirectory::operator=(TDownloadDirectory&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

TDownloadDirectory TDownloadDirectory::open(const std::string& root, const std::string& directory,
                                            bool create)
{
    const bool absolute = !root.empty() && root.front() == '/';
    const std::vector<std::string> rootParts = components(root);
    const std::vector<std::string> parts = components(directory);
    const bool below = absolute == (!directory.empty() && directory.front() == '/') &&
                       parts.size() >= rootParts.size() &&
                       std::equal(rootParts.begin(), rootParts.end(), parts.begin());
    if (!below)
        throw ftp::LocalFileError("Refusing the local directory " + directory + ": it is not inside " + root,
                                  0);
    const std::string rootPath = joined(absolute, rootParts, rootParts.size());
    int fd = openRoot(rootPath, create);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOTDIR)
            throw inTheWay(rootPath);
        throw ftp::LocalFileError("Cannot open the local directory " + rootPath + ": " + std::strerror(err),
                                  err);
    }
    TDownloadDirectory current(fd, rootPath);
    for (std::size_t i = rootParts.size(); i < parts.size(); ++i) {
        const std::string& name = parts[i];
        const std::string level = joined(absolute, parts, i + 1);
        if (name == "..")
            throw ftp::LocalFileError("Refusing the local directory " + level + ": it climbs out of " + root,
                                      0);
        int next = ::openat(current.fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(current.fd(), name.c_str(), 0777) != 0 && errno != EEXIST)
                throw cannotCreate(level, errno);
            next = ::openat(current.fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) {
            const int err = errno;
            struct stat st
            {};
            if (::fstatat(current.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(st.st_mode))
                    throw linkRefused(level);
                if (!S_ISDIR(st.st_mode))
                    throw inTheWay(level);
            }
            if (err == ENOENT)
                throw ftp::LocalFileError("The local directory " + level + " does not exist", err);
            throw ftp::LocalFileError("Cannot open the local directory " + level + ": " + std::strerror(err),
                                      err);
        }
        current = TDownloadDirectory(next, level);
    }
    current.m_path = directory;
    return current;
}
