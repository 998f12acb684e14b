#pragma once

#include <cstdio>
#include <functional>
#include <span>

// Whether the window mode has a window system to open on, decided before Qt is started, which
// would abort without one. On Linux: the platform the "-platform" argument or QT_QPA_PLATFORM
// names (each of a ';' list in turn), or by default Wayland or X11; "xcb" needs DISPLAY,
// "wayland..." needs WAYLAND_DISPLAY, the others (offscreen, minimal, eglfs...) need nothing.
// Elsewhere always true. `getenv` reads the environment (null or empty: not set); when there is
// none, a one-line reason goes to `err`.
bool CanOpenWindow(std::span<const char* const> args,
                   const std::function<const char*(const char*)>& getenv, std::FILE* err);

// Whether a session bus may be there, over which a global menu bar would take the window's menus:
// DBUS_SESSION_BUS_ADDRESS names one, or XDG_RUNTIME_DIR holds its "bus" socket. Without one
// Qt's question for the global menu only costs the start-up its milliseconds. `exists` tells
// whether a path exists.
bool SessionBusMayExist(const std::function<const char*(const char*)>& getenv,
                        const std::function<bool(const char*)>& exists);
