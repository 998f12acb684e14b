#include "FontResolver.h"

#include "Cp932QString.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kMaxPixelSize = 1024;
// The size at which a face's cell height is measured to size it for a cell height.
constexpr int kProbePixelSize = 256;

enum class EFallback { FixedGothic, ProportionalGothic, FixedMincho, ProportionalMincho };

const QStringList& FallbackFamilies(EFallback fallback)
{
    static const QStringList kFixedGothic = {
        QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"), QStringLiteral("VL Gothic"),
        QStringLiteral("TakaoGothic"), QStringLiteral("Noto Sans Mono CJK JP")};
    static const QStringList kProportionalGothic = {
        QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"), QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic"), QStringLiteral("Noto Sans CJK JP")};
    static const QStringList kFixedMincho =
        QStringList{QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝"),
                    QStringLiteral("TakaoMincho")} +
        kFixedGothic;
    static const QStringList kProportionalMincho =
        QStringList{QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝"),
                    QStringLiteral("TakaoPMincho")} +
        kProportionalGothic;
    switch (fallback) {
    case EFallback::FixedGothic: return kFixedGothic;
    case EFallback::ProportionalGothic: return kProportionalGothic;
    case EFallback::FixedMincho: return kFixedMincho;
    case EFallback::ProportionalMincho: return kProportionalMincho;
    }
    return kFixedGothic;
}

struct WindowsFace
{
    const char16_t* name;
    EFallback fallback;
};

// The Japanese faces that come with Windows, in their Japanese and English names.
constexpr WindowsFace kWindowsFaces[] = {
    {u"ＭＳ ゴシック", EFallback::FixedGothic},
    {u"MS Gothic", EFallback::FixedGothic},
    {u"ＭＳ Ｐゴシック", EFallback::ProportionalGothic},
    {u"MS PGothic", EFallback::ProportionalGothic},
    {u"MS UI Gothic", EFallback::ProportionalGothic},
    {u"メイリオ", EFallback::ProportionalGothic},
    {u"Meiryo", EFallback::ProportionalGothic},
    {u"Meiryo UI", EFallback::ProportionalGothic},
    {u"游ゴシック", EFallback::ProportionalGothic},
    {u"Yu Gothic", EFallback::ProportionalGothic},
    {u"ＭＳ 明朝", EFallback::FixedMincho},
    {u"MS Mincho", EFallback::FixedMincho},
    {u"ＭＳ Ｐ明朝", EFallback::ProportionalMincho},
    {u"MS PMincho", EFallback::ProportionalMincho},
};

QString FirstInstalled(EFallback fallback)
{
    for (const QString& family : FallbackFamilies(fallback)) {
        if (QFontDatabase::hasFamily(family))
            return family;
    }
    // No Japanese font at all: the system's own, so that at least the ASCII text shows.
    const bool fixed = fallback == EFallback::FixedGothic || fallback == EFallback::FixedMincho;
    return QFontDatabase::systemFont(fixed ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont)
        .family();
}

int ClampPixelSize(std::int64_t size)
{
    return static_cast<int>(std::clamp<std::int64_t>(size, 1, kMaxPixelSize));
}

// The same for a size in fractions of a pixel; NaN gives 1.
int ClampPixelSize(qreal size)
{
    if (!(size >= 1))
        return 1;
    return size >= kMaxPixelSize ? kMaxPixelSize : static_cast<int>(std::lround(size));
}

// The character height that gives `font` a cell (ascent + descent) of `cellHeight` pixels.
int PixelSizeForCell(QFont font, int cellHeight)
{
    font.setPixelSize(kProbePixelSize);
    const QFontMetricsF metrics(font);
    const qreal cell = metrics.ascent() + metrics.descent();
    if (!(cell > 0))
        return ClampPixelSize(static_cast<std::int64_t>(cellHeight));
    return ClampPixelSize(cellHeight * kProbePixelSize / cell);
}

} // namespace

QString ResolveFontFamily(std::string_view faceName)
{
    const QString face = QStringFromCp932(faceName).trimmed();
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        return face;
    for (const WindowsFace& known : kWindowsFaces) {
        if (face.compare(QString::fromUtf16(known.name), Qt::CaseInsensitive) == 0)
            return FirstInstalled(known.fallback);
    }
    return FirstInstalled(EFallback::FixedGothic);
}

QFont FontFromLogFont(const LogFont& logFont)
{
    QFont font;
    font.setFamily(ResolveFontFamily(logFont.faceName));
    const int weight = logFont.weight <= 0 ? 400 : std::min(logFont.weight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    if (logFont.height < 0)
        font.setPixelSize(ClampPixelSize(-static_cast<std::int64_t>(logFont.height)));
    else if (logFont.height > 0)
        font.setPixelSize(PixelSizeForCell(font, std::min(logFont.height, kMaxPixelSize * 4)));
    return font;
}

QFont WithNearestStyleName(QFont font)
{
    const QString family = font.family();
    const bool italic = font.italic();
    const int weight = font.weight();
    QString nearest;
    int nearestDistance = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        // Another slant is farther than any other weight. An oblique face is slanted too, though
        // QFontDatabase::italic() says no to it.
        const bool slanted = QFontDatabase::font(family, style, 12).style() != QFont::StyleNormal;
        const int distance = (slanted != italic ? 10000 : 0) +
                             std::abs(QFontDatabase::weight(family, style) - weight);
        if (nearest.isEmpty() || distance < nearestDistance) {
            nearest = style;
            nearestDistance = distance;
        }
    }
    if (!nearest.isEmpty())
        font.setStyleName(nearest);
    return font;
}

bool IsNearestFace(const QFont& face, int weight, bool italic)
{
    QFont wanted = face;
    wanted.setStyleName({});
    wanted.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    wanted.setItalic(italic);
    const QString nearest = WithNearestStyleName(wanted).styleName();
    if (nearest.isEmpty())
        return true;
    const QFont nearestFace = QFontDatabase::font(face.family(), nearest, 12);
    return nearestFace.weight() == face.weight() && nearestFace.italic() == face.italic();
}

LogFont LogFontFromFont(const QFont& font, int dpi)
{
    if (dpi <= 0)
        dpi = ScreenDpi();
    LogFont logFont;
    if (font.pixelSize() > 0) {
        logFont.height = -ClampPixelSize(static_cast<std::int64_t>(font.pixelSize()));
    } else {
        logFont.height = -ClampPixelSize(font.pointSizeF() * dpi / 72);
    }
    logFont.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
    logFont.italic = font.italic();
    logFont.underline = font.underline();
    logFont.strikeOut = font.strikeOut();
    logFont.faceName = QStringToCp932(font.family());
    return logFont;
}

int ScreenDpi()
{
    if (qGuiApp) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const qreal dpi = screen->logicalDotsPerInchY();
            if (dpi >= 1 && dpi <= 10000)
                return static_cast<int>(std::lround(dpi));
        }
    }
    return 96;
}
