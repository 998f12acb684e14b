#include "WaylandExit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

// A gtest main for tests that drive real widgets: the offscreen platform unless another is set,
// and a configuration and data folder of its own for the whole run, so that no test reads or
// writes the user's settings.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    qputenv("XDG_STATE_HOME", (home.path() + "/state").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit()); // mode 0700, as the runtime folder is
    qputenv("HOME", home.path().toLocal8Bit());

    QApplication app(argc, argv); // adopts the environment's locale, as the program does
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // As the program ends: a run under weston cannot hang in Qt's teardown. The folders go
    // first, as that end runs no destructors.
    home.remove();
    ExitBeforeWaylandTeardown(status);
    return status;
}
