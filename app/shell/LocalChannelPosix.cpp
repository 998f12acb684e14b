#include "LocalChannel.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <list>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The address of the socket file at `name`; false when the path does not fit.
bool SocketAddress(const QString& name, sockaddr_un& address)
{
    const QByteArray path = QFile::encodeName(name);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

// Whether the process at the other end of the connected socket `fd` runs as this user.
bool IsOwnUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == ::getuid();
}

// A descriptor closed with its owner.
class CDescriptor
{
public:
    explicit CDescriptor(int fd = -1) : m_fd(fd) {}
    ~CDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CDescriptor(CDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CDescriptor& operator=(CDescriptor&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Waits until `fd` is ready for `events` or `deadline` has passed.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{fd, events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

bool FitsLocalChannelName(const QString& name)
{
    sockaddr_un address;
    return SocketAddress(name, address);
}

bool IsLocalChannelListening(const QString& name)
{
    sockaddr_un address;
    if (!SocketAddress(name, address))
        return false;
    const CDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    int connected = -1;
    do {
        connected =
            ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    return connected == 0 || errno == EAGAIN; // EAGAIN: listening, its queue full
}

QByteArray AskLocalChannel(const QString& name, const QByteArray& request, const QByteArray& answer,
                           int timeoutMs)
{
    sockaddr_un address;
    if (!SocketAddress(name, address))
        return {};
    const CDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Get() < 0)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // No file, or a file that nobody listens on any more, refuses at once; a listener whose
    // queue is full is asked again until the time is up.
    while (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
           0) {
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN || std::chrono::steady_clock::now() >= deadline)
            return {};
        ::poll(nullptr, 0, 5);
    }
    // A socket that another user made in a folder he may write is not this user's window.
    if (!IsOwnUser(socket.Get()))
        return {};
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t written =
            ::send(socket.Get(), request.constData() + sent,
                   static_cast<std::size_t>(request.size() - sent), MSG_NOSIGNAL);
        if (written > 0)
            sent += written;
        else if (written < 0 && errno == EINTR)
            continue;
        else if (written < 0 && errno == EAGAIN && WaitFor(socket.Get(), POLLOUT, deadline))
            continue;
        else
            return {};
    }
    QByteArray received;
    while (received.size() < answer.size() && WaitFor(socket.Get(), POLLIN, deadline)) {
        char buffer[64];
        const ssize_t got = ::recv(socket.Get(), buffer, sizeof buffer, 0);
        if (got > 0)
            received.append(buffer, got);
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
            break; // closed, or failed
    }
    return received;
}

namespace {

// A connection being served: what it sent so far, the notifier that reads it and when it is
// given up.
struct Client
{
    CDescriptor socket;
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
    std::chrono::steady_clock::time_point deadline;
};

} // namespace

struct CLocalListener::CState
{
    std::function<QByteArray(const QByteArray&)> onRequest;
    CDescriptor socket;
    QByteArray path; // the socket file, removed when the listener ends
    std::unique_ptr<QSocketNotifier> notifier;
    std::list<Client> clients;
    QTimer idleCheck; // closes connections past their deadline, and takes accepting up again

    void Accept()
    {
        for (;;) {
            const int fd = ::accept4(socket.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    // Out of descriptors: the queue keeps the connection, and the notifier would
                    // call at once again. Accepting waits for the next check instead.
                    notifier->setEnabled(false);
                    idleCheck.start();
                }
                return;
            }
            CDescriptor accepted(fd);
            if (clients.size() >= CLocalListener::kMostConnections || !IsOwnUser(fd))
                continue; // closed at once
            Client& client = clients.emplace_back(
                Client{std::move(accepted),
                       {},
                       nullptr,
                       std::chrono::steady_clock::now() +
                           std::chrono::milliseconds(CLocalListener::kIdleMs)});
            client.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            const auto at = std::prev(clients.end());
            QObject::connect(client.notifier.get(), &QSocketNotifier::activated,
                             client.notifier.get(), [this, at] { Read(at); });
            idleCheck.start();
        }
    }

    void CheckIdle()
    {
        const auto now = std::chrono::steady_clock::now();
        for (auto at = clients.begin(); at != clients.end();) {
            const auto next = std::next(at);
            if (at->deadline <= now)
                End(at);
            at = next;
        }
        if (notifier && !notifier->isEnabled())
            notifier->setEnabled(true);
        if (clients.empty())
            idleCheck.stop();
    }

    void Read(std::list<Client>::iterator at)
    {
        Client& client = *at;
        char buffer[kLongestRequest + 1];
        const ssize_t got = ::recv(client.socket.Get(), buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            End(at); // closed before a whole line, or failed
            return;
        }
        client.received.append(buffer, got);
        const qsizetype lineEnd = client.received.indexOf('\n');
        const qsizetype length = lineEnd < 0 ? client.received.size() : lineEnd + 1;
        if (static_cast<std::size_t>(length) > kLongestRequest) {
            End(at); // no request is that long
            return;
        }
        if (lineEnd < 0)
            return; // the rest of the line is still to come
        // An asker that gave up waiting (this process was stopped or busy) has closed its end:
        // its request is not carried out late.
        char next = 0;
        if (::recv(client.socket.Get(), &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0) {
            End(at);
            return;
        }
        const QByteArray reply = onRequest(client.received.left(lineEnd + 1));
        if (!reply.isEmpty()) // a few bytes into an empty socket buffer: written at once
            ::send(client.socket.Get(), reply.constData(), static_cast<std::size_t>(reply.size()),
                   MSG_NOSIGNAL);
        End(at);
    }

    // Closes the connection; its notifier goes later, as it may be the one calling.
    void End(std::list<Client>::iterator at)
    {
        at->notifier->setEnabled(false);
        at->notifier.release()->deleteLater();
        clients.erase(at);
    }
};

CLocalListener::CLocalListener(std::function<QByteArray(const QByteArray&)> onRequest)
    : m_state(std::make_unique<CState>())
{
    m_state->onRequest = std::move(onRequest);
    m_state->idleCheck.setInterval(kIdleMs / 3);
    CState* state = m_state.get();
    QObject::connect(&m_state->idleCheck, &QTimer::timeout, &m_state->idleCheck,
                     [state] { state->CheckIdle(); });
}

CLocalListener::~CLocalListener()
{
    m_state->idleCheck.stop();
    m_state->notifier.reset();
    for (Client& client : m_state->clients)
        client.notifier.reset();
    if (!m_state->path.isEmpty())
        ::unlink(m_state->path.constData());
}

CLocalListener::EListen CLocalListener::Listen(const QString& name)
{
    sockaddr_un address;
    if (m_state->socket.Get() >= 0 || !SocketAddress(name, address))
        return EListen::Failed;
    CDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Get() < 0)
        return EListen::Failed;
    // The socket file is made in the user's runtime folder, which only he can enter.
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return errno == EADDRINUSE ? EListen::NameInUse : EListen::Failed;
    if (::listen(socket.Get(), 8) != 0) {
        ::unlink(address.sun_path);
        return EListen::Failed;
    }
    m_state->path = QByteArray(address.sun_path);
    m_state->socket = std::move(socket);
    m_state->notifier =
        std::make_unique<QSocketNotifier>(m_state->socket.Get(), QSocketNotifier::Read);
    CState* state = m_state.get();
    QObject::connect(m_state->notifier.get(), &QSocketNotifier::activated, m_state->notifier.get(),
                     [state] { state->Accept(); });
    return EListen::Listening;
}

void CLocalListener::RemoveStale(const QString& name)
{
    sockaddr_un address;
    if (SocketAddress(name, address))
        ::unlink(address.sun_path);
}
