#include "AfterFirstPaint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>
#include <vector>

namespace {

const char* const kWatchName = "after-first-paint";

// One per window, so that the works keep their order: of several event filters the last one
// installed would see the paint first.
class CFirstPaintWatch final : public QObject
{
public:
    explicit CFirstPaintWatch(QWidget& window) : QObject(&window)
    {
        setObjectName(QString::fromLatin1(kWatchName));
        window.installEventFilter(this);
    }

    void Add(std::function<void()> work) { m_works.push_back(std::move(work)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        watched->removeEventFilter(this);
        // From the event loop, after the paint is done and put on the screen.
        for (std::function<void()>& work : m_works)
            QTimer::singleShot(0, watched, std::move(work));
        deleteLater();
        return false;
    }

private:
    std::vector<std::function<void()>> m_works;
};

} // namespace

void RunAfterFirstPaint(QWidget& window, std::function<void()> work)
{
    auto* watch = dynamic_cast<CFirstPaintWatch*>(
        window.findChild<QObject*>(QString::fromLatin1(kWatchName), Qt::FindDirectChildrenOnly));
    // Offscreen, and on a server that exposed the window at once, repaint() painted it already.
    const QWindow* handle = window.windowHandle();
    if (!watch && handle && handle->isExposed()) {
        QTimer::singleShot(0, &window, std::move(work));
        return;
    }
    if (!watch)
        watch = new CFirstPaintWatch(window);
    watch->Add(std::move(work));
}
