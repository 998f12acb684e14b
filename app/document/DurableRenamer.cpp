#include "DurableRenamer.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

CDurableRenamer::~CDurableRenamer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CDurableRenamer::Submit(std::string temporary, std::string target)
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

void CDurableRenamer::Drain()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

EFileError CDurableRenamer::TakeFailure()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_failure, EFileError::None);
}

void CDurableRenamer::Run()
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

EFileError CDurableRenamer::PutInPlace(const Job& job)
{
#ifndef _WIN32
    // The bytes on the disk before the name: a file system that does not order the two (XFS)
    // would otherwise bring the file back empty after a power cut.
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
#ifndef _WIN32
    const std::size_t slash = job.target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : job.target.substr(0, slash);
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
    return EFileError::None;
}
