#include "SingleInstance.h"

#include "DocumentIdentity.h"
#include "LocalChannel.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int kAnswerMs = 1500;
constexpr int kRetryPauseMs = 50;
const QByteArray kRequest = "activate";
const QByteArray kAnswer = "ok\n";
constexpr qsizetype kLongestToken = 200;

#ifndef Q_OS_WIN
// The runtime folder named by XDG_RUNTIME_DIR when it is an absolute path to a folder of the
// user's own that nobody else may enter; empty otherwise.
QString OwnRuntimeFolder()
{
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat info
    {
    };
    if (folder.isEmpty() || folder[0] != '/' || ::lstat(folder.constData(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return {};
    return QFile::decodeName(folder);
}
#endif

// Where the socket for the document with key `key` is: in the runtime folder, else in the
// state folder (made readable by the user alone); empty where neither can take it.
QString SocketName(const QString& lockFolder, const QString& key)
{
    const QString name = QStringLiteral("brunovelt-") + key;
#ifdef Q_OS_WIN
    // Pipe names live in a per-session namespace of their own there.
    Q_UNUSED(lockFolder);
    return name + u'-' + qEnvironmentVariable("USERNAME");
#else
    for (const QString& folder : {OwnRuntimeFolder(), lockFolder}) {
        if (folder.isEmpty())
            continue;
        const QString path = folder + u'/' + name;
        if (FitsLocalChannelName(path))
            return path;
    }
    return {};
#endif
}

// Whether `token` can travel in a request line: printable, no blanks, not too long.
bool IsUsableToken(const QByteArray& token)
{
    return token.size() <= kLongestToken &&
           std::all_of(token.begin(), token.end(), [](char ch) { return ch > ' ' && ch <= '~'; });
}

// This start's Wayland activation token, when it has a usable one.
QByteArray OwnActivationToken()
{
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    return IsUsableToken(token) ? token : QByteArray();
}

// The token in a request line "activate[ TOKEN]\n"; none when the line is no such request.
std::optional<QByteArray> TokenOfRequest(const QByteArray& line)
{
    if (!line.startsWith(kRequest) || !line.endsWith('\n'))
        return std::nullopt;
    QByteArray rest = line.mid(kRequest.size());
    rest.chop(1);
    if (rest.isEmpty())
        return QByteArray();
    if (rest[0] != ' ')
        return std::nullopt;
    rest.remove(0, 1);
    if (!IsUsableToken(rest))
        return std::nullopt;
    return rest;
}

// Asks the window that listens for `key` to come forward; true when it said it does.
bool AskForward(const QString& lockFolder, const QString& key, int timeoutMs)
{
    const QString name = SocketName(lockFolder, key);
    if (name.isEmpty())
        return false;
    QByteArray request = kRequest;
    if (const QByteArray token = OwnActivationToken(); !token.isEmpty())
        request += ' ' + token;
    request += '\n';
    return AskLocalChannel(name, request, kAnswer, timeoutMs).startsWith(kAnswer);
}

} // namespace

CSingleInstance::CSingleInstance(QString lockFolder,
                                 std::function<void(const QByteArray&)> activate)
    : m_lockFolder(std::move(lockFolder)), m_activate(std::move(activate))
{}

CSingleInstance::~CSingleInstance() = default;

CSingleInstance::EClaim CSingleInstance::Claim(const QString& path, int patienceMs)
{
    if (path.isEmpty())
        return EClaim::Owner;
    const QString key = DocumentKey(path);
    if (key == m_servedKey && (m_lock.Holds() || m_listener))
        return EClaim::Owner;
    if (key == m_claimedKey && m_claimed.Holds())
        return EClaim::Owner;
    DropClaim();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(patienceMs, 0));
    for (;;) {
        switch (m_claimed.TryLock(m_lockFolder, path)) {
        case CDocumentLock::EState::Held: m_claimedKey = key; return EClaim::Owner;
        case CDocumentLock::EState::Unavailable:
            // Without a lock only the socket can tell: as sure as the timing allows.
            return AskForward(m_lockFolder, key, kAnswerMs) ? EClaim::HandedOver : EClaim::Owner;
        case CDocumentLock::EState::Busy:
        case CDocumentLock::EState::None: break;
        }
        // The holder may be starting and not listening yet, or stopped: asked until the
        // patience runs out, as long as it holds the lock.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (AskForward(m_lockFolder, key,
                       static_cast<int>(std::clamp<long long>(left, 1, kAnswerMs))))
            return EClaim::HandedOver;
        if (std::chrono::steady_clock::now() >= deadline)
            return EClaim::OpenElsewhere;
        QThread::msleep(kRetryPauseMs);
    }
}

void CSingleInstance::DropClaim()
{
    m_claimed.Unlock();
    m_claimedKey.clear();
}

void CSingleInstance::Serve(const QString& path)
{
    const QString key = path.isEmpty() ? QString() : DocumentKey(path);
    if (key == m_servedKey && (m_listener || key.isEmpty()))
        return;
    m_listener.reset();
    if (key != m_servedKey) {
        if (!key.isEmpty() && key == m_claimedKey) {
            m_lock = std::move(m_claimed);
            m_claimedKey.clear();
        } else {
            m_lock.Unlock();
        }
    }
    m_servedKey = key;
    if (key.isEmpty())
        return;
    const QString name = SocketName(m_lockFolder, key);
    if (name.isEmpty())
        return;
    auto listener = std::make_unique<CLocalListener>([this](const QByteArray& request) {
        const std::optional<QByteArray> token = TokenOfRequest(request);
        if (!token)
            return QByteArray();
        // After the answer is on its way.
        QTimer::singleShot(0, [activate = m_activate, token = *token] {
            if (activate)
                activate(token);
        });
        return kAnswer;
    });
    CLocalListener::EListen listening = listener->Listen(name);
    // Holding the document's lock, this window is its only owner: a socket file there was left
    // by a window that has ended. Without the lock, only one that nobody listens on is taken.
    if (listening == CLocalListener::EListen::NameInUse &&
        (m_lock.Holds() || !IsLocalChannelListening(name))) {
        CLocalListener::RemoveStale(name);
        listening = listener->Listen(name);
    }
    if (listening == CLocalListener::EListen::Listening)
        m_listener = std::move(listener);
}
