#include "ftp/FileSource.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace ftp {

FileSource::FileSource(const std::string& path, std::int64_t offset)
    : m_path(path)
    , m_offset(offset)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw LocalFileError("Cannot open " + path + ": " + std::strerror(errno), errno);
    struct stat st
    {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = errno;
        ::close(m_fd);
        m_fd = -1;
        throw LocalFileError("Cannot read " + path + ": not a regular file", err);
    }
    m_size = st.st_size;
    if (offset < 0 || offset > m_size) {
        ::close(m_fd);
        m_fd = -1;
        throw LocalFileError(
            "Cannot send " + path + " from offset " + std::to_string(offset) + ": the file is shorter", 0);
    }
    if (::lseek(m_fd, offset, SEEK_SET) < 0) {
        int err = errno;
        ::close(m_fd);
        m_fd = -1;
        throw LocalFileError("Cannot position in " + path + ": " + std::strerror(err), err);
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t FileSource::read(char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) {
            m_offset += n;
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR)
            throw LocalFileError("Cannot read " + m_path + ": " + std::strerror(errno), errno);
    }
}

} // namespace ftp
