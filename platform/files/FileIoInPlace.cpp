#include "FileIoInPlace.h"

#include "DocumentIdentity.h"

#include "FileIoSystem.h"
#include "StateFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>

using namespace fileio;

namespace {

// The backup of a save in place: this line, the file's path, the new content's size and SHA-256
// (each on a line of its own), then the old bytes. What the file holds after a kill is told
// from it: either whole content means the save did not start or did finish.
constexpr std::string_view kBackupMagic = "brunovelt in-place save 1\n";
// A sheet file is at most 1 MiB; the backup of a larger one is read all the same.
constexpr std::size_t kMaxBackupBytes = 64 * 1024 * 1024;

std::string Fingerprint(std::string_view bytes)
{
    const QByteArray hash =
        QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256)
            .toHex();
    return std::to_string(bytes.size()) + ' ' + hash.toStdString();
}

// Where the backup of a save in place of `targetPath` goes: named after the document
// (DocumentStateName), so that the next open of the file finds it by any of its names. Empty
// without a state folder.
QString BackupPath(const QString& targetPath)
{
    const QString folder = StateFolder();
    if (folder.isEmpty())
        return {};
    return folder + u'/' + DocumentStateName(targetPath) + QStringLiteral(".backup");
}

struct Backup
{
    std::string newFingerprint;
    std::string old;
};

// The backup at `backupPath` when it is one of `targetPath`.
std::optional<Backup> ReadBackup(const QString& backupPath, const QString& targetPath)
{
    std::string bytes;
    if (backupPath.isEmpty() ||
        ReadWholeFile(backupPath, bytes, kMaxBackupBytes) != EFileError::None ||
        !bytes.starts_with(kBackupMagic))
        return std::nullopt;
    const std::size_t pathEnd = bytes.find('\n', kBackupMagic.size());
    const std::size_t fingerprintEnd =
        pathEnd == std::string::npos ? pathEnd : bytes.find('\n', pathEnd + 1);
    if (fingerprintEnd == std::string::npos ||
        bytes.compare(kBackupMagic.size(), pathEnd - kBackupMagic.size(),
                      CanonicalDocumentPath(targetPath).toStdString()) != 0)
        return std::nullopt;
    return Backup{bytes.substr(pathEnd + 1, fingerprintEnd - pathEnd - 1),
                  bytes.substr(fingerprintEnd + 1)};
}

// Puts the backup of a save of `bytes` over `old` in its place, flushed to the disk with its
// folder before the file is touched; false when it cannot be made.
bool MakeBackup(const QString& backupPath, const QString& targetPath, std::string_view old,
                std::string_view bytes)
{
    if (backupPath.isEmpty())
        return false;
    std::string content(kBackupMagic);
    content += CanonicalDocumentPath(targetPath).toStdString() + '\n' + Fingerprint(bytes) + '\n';
    content += old;
    // One name: the file has one writer, which the document's lock decides.
    const QString temporary = backupPath + QStringLiteral(".tmp");
    QFile::remove(temporary); // left by a kill
    if (CreateNewFile(temporary, content) != EFileError::None)
        return false;
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(backupPath).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    SyncFolder(QFileInfo(backupPath).absolutePath());
    return true;
}

// Makes the open file `fd` hold exactly `bytes`, on the disk.
bool OverwriteWith(int fd, std::string_view bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && SyncFile(fd);
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
    const QString backup = BackupPath(targetPath);
    if (!MakeBackup(backup, targetPath, old, bytes)) {
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

bool HasInterruptedSave(const QString& path)
{
    const QString target = ResolveFileLinks(path);
    const QString backupPath = BackupPath(target);
    const std::optional<Backup> backup = ReadBackup(backupPath, target);
    std::string now;
    if (!backup || ReadWholeFile(target, now, kMaxBackupBytes) != EFileError::None)
        return false;
    // Killed before the first byte or after the last: nothing was lost.
    if (now == backup->old || Fingerprint(now) == backup->newFingerprint) {
        QFile::remove(backupPath);
        return false;
    }
    return true;
}

EFileError RestoreInterruptedSave(const QString& path)
{
    const QString target = ResolveFileLinks(path);
    const QString backupPath = BackupPath(target);
    const std::optional<Backup> backup = ReadBackup(backupPath, target);
    if (!backup)
        return EFileError::NotFound;
    // Written over the file as the save was, with the backup kept until the old bytes are on the
    // disk, so that a kill now leaves the same offer.
    const int fd =
        OpenRetrying(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return ErrorFor(errno, target);
    if (!OverwriteWith(fd, backup->old)) {
        const int error = errno;
        ::close(fd);
        return ErrorFor(error, target);
    }
    if (!CloseChecked(fd))
        return ErrorFor(errno, target);
    QFile::remove(backupPath);
    return EFileError::None;
}

void DiscardInterruptedSave(const QString& path)
{
    const QString target = ResolveFileLinks(path);
    if (ReadBackup(BackupPath(target), target))
        QFile::remove(BackupPath(target));
}
