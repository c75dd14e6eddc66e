#include "core/OwnerOnlyFiles.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool RestrictToOwner(QFileDevice& file)
{
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TightenDataFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
#else
    const QByteArray path = QFile::encodeName(folder);
    const int dirFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    struct stat st
    {};
    if (::fstat(dirFd, &st) == 0 && (st.st_mode & 077) != 0)
        ::fchmod(dirFd, st.st_mode & 0700);
    DIR* dir = ::fdopendir(::dup(dirFd));
    if (dir) {
        while (const dirent* entry = ::readdir(dir)) {
            // O_NOFOLLOW: a link in the folder is left as it is, and so is its target.
            const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
                ::fchmod(fd, st.st_mode & 0700 & ~0111);
            ::close(fd);
        }
        ::closedir(dir);
    }
    ::close(dirFd);
#endif
}
