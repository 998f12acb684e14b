#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// Delivers SIGTERM, SIGHUP and SIGINT (the end of the desktop session, a shutdown, a closed
// terminal, Ctrl+C) to `onSignal` from the event loop instead of ending the process at once, so
// that the program can run its close check and save the log. The signal handler only writes the
// signal's number to a socket, the one thing it may safely do; a notifier on the other end calls
// `onSignal` with the number when the loop next runs. Make it after the application object, which
// runs the loop. One instance at a time; it puts the previous handlers back when it goes.
class CQuitSignals
{
public:
    explicit CQuitSignals(std::function<void(int signal)> onSignal);
    ~CQuitSignals();
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    // False when the socket or the handlers could not be set up (or another instance is live):
    // the signals then keep their previous effect.
    bool IsInstalled() const { return m_installed; }

private:
    void OnReadable();

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};
