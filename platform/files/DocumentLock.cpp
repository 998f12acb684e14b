#include "DocumentLock.h"

#include "DocumentIdentity.h"

#include <QFile>

#include <cerrno>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kSuffix = QStringLiteral(".lock");

#ifndef Q_OS_WIN
int OpenLockFile(const QByteArray& native)
{
    int fd = -1;
    do {
        fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Whether `fd` is still the file at `native`: a holder that gave its lock up removed the file, and
// a lock on the removed file would lock nothing that the next opener sees.
bool IsStillThere(int fd, const QByteArray& native)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &opened) == 0 && ::lstat(native.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}
#endif

} // namespace

CDocumentLock::~CDocumentLock()
{
    Unlock();
}

CDocumentLock::CDocumentLock(CDocumentLock&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_file(std::move(other.m_file)),
      m_state(std::exchange(other.m_state, EState::None))
{}

CDocumentLock& CDocumentLock::operator=(CDocumentLock&& other) noexcept
{
    if (this != &other) {
        Unlock();
        m_handle = std::exchange(other.m_handle, -1);
        m_file = std::move(other.m_file);
        m_state = std::exchange(other.m_state, EState::None);
    }
    return *this;
}

CDocumentLock::EState CDocumentLock::TryLock(const QString& folder, const QString& documentPath)
{
    Unlock();
    if (folder.isEmpty() || documentPath.isEmpty())
        return m_state = EState::Unavailable;
    const QString file = folder + u'/' + DocumentStateName(documentPath) + kSuffix;
#ifdef Q_OS_WIN
    // A file opened without sharing is the lock there; the system closes it with the process.
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(file.utf16()), GENERIC_READ | GENERIC_WRITE,
                      0, nullptr, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return m_state =
                   ::GetLastError() == ERROR_SHARING_VIOLATION ? EState::Busy : EState::Unavailable;
    m_handle = reinterpret_cast<qintptr>(handle);
    m_file = file;
    return m_state = EState::Held;
#else
    const QByteArray native = QFile::encodeName(file);
    // A holder may remove the file between our open and our lock: then the lock is taken again
    // on the file made anew.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = OpenLockFile(native);
        if (fd < 0)
            return m_state = EState::Unavailable;
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            return m_state = error == EWOULDBLOCK ? EState::Busy : EState::Unavailable;
        }
        if (IsStillThere(fd, native)) {
            m_handle = fd;
            m_file = file;
            return m_state = EState::Held;
        }
        ::close(fd);
    }
    return m_state = EState::Unavailable;
#endif
}

void CDocumentLock::Unlock()
{
    if (m_handle != -1) {
#ifdef Q_OS_WIN
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle)); // deletes the file
#else
        // Removed while still locked, so that nobody locks the file on its way out.
        ::unlink(QFile::encodeName(m_file).constData());
        ::close(static_cast<int>(m_handle));
#endif
    }
    m_handle = -1;
    m_file.clear();
    m_state = EState::None;
}
