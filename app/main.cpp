#include "CommandLineTool.h"
#include "DeferredIconStyle.h"
#include "Desktop.h"
#include "DialogUnits.h"
#include "FileIo.h"
#include "FontListWarmUp.h"
#include "MainFrame.h"
#include "QuietMessages.h"
#include "SettingsWriteFailure.h"
#include "StartupProbe.h"
#include "VornyApp.h"
#include "WaylandExit.h"
#include "WindowSystemCheck.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>

namespace {

// The window's run, from the application's start to the end of its event loop: the exit status.
int RunWindow(CFontListWarmUp& fontList)
{
    // The desktop entry's name, by which Wayland shells give the window its entry's icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.example.brunovelt"));
    // The program speaks Japanese whatever the locale: so do Qt's own buttons and dialogs.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    fontList.Wait();
    UseJapaneseApplicationFont(); // the first font asked for
    CDesktop desktop;             // every box and dialog of the run
    CVornyApp app(desktop, MakeUserSettingsStore(desktop));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments))
        // Another window has the document and came to the front, or a signal ended the start.
        return app.HandedOver() || app.QuitRequested() ? 0 : 1;
    WriteStartupProbeOncePainted(app.MainFrame());
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    // The command-line modes run without a window, and without a QApplication.
    const std::span<const char* const> args(argv + 1,
                                            static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
    if (const auto status = RunCommandLineTool(args, stdin, stdout, stderr))
        return *status;
    const auto environment = [](const char* name) { return std::getenv(name); };
    const auto exists = [](const char* path) {
        std::error_code error;
        return std::filesystem::exists(path, error);
    };
    const WindowSystemEnvironment windowSystem{
        environment, exists, QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString()};
    if (!CanOpenWindow(args, windowSystem, stderr))
        return 1; // rather than Qt's abort without a usable platform
    // From here on nothing is written on stderr.
    SilenceQtMessages();
    // A write past ulimit -f fails with a message instead of ending the program.
    IgnoreFileSizeSignal();

    if (!SessionBusMayExist(environment, exists))
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar); // no global menu to ask
    CFontListWarmUp fontList;             // while Qt connects to the display
    QApplication application(argc, argv); // takes Qt's own options out of the arguments
    // Over the style the desktop or the command line chose.
    QApplication::setStyle(new CDeferredIconStyle(QApplication::style()));
    const int status = RunWindow(fontList);
    // Everything of the program's own is saved and closed: only Qt's teardown is left.
    ExitBeforeWaylandTeardown(status);
    return status;
}
