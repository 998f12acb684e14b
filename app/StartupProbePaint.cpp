#include "StartupProbe.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Writes the probe once the event loop is back from the window's first paint, that is after the
// whole window was drawn and put on the screen.
class CFirstPaintWatch final : public QObject
{
public:
    explicit CFirstPaintWatch(QWidget& window) : QObject(&window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, &WriteStartupProbe);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void WriteStartupProbeOncePainted(QWidget& window)
{
    // Offscreen, and on a server that exposed the window at once, repaint() painted it already;
    // on an X server the first paint mostly follows the exposure the server sends.
    const QWindow* handle = window.windowHandle();
    if (handle && handle->isExposed()) {
        QTimer::singleShot(0, &WriteStartupProbe);
        return;
    }
    window.installEventFilter(new CFirstPaintWatch(window));
}
