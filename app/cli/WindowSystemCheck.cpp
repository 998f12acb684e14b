#include "WindowSystemCheck.h"

#include <string>
#include <string_view>

namespace {

bool IsSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

// The platform named in the arguments, as Qt reads them ("-platform name" or "--platform name").
const char* PlatformArgument(std::span<const char* const> args)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-platform" || arg == "--platform")
            return args[i + 1];
    }
    return nullptr;
}

class CPlatformCheck
{
public:
    explicit CPlatformCheck(const WindowSystemEnvironment& env) : m_env(env) {}

    // Whether Qt can start on platform `name`; when not, why goes to m_reasons.
    bool Available(std::string_view name)
    {
        name = name.substr(0, name.find(':')); // "xcb:option" names xcb
        if (name.empty())
            return false;
        if (name == "xcb") {
            if (!IsSet(m_env.getenv("DISPLAY")))
                return Refuse("DISPLAY is not set");
            return HasPlugin("xcb", "Qt's X11 platform plugin is not installed");
        }
        if (name.starts_with("wayland")) {
            const char* display = m_env.getenv("WAYLAND_DISPLAY");
            if (!IsSet(display))
                return Refuse("WAYLAND_DISPLAY is not set");
            const std::string socket = WaylandSocket(display);
            if (socket.empty() || !m_env.exists(socket.c_str()))
                return Refuse("there is no Wayland compositor at " +
                              (socket.empty() ? std::string(display) : socket));
            // "wayland" is the generic plugin's key; "wayland-egl" and the others are their own.
            return HasPlugin(name == "wayland" ? "wayland-generic" : name,
                             "Qt's Wayland platform plugin is not installed (qt6-wayland)");
        }
        return HasPlugin(name, "Qt has no platform plugin " + std::string(name));
    }

    const std::string& Reasons() const { return m_reasons; }

private:
    bool Refuse(const std::string& reason)
    {
        if (!m_reasons.empty())
            m_reasons += ", ";
        m_reasons += reason;
        return false;
    }

    bool HasPlugin(std::string_view key, const std::string& reason)
    {
        const std::string file = "/libq" + std::string(key) + ".so";
        // Where Qt looks: its own folder, the folder QT_QPA_PLATFORM_PLUGIN_PATH names and the
        // "platforms" folder of each folder of QT_PLUGIN_PATH.
        if (m_env.exists((m_env.pluginFolder + "/platforms" + file).c_str()))
            return true;
        const char* platformPath = m_env.getenv("QT_QPA_PLATFORM_PLUGIN_PATH");
        if (IsSet(platformPath) && m_env.exists((platformPath + file).c_str()))
            return true;
        const char* pluginPath = m_env.getenv("QT_PLUGIN_PATH");
        std::string_view list = IsSet(pluginPath) ? pluginPath : "";
        while (!list.empty()) {
            const std::size_t end = list.find(':');
            const std::string folder(list.substr(0, end));
            if (!folder.empty() && m_env.exists((folder + "/platforms" + file).c_str()))
                return true;
            list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        }
        return Refuse(reason);
    }

    // The socket libwayland connects to: WAYLAND_DISPLAY itself when absolute, else in
    // XDG_RUNTIME_DIR; empty when that is not set.
    std::string WaylandSocket(const char* display) const
    {
        if (display[0] == '/')
            return display;
        const char* runtime = m_env.getenv("XDG_RUNTIME_DIR");
        return IsSet(runtime) ? std::string(runtime) + "/" + display : std::string();
    }

    const WindowSystemEnvironment& m_env;
    std::string m_reasons;
};

} // namespace

bool CanOpenWindow(std::span<const char* const> args, const WindowSystemEnvironment& env,
                   std::FILE* err)
{
#ifdef __linux__
    const char* platform = PlatformArgument(args);
    if (platform == nullptr)
        platform = env.getenv("QT_QPA_PLATFORM");
    // Without a platform named, Qt tries Wayland, then X11.
    std::string_view list = IsSet(platform) ? platform : "wayland;xcb";
    if (!IsSet(platform) && !IsSet(env.getenv("DISPLAY")) &&
        !IsSet(env.getenv("WAYLAND_DISPLAY"))) {
        std::fputs("brunovelt: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set); brunovelt --help lists the modes without a window\n",
                   err);
        return false;
    }
    CPlatformCheck check(env);
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        if (check.Available(list.substr(0, end)))
            return true;
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
    std::fprintf(err,
                 "brunovelt: cannot open the window (%s); brunovelt --help lists the modes "
                 "without a window\n",
                 check.Reasons().empty() ? "no platform named" : check.Reasons().c_str());
    return false;
#else
    static_cast<void>(args);
    static_cast<void>(env);
    static_cast<void>(err);
    return true;
#endif
}
bool SessionBusMayExist(const std::function<const char*(const char*)>& getenv,
                        const std::function<bool(const char*)>& exists)
{
    if (IsSet(getenv("DBUS_SESSION_BUS_ADDRESS")))
        return true;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    return IsSet(runtime) && exists((std::string(runtime) + "/bus").c_str());
}
