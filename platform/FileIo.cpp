#include "FileIo.h"

#include "StateFolder.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <utility>

// The system's codes by cause. ENOENT is a missing file, or a bad path when the file's folder is
// missing as well (the callers decide that, since it needs the path).
EFileError FileErrorFromErrno(int error)
{
    switch (error) {
    case 0: return EFileError::None;
    case ENOENT: return EFileError::NotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
#ifdef ELOOP
    case ELOOP: // links that lead round in a circle
#endif
        return EFileError::BadPath;
    case EMFILE:
    case ENFILE: return EFileError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return EFileError::AccessDenied;
    case EBADF: return EFileError::InvalidHandle;
#ifdef EMLINK
    case EMLINK: return EFileError::DirectoryFull; // the folder has as many entries as it can hold
#endif
    case ESPIPE: return EFileError::Seek;
    case EIO:
    case ENXIO: return EFileError::HardwareIo;
#ifdef ETXTBSY
    case ETXTBSY: return EFileError::SharingViolation; // a running program's file
#endif
    case EAGAIN:
#if defined(EWOULDBLOCK) && EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EDEADLK:
    case ENOLCK: return EFileError::LockViolation;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT: // the user's quota
#endif
    case EFBIG: // the process's file size limit
        return EFileError::DiskFull;
    case ENOMEM: return EFileError::TooLarge;
    default: return EFileError::Generic;
    }
}

QString ResolveFileLinks(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    QString target = info.canonicalFilePath();
    if (target.isEmpty())
        target = info.symLinkTarget(); // a link to a file not yet made
    return target.isEmpty() ? path : target;
}

bool SameFilePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

EFileError MakeFolders(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return EFileError::None;
    if (info.exists() || info.isSymLink())
        return EFileError::BadPath; // a file, or a link to nothing, where the folder would go
    const QString parent = info.absolutePath();
    if (parent == info.absoluteFilePath())
        return EFileError::BadPath;
    if (const EFileError above = MakeFolders(parent); above != EFileError::None)
        return above;
#ifdef Q_OS_WIN
    return QDir().mkdir(folder) ? EFileError::None : EFileError::AccessDenied;
#else
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0 || errno == EEXIST)
        return EFileError::None;
    return FileErrorFromErrno(errno == ENOENT ? ENOTDIR : errno);
#endif
}

namespace {

// The cause for `error` met on `path`.
EFileError ErrorFor(int error, const QString& path)
{
    if (error != ENOENT)
        return FileErrorFromErrno(error);
    return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? EFileError::NotFound
                                                             : EFileError::BadPath;
}

} // namespace

#ifdef Q_OS_WIN

// Qt's file classes tell less than the system does: the causes here are coarse.
namespace {

EFileError FromQFile(const QFileDevice& file, const QString& path)
{
    switch (file.error()) {
    case QFileDevice::NoError: return EFileError::None;
    case QFileDevice::ResourceError: return EFileError::DiskFull;
    case QFileDevice::PermissionsError: return EFileError::AccessDenied;
    case QFileDevice::PositionError: return EFileError::Seek;
    case QFileDevice::OpenError:
        return QFileInfo::exists(path) ? EFileError::AccessDenied : ErrorFor(ENOENT, path);
    default: return EFileError::Generic;
    }
}

} // namespace

EFileError ReadWholeFile(const QString& path, std::string& bytes, std::size_t maxBytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    QFile file(path);
    if (QFileInfo(path).isDir())
        return EFileError::AccessDenied;
    if (!file.open(QIODevice::ReadOnly))
        return FromQFile(file, path);
    if (static_cast<unsigned long long>(file.size()) > maxBytes)
        return EFileError::TooLarge;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FromQFile(file, path);
    bytes = data.toStdString();
    return EFileError::None;
}

bool CanReadFile(const QString& path)
{
    QFile file(path);
    return !QFileInfo(path).isDir() && file.open(QIODevice::ReadOnly);
}

