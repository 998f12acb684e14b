#pragma once

// Disk faults for the tests of saving: a file-size limit and a disk filled to the brim.

#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// A file size limit makes write() fail with EFBIG past a given size, as a full disk does with
// ENOSPC; the signal that would end the process is ignored meanwhile.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        m_active = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        if (!m_active)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool Active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};

// Fills the disk under `folder` with a file, then frees `keep` bytes of it again. False when the
// disk did not fill or could not be freed.
inline bool FillDisk(const QString& folder, off_t keep)
{
    const QByteArray filler = QFile::encodeName(folder + QStringLiteral("/filler"));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string block(4096, 'f');
    off_t size = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n <= 0)
            break;
        size += n;
    }
    const bool full = errno == ENOSPC;
    const bool freed = ::ftruncate(fd, size > keep ? size - keep : 0) == 0;
    ::close(fd);
    return full && freed;
}
