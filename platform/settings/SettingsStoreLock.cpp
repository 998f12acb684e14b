#include "SettingsStoreLock.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CSettingsStoreLock::CSettingsStoreLock(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    do {
        m_fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return;
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR))
            return;
        const timespec pause{0, 10'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

CSettingsStoreLock::~CSettingsStoreLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}
