#include "StartupProbe.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// The line is written a turn of the event loop later than the time it gives, after the work that
// waits for the first paint: so that the file's being there also says that work is done (a
// second start finds the window's socket), while the time is that of the paint.
void WriteStartupProbeLater(std::int64_t paintedAtNs)
{
    QTimer::singleShot(0, [paintedAtNs] { WriteStartupProbe(paintedAtNs); });
}

// Takes the time once the event loop is back from the window's first paint, that is after the
// whole window was drawn and put on the screen. Installed last, it sees the paint before the
// other watches of the window, so its time comes before their work.
class CPaintClock final : public QObject
{
public:
    explicit CPaintClock(QWidget& window) : QObject(&window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [] { WriteStartupProbeLater(StartupProbeClock()); });
            deleteLater();
        }
        return false;
    }
};

} // namespace

void WriteStartupProbeOncePainted(QWidget& window)
{
    // Offscreen, and on a server that exposed the window at once, repaint() painted it just now.
    const QWindow* handle = window.windowHandle();
    if (handle && handle->isExposed()) {
        WriteStartupProbeLater(StartupProbeClock());
        return;
    }
    window.installEventFilter(new CPaintClock(window));
}