// Unbuffered, so that every write reports its own failure: a buffered QSaveFile whose last write
// fails inside commit() still renames the short file over the old one.
EFileError ReplaceFile(const QString& path, std::string_view bytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString target = ResolveFileLinks(path);
    const QFileInfo info(target);
    if (info.isDir() || (info.exists() && !info.isWritable()))
        return EFileError::AccessDenied;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FromQFile(file, target);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const EFileError error = FromQFile(file, target);
        file.cancelWriting();
        return error == EFileError::None ? EFileError::Generic : error;
    }
    if (!file.commit()) {
        const EFileError error = FromQFile(file, target);
        return error == EFileError::None ? EFileError::Generic : error;
    }
    return EFileError::None;
}

EFileError CreateNewFile(const QString& path, std::string_view bytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return QFileInfo::exists(path) ? EFileError::AccessDenied : FromQFile(file, path);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const EFileError error = FromQFile(file, path);
        file.remove();
        return error == EFileError::None ? EFileError::Generic : error;
    }
    return EFileError::None;
}

SFileStamp FileStampOf(const QString& path)
{
    const QFileInfo info(path);
    SFileStamp stamp;
    stamp.exists = info.isFile();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modifiedSeconds = info.lastModified().toSecsSinceEpoch();
        stamp.modifiedNanoseconds = info.lastModified().time().msec() * 1000000LL;
    }
    return stamp;
}

// QSaveFile leaves no temporaries behind that this program would know by name.
int RemoveStaleTemporaries(const QString& /*path*/)
{
    return 0;
}

#else

namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all of `bytes`, or fails with errno telling why.
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

// fsync on a file system that cannot sync (EINVAL) has nothing to wait for.
bool SyncFile(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL;
}

// Closes `fd`; false, with errno, when the close reports an error of the writes before it.
bool CloseChecked(int fd)
{
    return ::close(fd) == 0 || errno == EINTR; // after EINTR the descriptor is closed on Linux
}

// Brings a rename in `folder` to the disk. The new content is in place already, so a failure
// here does not make the save fail.
void SyncFolder(const QString& folder)
{
    const int fd =
        OpenRetrying(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Reads `fd` from its start to its end.
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

// Makes the open file `fd` hold exactly `bytes`, on the disk.
bool OverwriteWith(int fd, std::string_view bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && SyncFile(fd);
}

// The save of a file that may be written, in a folder where no new file may be made beside it:
// the old bytes are kept in a backup in the state folder first, then the file itself is
// overwritten, so it keeps its links, mode and owner. Any failure writes the old bytes back; the
// backup goes once the file holds either whole content, and stays if even that failed.
// `folderError` is why no new file could be made, the cause reported when no backup can be.
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
    const QString backupFolder = StateFolder();
    QString backup;
    for (int attempt = 0; attempt < 100 && backup.isEmpty() && !backupFolder.isEmpty(); ++attempt) {
        const QString candidate = backupFolder + u'/' + QFileInfo(targetPath).fileName() + u'.' +
                                  QString::number(QRandomGenerator::global()->generate(), 16) +
                                  QStringLiteral(".backup");
        const EFileError made = CreateNewFile(candidate, old);
        if (made == EFileError::None)
            backup = candidate;
        else if (made != EFileError::AccessDenied || !QFileInfo::exists(candidate))
            break; // not a name taken already: no backup can be made there
    }
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

} // namespace

EFileError ReadWholeFile(const QString& path, std::string& bytes, std::size_t maxBytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    // Non-blocking, so that a FIFO put in the file's place cannot stop the program.
    const int fd = OpenRetrying(QFile::encodeName(path).constData(),
                                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return ErrorFor(errno, path);
    EFileError result = EFileError::None;
    std::string data;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0) {
        result = ErrorFor(errno, path);
    } else if (S_ISDIR(info.st_mode)) {
        result = EFileError::AccessDenied;
    } else if (!S_ISREG(info.st_mode)) {
        result = EFileError::Generic;
    } else if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result = EFileError::TooLarge;
    } else {
        data.reserve(static_cast<std::size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                result = ErrorFor(errno, path);
                break;
            }
            if (got == 0)
                break;
            if (data.size() + static_cast<std::size_t>(got) > maxBytes) {
                result = EFileError::TooLarge; // the file grew while it was read
                break;
            }
            data.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    if (result == EFileError::None)
        bytes = std::move(data);
    return result;
}

SFileStamp FileStampOf(const QString& path)
{
    SFileStamp stamp;
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode))
        return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(info.st_size);
    stamp.modifiedSeconds = static_cast<long long>(info.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<long long>(info.st_mtim.tv_nsec);
    stamp.inode = static_cast<unsigned long long>(info.st_ino);
    stamp.device = static_cast<unsigned long long>(info.st_dev);
    return stamp;
}

