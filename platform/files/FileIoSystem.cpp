#include "FileIoSystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fileio {

int OpenRetrying(const char* path, int flags, mode_t mode)
{
    int fd = -1;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, std::string_view bytes)
{
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO; // a device that takes nothing and says nothing
            return false;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SyncFile(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL;
}

bool CloseChecked(int fd)
{
    return ::close(fd) == 0 || errno == EINTR; // after EINTR the descriptor is closed on Linux
}

void SyncFolder(const QString& folder)
{
    const int fd =
        OpenRetrying(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool ReadAllFrom(int fd, std::string& bytes)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

EFileError ErrorFor(int error, const QString& path)
{
    if (error != ENOENT)
        return FileErrorFromErrno(error);
    return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? EFileError::NotFound
                                                             : EFileError::BadPath;
}

} // namespace fileio
