#include "RecoveryCopies.h"

#include "DocumentIdentity.h"

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

} // namespace

CRecoveryCopies::CRecoveryCopies(QString folder) : m_folder(std::move(folder)) {}

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
    const QString path = CopyPath(documentPath);
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString temp = path + u'.' + QString::number(QRandomGenerator::global()->generate(), 16) +
                         QStringLiteral(".tmp");
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return EFileError::AccessDenied;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const auto size = static_cast<qint64>(bytes.size());
    const bool written = file.write(bytes.data(), size) == size;
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        QFile::remove(temp);
        return EFileError::DiskFull;
    }
#ifdef Q_OS_WIN
    QFile::remove(path);
#endif
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const int error = errno;
        QFile::remove(temp);
        return FileErrorFromErrno(error);
    }
    return EFileError::None;
}

std::optional<std::string> CRecoveryCopies::Take(const QString& documentPath) const
{
    if (m_folder.isEmpty())
        return std::nullopt;
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
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxCopyBytes) != EFileError::None)
        return std::nullopt;
    return bytes;
}

void CRecoveryCopies::Remove(const QString& documentPath) const
{
    const QString path = CopyPath(documentPath);
    if (!path.isEmpty())
        QFile::remove(path);
}
