#include "ShowHelpFile.h"

#include "HelpWindow.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<CHelpWindow> g_window; // the one help window of the process

} // namespace

bool ShowHelpFile(const QString& chmPath, EHelpPage page, QWidget* owner)
{
    CHelpWindow* window = g_window;
    if (window == nullptr) {
        window = new CHelpWindow(owner);
        if (!window->OpenFile(chmPath)) {
            delete window;
            return false;
        }
        g_window = window;
        static const bool connected = [] {
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, &CloseHelpWindow);
            return true;
        }();
        static_cast<void>(connected);
    } else if (window->FilePath() != chmPath && !window->OpenFile(chmPath)) {
        return false;
    }
    window->ShowPage(page);
    window->show();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    return true;
}

QWidget* HelpWindowInstance()
{
    return g_window;
}

void CloseHelpWindow()
{
    delete g_window.data();
}
