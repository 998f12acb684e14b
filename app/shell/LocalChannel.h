#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

#include <functional>
#include <memory>

// The local stream socket through which a second start asks the window that has its document to
// come forward: one short request line and one answer line. On Linux a Unix-domain socket file at
// the full path `name`, served from the event loop; on Windows a named pipe (Qt's local socket).

// Whether `name` can name a channel here (a socket file's path must fit its address).
bool FitsLocalChannelName(const QString& name);

// Whether a listener takes connections at `name`, answering or not (a stopped process's
// socket does; a socket file left by one that has ended refuses).
bool IsLocalChannelListening(const QString& name);

// Sends `request` to whoever listens on `name` and returns what came back before `answer` was
// complete, the other side closed or `timeoutMs` passed (empty when nobody listens, or when the
// listener is another user's).
QByteArray AskLocalChannel(const QString& name, const QByteArray& request, const QByteArray& answer,
                           int timeoutMs);

class CLocalListener
{
public:
    enum class EListen {
        Listening,
        NameInUse, // a listener is there, or a socket file left by one that has ended
        Failed
    };

    // The longest request line, its line feed included.
    static constexpr std::size_t kLongestRequest = 256;
    // The most connections served at once; one more is closed at once. A connection that has
    // sent no whole line within kIdleMs is closed, so that idle clients cannot use the process's
    // descriptors up.
    static constexpr std::size_t kMostConnections = 8;
    static constexpr int kIdleMs = 1500;

    // `onRequest` gets each request line (at most kLongestRequest bytes, the line feed included)
    // and gives the line to answer with; the connection ends after it. Only the user's own
    // processes are served.
    explicit CLocalListener(std::function<QByteArray(const QByteArray&)> onRequest);
    ~CLocalListener();
    CLocalListener(const CLocalListener&) = delete;
    CLocalListener& operator=(const CLocalListener&) = delete;

    EListen Listen(const QString& name);
    // Removes what a listener that has ended left at `name`.
    static void RemoveStale(const QString& name);

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};
