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

bool PlatformAvailable(std::string_view name, const std::function<const char*(const char*)>& getenv)
{
    name = name.substr(0, name.find(':')); // "xcb:option" names xcb
    if (name == "xcb")
        return IsSet(getenv("DISPLAY"));
    if (name.starts_with("wayland"))
        return IsSet(getenv("WAYLAND_DISPLAY"));
    return !name.empty();
}

} // namespace

bool CanOpenWindow(std::span<const char* const> args,
                   const std::function<const char*(const char*)>& getenv, std::FILE* err)
{
#ifdef __linux__
    const char* platform = PlatformArgument(args);
    if (platform == nullptr)
        platform = getenv("QT_QPA_PLATFORM");
    bool available = false;
    if (IsSet(platform)) {
        std::string_view list = platform;
        while (!available && !list.empty()) {
            const std::size_t end = list.find(';');
            available = PlatformAvailable(list.substr(0, end), getenv);
            list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        }
    } else {
        available = IsSet(getenv("DISPLAY")) || IsSet(getenv("WAYLAND_DISPLAY"));
    }
    if (!available)
        std::fputs("brunovelt: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set); brunovelt --help lists the modes without a window\n",
                   err);
    return available;
#else
    static_cast<void>(args);
    static_cast<void>(getenv);
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
