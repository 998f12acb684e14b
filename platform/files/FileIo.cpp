#include "FileIo.h"

#include "DocumentIdentity.h"
#include "FileIoInPlace.h"
#include "FileIoSystem.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifndef Q_OS_UNIX
#error "Files are read and written with POSIX calls: a port supplies FileIo.h for its own system"
#endif

using namespace fileio;

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
        return EFileError::DiskFull;
    case EFBIG: return EFileError::FileSizeLimit; // the disk may have room: the limit has not
    case ENOMEM: return EFileError::TooLarge;
    default: return EFileError::Generic;
    }
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
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
    return a == b;
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
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0 || errno == EEXIST)
        return EFileError::None;
    return FileErrorFromErrno(errno == ENOENT ? ENOTDIR : errno);
}

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

FileStamp FileStampOf(const QString& path)
{
    FileStamp stamp;
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

namespace {

// What stands at `targetPath` now decides whether it may be replaced (a writable regular file or
// nothing) and, in `old`, with which permissions.
EFileError CheckTarget(const QByteArray& nativeTarget, const QString& targetPath, struct stat& old,
                       bool& exists)
{
    exists = ::stat(nativeTarget.constData(), &old) == 0;
    if (!exists)
        return errno == ENOENT ? EFileError::None : ErrorFor(errno, targetPath);
    if (S_ISDIR(old.st_mode))
        return EFileError::AccessDenied;
    if (!S_ISREG(old.st_mode))
        return EFileError::Generic; // a device or FIFO is not turned into a file
    if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
        return ErrorFor(errno, targetPath); // a read-only file stays as it is
    return EFileError::None;
}

// Gives the new file `fd` the old file's permissions, which are the user's choice; a file system
// that cannot keep them is no reason to refuse the save. Only a privileged process may give the
// file its old owner; otherwise it belongs to this user from now on.
bool TakeOldPermissions(int fd, const struct stat& old)
{
    if (::fchmod(fd, old.st_mode & 07777) != 0 && errno != EPERM && errno != ENOTSUP)
        return false;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not permitted: see above.
    }
    return true;
}

// ".NAME." of the temporaries beside the file `name`: a name too long to take the rest
// (".XXXXXXXX.tmp" and QSettings's ".XXXXXX" after it) within 255 bytes is cut.
QString TemporaryPrefix(const QString& name)
{
    return u'.' + CutToUtf8Bytes(name, 200) + u'.';
}

} // namespace

QString TemporaryNameBeside(const QString& target)
{
    const QFileInfo info(target);
    return info.absolutePath() + u'/' + TemporaryPrefix(info.fileName()) +
           QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
}

EFileError ReplaceFile(const QString& path, std::string_view bytes)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString targetPath = ResolveFileLinks(path);
    const QByteArray nativeTarget = QFile::encodeName(targetPath);
    struct stat old
    {
    };
    bool exists = false;
    if (const EFileError refused = CheckTarget(nativeTarget, targetPath, old, exists);
        refused != EFileError::None)
        return refused;

    QByteArray tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempPath = QFile::encodeName(TemporaryNameBeside(targetPath));
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
    if ((exists && !TakeOldPermissions(fd, old)) || !WriteAll(fd, bytes) || !SyncFile(fd)) {
        const int error = errno;
        ::close(fd);
        return fail(error);
    }
    if (!CloseChecked(fd))
        return fail(errno);
    if (::rename(tempPath.constData(), nativeTarget.constData()) != 0)
        return fail(errno);
    SyncFolder(QFileInfo(targetPath).absolutePath());
    return EFileError::None;
}

EFileError CreateTemporaryBeside(const QString& target, std::string_view bytes, QString& temporary)
{
    if (target.isEmpty())
        return EFileError::BadPath;
    const QString targetPath = ResolveFileLinks(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = TemporaryNameBeside(targetPath);
        const QByteArray native = QFile::encodeName(candidate);
        const int fd =
            OpenRetrying(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return ErrorFor(errno, targetPath);
        // Not flushed to the disk: RenameOver does that once the file holds its final bytes.
        if (!WriteAll(fd, bytes)) {
            const int error = errno;
            ::close(fd);
            ::unlink(native.constData());
            return ErrorFor(error, targetPath);
        }
        if (!CloseChecked(fd)) {
            const int error = errno;
            ::unlink(native.constData());
            return ErrorFor(error, targetPath);
        }
        temporary = candidate;
        return EFileError::None;
    }
    return EFileError::Generic;
}

EFileError RenameOver(const QString& temporary, const QString& target)
{
    const QString targetPath = ResolveFileLinks(target);
    const QByteArray nativeTarget = QFile::encodeName(targetPath);
    const QByteArray nativeTemp = QFile::encodeName(temporary);
    const auto fail = [&](EFileError error) {
        ::unlink(nativeTemp.constData());
        return error;
    };
    struct stat old
    {
    };
    bool exists = false;
    if (const EFileError refused = CheckTarget(nativeTarget, targetPath, old, exists);
        refused != EFileError::None)
        return fail(refused);
    const int fd = OpenRetrying(nativeTemp.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fail(ErrorFor(errno, targetPath));
    if ((exists && !TakeOldPermissions(fd, old)) || !SyncFile(fd)) {
        const int error = errno;
        ::close(fd);
        return fail(ErrorFor(error, targetPath));
    }
    ::close(fd);
    if (::rename(nativeTemp.constData(), nativeTarget.constData()) != 0)
        return fail(ErrorFor(errno, targetPath));
    SyncFolder(QFileInfo(targetPath).absolutePath());
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

namespace {

// Whether `rest`, a name after ".NAME.", is a temporary's: 1 to 8 hexadecimal digits and ".tmp"
// (ReplaceFile's own), optionally followed by ".lock" or by "." and six letters or digits, the
// lock file and the new file that QSettings makes beside the temporary it writes.
bool IsTemporaryName(QStringView rest)
{
    const qsizetype dot = rest.indexOf(QLatin1StringView(".tmp"));
    if (dot < 1 || dot > 8)
        return false;
    for (const QChar c : rest.first(dot)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    const QStringView suffix = rest.sliced(dot + 4);
    if (suffix.isEmpty() || suffix == QLatin1StringView(".lock"))
        return true;
    if (suffix.size() != 7 || suffix[0] != u'.')
        return false;
    for (const QChar c : suffix.sliced(1)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

int RemoveStaleTemporaries(const QString& path)
{
    const QFileInfo target(ResolveFileLinks(path));
    const QDir folder = target.absoluteDir();
    const QString prefix = TemporaryPrefix(target.fileName());
    const QDateTime youngest = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    const QFileInfoList entries =
        folder.entryInfoList({prefix + QStringLiteral("*.tmp*")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (IsTemporaryName(QStringView(entry.fileName()).sliced(prefix.size())) &&
            !entry.isSymLink() && entry.lastModified().toUTC() < youngest &&
            QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}
