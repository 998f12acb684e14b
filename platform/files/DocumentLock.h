#pragma once

#include <QString>

// One writer per document: an exclusive lock that a window holds on its document for as long as
// it has it open. The lock is the kernel's advisory lock on a small file in the user's state
// folder named after the document (DocumentStateName), so it is the same for a link and its
// target, and the kernel drops it when the process ends in any way: a crash never leaves a lock
// behind. The file is removed again when the lock is given up.
class CDocumentLock
{
public:
    enum class EState {
        None,        // nothing was asked for, or the lock was given up
        Held,        // this object holds the document's lock
        Busy,        // another holder has it (another window, or this one's other lock)
        Unavailable, // no lock can be taken here (no state folder, a file system without locks)
    };

    CDocumentLock() = default;
    ~CDocumentLock();
    CDocumentLock(CDocumentLock&& other) noexcept;
    CDocumentLock& operator=(CDocumentLock&& other) noexcept;
    CDocumentLock(const CDocumentLock&) = delete;
    CDocumentLock& operator=(const CDocumentLock&) = delete;

    // Tries once, without waiting, to lock the document at `documentPath` with a lock file in
    // `folder`; a lock this object held before is given up first.
    EState TryLock(const QString& folder, const QString& documentPath);
    void Unlock();
    EState State() const { return m_state; }
    bool Holds() const { return m_state == EState::Held; }

private:
    qintptr m_handle = -1; // a descriptor, or a Windows handle
    QString m_file;
    EState m_state = EState::None;
};
