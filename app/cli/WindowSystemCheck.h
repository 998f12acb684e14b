#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>

// What the window-system check reads: the environment (null or empty: not set), whether a path
// exists, and Qt's own plugin folder.
struct WindowSystemEnvironment
{
    std::function<const char*(const char*)> getenv;
    std::function<bool(const char*)> exists;
    std::string pluginFolder;
};

// Whether the window mode has a window system to open on, decided before Qt is started, which
// would abort without one. On Linux: the platforms the "-platform" argument or QT_QPA_PLATFORM
// names (each of a ';' list in turn), or by default Wayland, then X11, as Qt tries them. "xcb"
// needs DISPLAY, "wayland..." a WAYLAND_DISPLAY whose socket exists; each needs Qt's plugin for
// it (Wayland's comes in a package of its own). Elsewhere always true. When none will do, a
// one-line reason goes to `err`.
bool CanOpenWindow(std::span<const char* const> args, const WindowSystemEnvironment& env,
                   std::FILE* err);

// Whether a session bus may be there, over which a global menu bar would take the window's menus:
// DBUS_SESSION_BUS_ADDRESS names one, or XDG_RUNTIME_DIR holds its "bus" socket. Without one
// Qt's question for the global menu only costs the start-up its milliseconds. `exists` tells
// whether a path exists.
bool SessionBusMayExist(const std::function<const char*(const char*)>& getenv,
                        const std::function<bool(const char*)>& exists);
