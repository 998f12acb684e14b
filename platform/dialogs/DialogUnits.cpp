#include "DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <climits>
#include <cstdint>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t numerator = c < 0 ? -product : product;
    const std::int64_t half = divisor / 2;
    const std::int64_t result =
        numerator >= 0 ? (numerator + half) / divisor : (numerator - half) / divisor;
    if (result > INT_MAX || result < -INT_MAX)
        return -1;
    return static_cast<int>(result);
}

namespace {

// The dialog font's family: the first of these that is installed, the Windows name first, so that
// a system that has the font (or maps the name to one) uses it. Looked up once, because each
// look-up of a family that is not installed asks fontconfig for its aliases. Empty when none is
// installed.
const QString& DialogFamily()
{
    static const QString family = [] {
        static const QStringList kFamilies = {
            QStringLiteral("ＭＳ Ｐゴシック"),  QStringLiteral("MS PGothic"),
            QStringLiteral("IPAPGothic"),       QStringLiteral("IPA Pゴシック"),
            QStringLiteral("VL PGothic"),       QStringLiteral("TakaoPGothic"),
            QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")};
        for (const QString& candidate : kFamilies)
            if (QFontDatabase::hasFamily(candidate))
                return candidate;
        return QString();
    }();
    return family;
}

} // namespace

QFont DialogFont()
{
    QFont font;
    if (!DialogFamily().isEmpty())
        font.setFamily(DialogFamily());
    font.setPointSize(9);
    return font;
}

void UseJapaneseApplicationFont()
{
    // Every text of the window is Japanese. With a desktop font that has no Japanese, Qt looks
    // for a fallback font for each text, which costs the first paint several milliseconds, and
    // one text shows its Latin letters in one font and its kana in another.
    const QFont desktopFont = QApplication::font();
    if (DialogFamily().isEmpty() ||
        QFontDatabase::writingSystems(desktopFont.family()).contains(QFontDatabase::Japanese))
        return;
    QFont font = desktopFont; // the desktop's size and style, in the Japanese family
    font.setFamily(DialogFamily());
    QApplication::setFont(font);
}

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (width / 26 + 1) / 2;
    m_baseY = metrics.height();
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const
{
    const int left = X(x);
    const int top = Y(y);
    // QRect works out its right edge as left + width - 1 in int arithmetic: both the sum and
    // the edge must fit.
    const auto fit = [](int start, int extent) {
        const std::int64_t end = static_cast<std::int64_t>(start) + extent;
        if (end > INT_MAX)
            return static_cast<int>(INT_MAX - static_cast<std::int64_t>(start));
        if (end - 1 < INT_MIN)
            return static_cast<int>(static_cast<std::int64_t>(INT_MIN) + 1 - start);
        return extent;
    };
    return QRect(left, top, fit(left, X(width)), fit(top, Y(height)));
}

CDialogUnits UseDialogFont(QWidget& form)
{
    form.setFont(DialogFont());
    return CDialogUnits(form.font());
}
