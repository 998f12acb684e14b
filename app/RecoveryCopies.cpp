#include "RecoveryCopies.h"

#include "DocumentIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
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

// Flushes new copies to the disk and renames them into place, in the order they came, on a
// thread of its own (started with the first copy: most runs never need it). Of several copies of
// one document still waiting, only the newest is kept.
class CRecoveryCopies::CFlusher
{
public:
    ~CFlusher()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void Submit(std::string temporary, std::string target)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { Run(); });
            for (Job& job : m_jobs) {
                if (job.target == target) {
                    std::remove(job.temporary.c_str());
                    job.temporary = std::move(temporary);
                    return;
                }
            }
            m_jobs.push_back({std::move(temporary), std::move(target)});
        }
        m_wake.notify_all();
    }

    // Waits until every copy handed over is in place.
    void Drain()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    }

    // The failure of a flush since the last call.
    EFileError TakeFailure()
    {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_failure, EFileError::None);
    }

private:
    struct Job
    {
        std::string temporary;
        std::string target;
    };

    void Run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_busy = true;
            }
            const EFileError error = PutInPlace(job);
            {
                const std::lock_guard lock(m_mutex);
                m_busy = false;
                if (error != EFileError::None)
                    m_failure = error;
            }
            m_idle.notify_all();
        }
    }

    static EFileError PutInPlace(const Job& job)
    {
#ifndef Q_OS_WIN
        // The bytes on the disk before the name: a file system that does not order the two
        // (XFS) would otherwise bring the copy back empty after a power cut.
        const int fd = ::open(job.temporary.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            std::remove(job.temporary.c_str());
            return FileErrorFromErrno(error);
        }
        ::close(fd);
#else
        std::remove(job.target.c_str());
#endif
        if (std::rename(job.temporary.c_str(), job.target.c_str()) != 0) {
            const int error = errno;
            std::remove(job.temporary.c_str());
            return FileErrorFromErrno(error);
        }
#ifndef Q_OS_WIN
        const std::size_t slash = job.target.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : job.target.substr(0, slash);
        if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
#endif
        return EFileError::None;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stop = false;
    EFileError m_failure = EFileError::None;
    std::thread m_thread;
};

CRecoveryCopies::CRecoveryCopies(QString folder)
    : m_folder(std::move(folder)), m_flusher(std::make_unique<CFlusher>())
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
