#include "ShowHelpFile.h"

#include "HelpArchive.h"
#include "HelpReader.h"
#include "HelpWindow.h"

#include <QApplication>
#include <QPointer>
#include <QScopedValueRollback>

#include <optional>
#include <utility>

namespace {

QPointer<CHelpWindow> g_window; // the one help window of the process

} // namespace

bool ShowHelpFile(const QString& chmPath, EHelpPage page, QWidget* owner)
{
    CHelpWindow* window = g_window;
    if (window == nullptr || window->FilePath() != chmPath) {
        // A request while the reader runs is the one being answered: the window follows.
        static bool reading = false;
        if (reading)
            return true;
        const QPointer<QWidget> ownerAlive(owner);
        std::optional<CHelpArchive> archive;
        {
            const QScopedValueRollback busy(reading, true);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            archive = ReadHelpFile(chmPath); // runs the event loop: anything may change meanwhile
            QApplication::restoreOverrideCursor();
        }
        if (!archive || (owner != nullptr && ownerAlive == nullptr))
            return false;
        window = g_window;
        const bool made = window == nullptr;
        if (made)
            window = new CHelpWindow(owner);
        if (!window->OpenArchive(chmPath, std::move(*archive))) {
            if (made)
                delete window;
            return false;
        }
        if (made) {
            g_window = window;
            static const bool connected = [] {
                QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, &CloseHelpWindow);
                return true;
            }();
            static_cast<void>(connected);
        }
    }
    switch (page) {
    case EHelpPage::DefaultTopic: window->ShowContentsTab(); break;
    case EHelpPage::Index: window->ShowIndexTab(); break;
    }
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

void SetHelpReaderProgram(const QString& program)
{
    OverrideHelpReaderProgram(program);
}
