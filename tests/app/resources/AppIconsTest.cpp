#include "AppIcons.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTextStream>

#include <string>

namespace {

// How many pixels of `image` are not fully transparent.
int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
    return count;
}

// Every size of an icon is there, draws something and fills its size.
void ExpectEverySize(const QIcon& icon, const auto& sizes)
{
    ASSERT_FALSE(icon.isNull());
    for (const int size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(size, size));
        EXPECT_GT(OpaquePixels(pixmap.toImage()), size * size / 4);
    }
}

TEST(AppIcons, TheApplicationIconHasEverySize)
{
    ExpectEverySize(AppIcon(), kAppIconSizes);
}

TEST(AppIcons, OurToolbarIconsHaveBothSizes)
{
    for (const EToolbarIcon which : kToolbarIcons) {
        SCOPED_TRACE(ToolbarIconThemeName(which).toStdString());
        ExpectEverySize(OwnToolbarIcon(which), kToolbarIconSizes);
    }
}

TEST(AppIcons, ToolbarIconsAreDistinct)
{
    QSet<QString> names;
    QSet<QByteArray> pictures;
    for (const EToolbarIcon which : kToolbarIcons) {
        names.insert(ToolbarIconThemeName(which));
        const QImage image = OwnToolbarIcon(which).pixmap(16).toImage();
        pictures.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(names.size(), static_cast<qsizetype>(kToolbarIcons.size()));
    EXPECT_EQ(pictures.size(), static_cast<qsizetype>(kToolbarIcons.size()));
}

TEST(AppIcons, ADesktopThemeWithoutTheIconsGivesOurs)
{
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("no-such-theme-here"));
    for (const EToolbarIcon which : kToolbarIcons) {
        SCOPED_TRACE(ToolbarIconThemeName(which).toStdString());
        const QImage shown = ToolbarIcon(which).pixmap(16).toImage();
        const QImage ours = OwnToolbarIcon(which).pixmap(16).toImage();
        EXPECT_EQ(shown, ours);
    }
    QIcon::setThemeName(theme);
}

// The desktop entry names the program, its icon and its menu places.
TEST(DesktopEntry, StartsTheProgramWithItsIcon)
{
    QFile file(QStringLiteral(BRUNOVELT_DESKTOP_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    QStringList lines;
    while (!in.atEnd())
        lines << in.readLine();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const QString& expected :
         {QStringLiteral("Type=Application"), QStringLiteral("Name=Brunovelt"),
          QStringLiteral("Exec=brunovelt %f"), QStringLiteral("Icon=jp.example.brunovelt"),
          QStringLiteral("Categories=Utility;Calculator;"), QStringLiteral("MimeType=text/plain;"),
          QStringLiteral("StartupWMClass=Brunovelt")})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.startsWith(QStringLiteral("Name[ja]="));
    }));
}

} // namespace
