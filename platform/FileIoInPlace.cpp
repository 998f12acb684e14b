#include "FileIoInPlace.h"

#include "FileIoSystem.h"
#include "StateFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace fileio;

namespace {

// Makes the open file `fd` hold exactly `bytes`, on the disk.
bool OverwriteWith(int fd, std::string_view bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && SyncFile(fd);
}

// A new backup of `old` in the state folder; empty when none can be made.
QString MakeBackup(const QString& targetPath, std::string_view old)
{
    const QString backupFolder = StateFolder();
    for (int attempt = 0; attempt < 100 && !backupFolder.isEmpty(); ++attempt) {
        const QString candidate = backupFolder + u'/' + QFileInfo(targetPath).fileName() + u'.' +
                                  QString::number(QRandomGenerator::global()->generate(), 16) +
                                  QStringLiteral(".backup");
        const EFileError made = CreateNewFile(candidate, old);
        if (made == EFileError::None)
            return candidate;
        if (made != EFileError::AccessDenied || !QFileInfo::exists(candidate))
            break; // not a name taken already: no backup can be made there
    }
    return {};
}

} // namespace

EFileError WriteInPlace(const QString& targetPath, std::string_view bytes, int folderError)
{
    const QByteArray native = QFile::encodeName(targetPath);
    const int fd = OpenRetrying(native.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return ErrorFor(errno, targetPath);
    std::string old;
    if (!ReadAllFrom(fd, old)) {
        const int error = errno;
        ::close(fd);
        return ErrorFor(error, targetPath);
    }
    const QString backup = MakeBackup(targetPath, old);
    if (backup.isEmpty()) {
        ::close(fd);
        return ErrorFor(folderError, targetPath);
    }
    int error = 0;
    int restoreFd = fd;
    if (OverwriteWith(fd, bytes)) {
        if (CloseChecked(fd)) {
            QFile::remove(backup);
            return EFileError::None;
        }
        error = errno; // the close reported a failed write, and the descriptor is gone
        restoreFd = OpenRetrying(native.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    } else {
        error = errno;
    }
    if (restoreFd >= 0) {
        if (OverwriteWith(restoreFd, old))
            QFile::remove(backup);
        ::close(restoreFd);
    }
    return ErrorFor(error, targetPath);
}
