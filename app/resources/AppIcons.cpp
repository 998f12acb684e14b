#include "AppIcons.h"

#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

#include <cstddef>
#include <iterator>

// The icons are compiled into this static library; a static library's resources must be
// registered by hand before the first look-up. Outside any namespace, as Q_INIT_RESOURCE
// declares the registration function where it stands.
static void InitIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(brunovelt);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

struct ToolbarIconName
{
    const char* themeName; // freedesktop icon naming
    const char* fileStem;  // our own PNGs, ":/icons/<stem>-<size>.png"
};

// ORDER EToolbarIcon
constexpr ToolbarIconName kNames[] = {{"document-new", "new"},   {"document-open", "open"},
                                      {"document-save", "save"}, {"edit-cut", "cut"},
                                      {"edit-copy", "copy"},     {"edit-paste", "paste"},
                                      {"help-about", "about"}};
static_assert(std::size(kNames) == kToolbarIcons.size());

const ToolbarIconName& NameOf(EToolbarIcon which)
{
    return kNames[static_cast<std::size_t>(which)];
}

template <std::size_t N> QIcon FromPngs(const QString& stem, const std::array<int, N>& sizes)
{
    InitIconResources();
    // Read as PNG outright: left to guess, Qt would first load every image-format plugin to ask
    // each whether it reads the file, which costs the start-up several milliseconds.
    QIcon icon;
    for (const int size : sizes) {
        QImageReader reader(QStringLiteral(":/icons/%1-%2.png").arg(stem).arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

} // namespace

QIcon AppIcon()
{
    return FromPngs(QStringLiteral("brunovelt"), kAppIconSizes);
}

QString ToolbarIconThemeName(EToolbarIcon which)
{
    return QString::fromLatin1(NameOf(which).themeName);
}

QIcon OwnToolbarIcon(EToolbarIcon which)
{
    return FromPngs(QString::fromLatin1(NameOf(which).fileStem), kToolbarIconSizes);
}

QIcon ToolbarIcon(EToolbarIcon which)
{
    // Qt names "hicolor" where the desktop names no icon theme. That theme holds the icons of
    // applications and none for actions, and the first look through it costs the start-up
    // several milliseconds, so our own icons are taken at once.
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        return OwnToolbarIcon(which);
    return QIcon::fromTheme(ToolbarIconThemeName(which), OwnToolbarIcon(which));
}
