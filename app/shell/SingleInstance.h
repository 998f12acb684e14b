#pragma once

#include "DocumentLock.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class CLocalListener;

// One window per document: the window that has a document open holds its lock (CDocumentLock),
// which alone decides, whatever the timing of two starts. The window also answers on a local
// socket named after the document, so that a second start for it (or an Open in another window)
// brings that window to the front instead of opening a second one, which would overwrite the
// first one's record when it closes. The socket lives in the user's runtime folder, or in the
// state folder where that folder is missing, not the user's own or too deep for a socket's name.
class CSingleInstance
{
public:
    enum class EClaim {
        Owner,         // this window holds the document's lock now (or no lock can be had here
                       // and no other window answered)
        HandedOver,    // another window has the document and came to the front
        OpenElsewhere, // another window has the document and did not answer in time
    };

    // `lockFolder` holds the lock files (the state folder); `activate` brings this program's
    // window to the front when another start asks for it, with the Wayland activation token that
    // start was given (empty for none).
    CSingleInstance(QString lockFolder, std::function<void(const QByteArray& token)> activate);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Before the document at the full path `path` is read or written: takes its lock for this
    // window, or asks the window that holds it to come forward, for up to `patienceMs` while it
    // does not answer. The lock taken is kept aside until Serve takes the document on, or
    // DropClaim gives it up. The document this window serves is its own already.
    EClaim Claim(const QString& path, int patienceMs = kPatienceMs);
    // Gives up a lock taken by Claim for a document that was not opened or saved after all.
    void DropClaim();
    // From now on this window has the document at `path` (empty: an untitled sheet, which has
    // no lock) and answers for it; the lock of the document before is given up.
    void Serve(const QString& path);
    // Whether another start can find this window (false where no socket could be made).
    bool IsReachable() const { return m_listener != nullptr; }

    static constexpr int kPatienceMs = 3000;

private:
    QString m_lockFolder;
    std::function<void(const QByteArray&)> m_activate;
    std::unique_ptr<CLocalListener> m_listener;
    QString m_servedKey; // DocumentKey of the document served; empty for none
    CDocumentLock m_lock;
    QString m_claimedKey;
    CDocumentLock m_claimed;
};