bool CanReadFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const int fd = OpenRetrying(QFile::encodeName(path).constData(),
                                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    const bool file = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return file;
}

EFileError ReplaceFile(const QString& path, std::string_view bytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString targetPath = ResolveFileLinks(path);
    const QFileInfo target(targetPath);
    const QString folder = target.absolutePath();
    const QByteArray nativeTarget = QFile::encodeName(targetPath);

    // What stands at the path now decides whether it may be replaced and with which permissions.
    struct stat old
    {
    };
    const bool exists = ::stat(nativeTarget.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return ErrorFor(errno, targetPath);
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return EFileError::AccessDenied;
        if (!S_ISREG(old.st_mode))
            return EFileError::Generic; // a device or FIFO is not turned into a file
        if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
            return ErrorFor(errno, targetPath); // a read-only file stays as it is
    }

    QByteArray tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempPath = QFile::encodeName(folder + QStringLiteral("/.") + target.fileName() + u'.' +
                                     QString::number(QRandomGenerator::global()->generate(), 16) +
                                     QStringLiteral(".tmp"));
        fd = OpenRetrying(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && exists && (errno == EACCES || errno == EPERM))
            return WriteInPlace(targetPath, bytes,
                                errno); // a file he may write in a folder he may not
        if (fd < 0 && errno != EEXIST)
            return ErrorFor(errno, targetPath);
    }
    if (fd < 0)
        return EFileError::Generic;

    const auto fail = [&](int error) {
        ::unlink(tempPath.constData());
        return ErrorFor(error, targetPath);
    };
    if (exists) {
        // The permissions are the user's choice; a file system that cannot keep them is no
        // reason to refuse the save. Only a privileged process may give the file its old owner.
        if (::fchmod(fd, old.st_mode & 07777) != 0 && errno != EPERM && errno != ENOTSUP) {
            const int error = errno;
            ::close(fd);
            return fail(error);
        }
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted: the file belongs to this user from now on.
        }
    }
    if (!WriteAll(fd, bytes) || !SyncFile(fd)) {
        const int error = errno;
        ::close(fd);
        return fail(error);
    }
    if (!CloseChecked(fd))
        return fail(errno);
    if (::rename(tempPath.constData(), nativeTarget.constData()) != 0)
        return fail(errno);
    SyncFolder(folder);
    return EFileError::None;
}

EFileError CreateNewFile(const QString& path, std::string_view bytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    const QByteArray native = QFile::encodeName(path);
    const int fd = OpenRetrying(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return ErrorFor(errno, path);
    if (!WriteAll(fd, bytes) || !SyncFile(fd)) {
        const int error = errno;
        ::close(fd);
        ::unlink(native.constData());
        return ErrorFor(error, path);
    }
    if (!CloseChecked(fd)) {
        const int error = errno;
        ::unlink(native.constData());
        return ErrorFor(error, path);
    }
    return EFileError::None;
}

int RemoveStaleTemporaries(const QString& path)
{
    const QFileInfo target(ResolveFileLinks(path));
    const QDir folder = target.absoluteDir();
    const QString prefix = u'.' + target.fileName() + u'.';
    const QDateTime youngest = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    const QFileInfoList entries =
        folder.entryInfoList({prefix + QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        // Exactly the names ReplaceFile gives: the prefix, 1 to 8 hexadecimal digits, ".tmp".
        const QString middle = entry.fileName().mid(prefix.size()).chopped(4);
        bool hex = !middle.isEmpty() && middle.size() <= 8;
        for (const QChar c : middle)
            hex = hex && ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'));
        if (hex && !entry.isSymLink() && entry.lastModified().toUTC() < youngest &&
            QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

#endif
