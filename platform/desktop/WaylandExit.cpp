#include "WaylandExit.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

void ExitBeforeWaylandTeardown(int status)
{
    // "wayland", or "wayland-egl" and the like where a variant is asked for.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    std::fflush(nullptr);
    std::_Exit(status);
}
