#include "queue/TDownloadSink.h"

#include <cerrno>
#include <cstring>

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

TDownloadSink::TDownloadSink(std::string path, std::int64_t restartAt)
    : m_path(std::move(path))
    , m_restartAt(restartAt)
{}

TDownloadSink::~TDownloadSink()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TDownloadSink::refuseSpecialTarget(const std::string& path)
{
    struct stat st
    {};
    if (::lstat(path.c_str(), &st) != 0)
        return; // nothing there (or nothing we may look at: open() will say)
    if (!S_ISREG(st.st_mode))
        throw refusal(path, st.st_mode);
}

void TDownloadSink::open()
{
    // O_NOFOLLOW: a link put there after the check is not followed either;
    // O_NONBLOCK: opening a FIFO without a reader fails instead of hanging.
    int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    if (m_restartAt <= 0)
        flags |= O_CREAT;
    m_fd = ::open(m_path.c_str(), flags, 0666);
    if (m_fd < 0) {
        const int err = errno;
        if (err == ELOOP)
            throw refusal(m_path, S_IFLNK);
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
    if (::ftruncate(m_fd, m_restartAt > 0 ? m_restartAt : 0) != 0 ||
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
        throw fileError("Cannot write", m_path, errno);
}
