#include "ftp/FileSink.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace ftp {

namespace {

LocalFileError fileError(const std::string& what, const std::string& path, int err)
{
    return LocalFileError(what + " " + path + ": " + std::strerror(err), err);
}

} // namespace

FileSink::FileSink(std::string path, std::int64_t restartAt)
    : m_path(std::move(path))
    , m_restartAt(restartAt)
{}

FileSink::~FileSink()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void FileSink::check() const
{
    if (m_restartAt <= 0)
        return;
    struct stat st
    {};
    if (::stat(m_path.c_str(), &st) != 0)
        throw fileError("Cannot resume into", m_path, errno);
    if (st.st_size < m_restartAt)
        throw LocalFileError(
            "Cannot resume " + m_path + ": the local file holds fewer bytes than the restart offset", 0);
}

void FileSink::open()
{
    // O_NOFOLLOW: a link at the target is refused, never written through;
    // O_NONBLOCK: a FIFO without a reader fails instead of hanging the open.
    // The file is cut only once it is known to be a regular file.
    const bool resume = m_restartAt > 0;
    if (resume)
        check();
    const int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (resume ? 0 : O_CREAT);
    m_fd = ::open(m_path.c_str(), flags, 0666);
    if (m_fd < 0) {
        const int err = errno;
        if (err == ELOOP)
            throw LocalFileError("Refusing to write the download into " + m_path + ": it is a symbolic link",
                                 err);
        throw fileError(resume ? "Cannot open" : "Cannot create", m_path, err);
    }
    struct stat st
    {};
    if (::fstat(m_fd, &st) != 0)
        throw fileError("Cannot examine", m_path, errno);
    if (!S_ISREG(st.st_mode))
        throw LocalFileError("Refusing to write the download into " + m_path + ": it is not a regular file",
                             0);
    const int current = ::fcntl(m_fd, F_GETFL);
    if (current < 0 || ::fcntl(m_fd, F_SETFL, current & ~O_NONBLOCK) != 0)
        throw fileError("Cannot open", m_path, errno);
    if (::ftruncate(m_fd, resume ? m_restartAt : 0) != 0 ||
        ::lseek(m_fd, resume ? m_restartAt : 0, SEEK_SET) < 0)
        throw fileError("Cannot position in", m_path, errno);
}

void FileSink::write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        open();
    while (size > 0) {
        ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fileError("Cannot write", m_path, errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void FileSink::complete()
{
    if (m_fd < 0)
        open(); // an empty file
    if (::close(m_fd) != 0) {
        m_fd = -1;
        throw fileError("Cannot write", m_path, errno);
    }
    m_fd = -1;
}

} // namespace ftp
