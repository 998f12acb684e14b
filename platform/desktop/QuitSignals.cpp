#include "QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// SIGINT too: Ctrl+C in the terminal that started the program would otherwise lose the log.
constexpr int kQuitSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The socket's write end, for the handler; -1 while no instance is live.
volatile std::sig_atomic_t g_writeFd = -1;

void OnQuitSignal(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // Non-blocking: when the socket is full, signals are waiting to be read already.
    if (::write(g_writeFd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

int g_readFd = -1;
struct sigaction g_previous[std::size(kQuitSignals)];

} // namespace

CQuitSignals::CQuitSignals(std::function<void(int signal)> onSignal)
    : m_onSignal(std::move(onSignal))
{
    if (g_writeFd >= 0)
        return; // another instance has the signals
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(g_readFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { OnReadable(); });

    struct sigaction action
    {
    };
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // system calls the signal interrupts carry on
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
        ::sigaction(kQuitSignals[i], &action, &g_previous[i]);
    m_installed = true;
}

CQuitSignals::~CQuitSignals()
{
    if (!m_installed)
        return;
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
        ::sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    m_notifier.reset();
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    ::close(g_readFd);
    g_readFd = -1;
}

void CQuitSignals::OnReadable()
{
    std::vector<int> received;
    unsigned char buffer[64];
    for (;;) {
        const ssize_t got = ::read(g_readFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        received.insert(received.end(), buffer, buffer + got);
    }
    // The handler may end the program, and this object with it: it runs on a copy.
    const std::function<void(int)> onSignal = m_onSignal;
    for (const int signal : received) {
        if (onSignal)
            onSignal(signal);
    }
}
