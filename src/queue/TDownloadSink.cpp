#include "queue/TDownloadSink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace {

ftp::LocalFileError fileError(const std::string& what, const std::string& path, int err)
{
    return ftp::LocalFileError(what + " " + path + ": " + std::strerror(err), err);
}

const char* kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

ftp::LocalFileError refusal(const std::string& path, mode_t mode)
{
    return ftp::LocalFileError("Refusing to write the download into " + path + ": it is " + kindOf(mode), 0);
}

} // namespace

TDownloadSink::TDownloadSink(int directoryFd, std::string name, std::string path, TMode mode,
                             std::int64_t restartAt)
    : m_dirFd(::fcntl(directoryFd, F_DUPFD_CLOEXEC, 0))
    , m_name(std::move(name))
    , m_path(std::move(path))
    , m_mode(mode)
    , m_restartAt(mode == TMode::Resume ? restartAt : 0)
{
    if (m_dirFd < 0)
        throw fileError("Cannot open the directory of", m_path, errno);
}

TDownloadSink::~TDownloadSink()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.empty())
        ::unlinkat(m_dirFd, m_temporary.c_str(), 0);
    ::close(m_dirFd);
}

void TDownloadSink::openTemporary()
{
    // The old file's permissions go to its replacement (an executable stays one).
    struct stat old
    {};
    const bool haveOld =
        ::fstatat(m_dirFd, m_name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        const std::string candidate = "." + m_name + ".part-" + suffix;
        const int fd =
            ::openat(m_dirFd, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw fileError("Cannot create a temporary file beside", m_path, errno);
        }
        m_fd = fd;
        m_temporary = candidate;
        if (haveOld)
            ::fchmod(m_fd, old.st_mode & 07777);
        return;
    }
    throw ftp::LocalFileError("Cannot create a temporary file beside " + m_path, EEXIST);
}

void TDownloadSink::refuseSpecialTarget(int directoryFd, const std::string& name, const std::string& path)
{
    struct stat st
    {};
    if (::fstatat(directoryFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return; // nothing there (or nothing we may look at: open() will say)
    if (!S_ISREG(st.st_mode))
        throw refusal(path, st.st_mode);
}

void TDownloadSink::open()
{
    if (m_mode == TMode::Replace) {
        openTemporary();
        return;
    }
    // O_NOFOLLOW: a link put there after the check is not followed either;
    // O_EXCL: a new file is new, whatever appeared since the checks is left alone;
    // O_NONBLOCK: opening a FIFO without a reader fails instead of hanging.
    int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    if (m_restartAt <= 0)
        flags |= O_CREAT | O_EXCL;
    m_fd = ::openat(m_dirFd, m_name.c_str(), flags, 0666);
    if (m_fd < 0) {
        const int err = errno;
        if (err == ELOOP)
            throw refusal(m_path, S_IFLNK);
        if (err == EEXIST) {
            struct stat st
            {};
            if (::fstatat(m_dirFd, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
                throw refusal(m_path, st.st_mode);
            throw ftp::LocalFileError("Cannot create " + m_path + ": a file of that name appeared meanwhile",
                                      err);
        }
        throw fileError(m_restartAt > 0 ? "Cannot resume into" : "Cannot create", m_path, err);
    }
    struct stat st
    {};
    if (::fstat(m_fd, &st) != 0)
        throw fileError("Cannot examine", m_path, errno);
    if (!S_ISREG(st.st_mode))
        throw refusal(m_path, st.st_mode);
    if (m_restartAt > 0 && st.st_size < m_restartAt)
        throw ftp::LocalFileError(
            "Cannot resume " + m_path + ": the local file holds fewer bytes than the restart offset", 0);
    const int current = ::fcntl(m_fd, F_GETFL);
    if (current < 0 || ::fcntl(m_fd, F_SETFL, current & ~O_NONBLOCK) != 0)
        throw fileError("Cannot open", m_path, errno);
    if ((m_restartAt > 0 && ::ftruncate(m_fd, m_restartAt) != 0) ||
        ::lseek(m_fd, m_restartAt > 0 ? m_restartAt : 0, SEEK_SET) < 0)
        throw fileError("Cannot position in", m_path, errno);
}

void TDownloadSink::write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        open();
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fileError("Cannot write", m_path, errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void TDownloadSink::complete()
{
    if (m_fd < 0)
        open();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw fileError("Cannot write", m_temporary.empty() ? m_path : m_temporary, errno);
    if (m_temporary.empty())
        return;
    // The target may have turned into something else meanwhile: never rename over
    // a directory, a link or a device.
    refuseSpecialTarget(m_dirFd, m_name, m_path);
    if (::renameat(m_dirFd, m_temporary.c_str(), m_dirFd, m_name.c_str()) != 0)
        throw fileError("Cannot replace", m_path, errno);
    m_temporary.clear();
}
