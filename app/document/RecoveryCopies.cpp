#include "RecoveryCopies.h"

#include "DocumentIdentity.h"
#include "DurableRenamer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString kSuffix = QStringLiteral(".recovery");

QString UntitledName()
{
    return QStringLiteral("無題");
}

qint64 ThisProcess()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationPid();
#else
    return static_cast<qint64>(::getpid());
#endif
}

// Whether the process numbered `pid` has ended (so its copies are nobody's).
bool HasEnded(qint64 pid)
{
#ifdef Q_OS_WIN
    return pid != ThisProcess(); // one window per process there: any other copy is left over
#else
    if (pid <= 0 || pid > INT_MAX)
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}

// The largest copy read back: a sheet grows past the largest file that opens when text is pasted.
constexpr std::size_t kMaxCopyBytes = 16 * 1024 * 1024;

// The new files of the copy at `copyPath` that a program ended before renaming them left: the
// newest one, if it is newer than the copy and no shorter (not cut off by the end), becomes the
// copy; the rest are removed. Only the document's window, which holds its lock, calls this.
void TakeLeftOverNewFile(const QString& copyPath)
{
    const QFileInfo copy(copyPath);
    const QFileInfoList leftOvers = copy.absoluteDir().entryInfoList(
        {copy.fileName() + QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo& leftOver : leftOvers) {
        const bool newer = !copy.exists() || (leftOver.lastModified() > copy.lastModified() &&
                                              leftOver.size() >= copy.size());
        if (newer && leftOver.absoluteFilePath() == leftOvers.front().absoluteFilePath() &&
            QFile::remove(copyPath) && QFile::rename(leftOver.absoluteFilePath(), copyPath))
            continue;
        QFile::remove(leftOver.absoluteFilePath());
    }
}

} // namespace

CRecoveryCopies::CRecoveryCopies(QString folder)
    : m_folder(std::move(folder)), m_flusher(std::make_unique<CDurableRenamer>())
{}

CRecoveryCopies::~CRecoveryCopies() = default;

QString CRecoveryCopies::CopyPath(const QString& documentPath) const
{
    if (m_folder.isEmpty())
        return {};
    if (documentPath.isEmpty())
        return m_folder + u'/' + UntitledName() + u'.' + QString::number(ThisProcess()) + kSuffix;
    return m_folder + u'/' + DocumentStateName(documentPath) + kSuffix;
}

EFileError CRecoveryCopies::Write(const QString& documentPath, std::string_view bytes) const
{
    if (const EFileError failed = m_flusher->TakeFailure(); failed != EFileError::None)
        return failed;
    const QString path = CopyPath(documentPath);
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString temp = path + u'.' + QString::number(QRandomGenerator::global()->generate(), 16) +
                         QStringLiteral(".tmp");
    const QByteArray native = QFile::encodeName(temp);
#ifdef Q_OS_WIN
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return EFileError::AccessDenied;
    const auto size = static_cast<qint64>(bytes.size());
    const bool written = file.write(bytes.data(), size) == size;
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        QFile::remove(temp);
        return EFileError::DiskFull;
    }
#else
    int fd = -1;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileErrorFromErrno(errno);
    for (std::size_t done = 0; done < bytes.size();) {
        const auto written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(native.constData());
            return FileErrorFromErrno(error);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(native.constData());
        return FileErrorFromErrno(error);
    }
#endif
    m_flusher->Submit(native.toStdString(), QFile::encodeName(path).toStdString());
    return EFileError::None;
}

void CRecoveryCopies::Flush() const
{
    m_flusher->Drain();
}

std::optional<RecoveryCopy> CRecoveryCopies::Take(const QString& documentPath) const
{
    if (m_folder.isEmpty())
        return std::nullopt;
    m_flusher->Drain();
    QString path = CopyPath(documentPath);
    if (documentPath.isEmpty()) {
        // The newest untitled copy whose process has ended becomes this process's own.
        const QFileInfoList copies = QDir(m_folder).entryInfoList(
            {UntitledName() + QStringLiteral(".*") + kSuffix}, QDir::Files, QDir::Time);
        QString orphan;
        for (const QFileInfo& copy : copies) {
            const QString pid = copy.fileName()
                                    .mid(UntitledName().size() + 1)
                                    .chopped(static_cast<qsizetype>(kSuffix.size()));
            bool isNumber = false;
            const qint64 owner = pid.toLongLong(&isNumber);
            if (isNumber && owner != ThisProcess() && HasEnded(owner)) {
                orphan = copy.absoluteFilePath();
                break;
            }
        }
        if (orphan.isEmpty())
            return std::nullopt;
        QFile::remove(path);
        if (!QFile::rename(orphan, path))
            return std::nullopt;
    }
    TakeLeftOverNewFile(path);
    RecoveryCopy copy;
    if (ReadWholeFile(path, copy.bytes, kMaxCopyBytes) != EFileError::None)
        return std::nullopt;
    copy.saved = QFileInfo(path).lastModified();
    return copy;
}

void CRecoveryCopies::Remove(const QString& documentPath) const
{
    m_flusher->Drain();
    const QString path = CopyPath(documentPath);
    if (!path.isEmpty())
        QFile::remove(path);
}
