#pragma once

#include "FileIo.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

// Puts new files in the place of old ones so that a power cut never leaves a file empty or half
// written: each new file is flushed to the disk before it is renamed over the old one, and the
// folder after. The flushes wait for the disk (a millisecond or two here, tens on a slow disk),
// so they run on a thread of their own, started with the first file, in the order the files
// came. Of several new files for one place still waiting, only the newest is kept.
class CDurableRenamer
{
public:
    CDurableRenamer() = default;
    ~CDurableRenamer(); // puts every file handed over in place first
    CDurableRenamer(const CDurableRenamer&) = delete;
    CDurableRenamer& operator=(const CDurableRenamer&) = delete;

    // Hands over the written, closed file `temporary` to be put in the place of `target` (native
    // paths in one folder).
    void Submit(std::string temporary, std::string target);
    // Waits until every file handed over is in place (or has failed).
    void Drain();
    // The failure of a flush or rename since the last call; None for none.
    EFileError TakeFailure();

private:
    struct Job
    {
        std::string temporary;
        std::string target;
    };

    void Run();
    static EFileError PutInPlace(const Job& job);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stop = false;
    EFileError m_failure = EFileError::None;
    std::thread m_thread;
};
